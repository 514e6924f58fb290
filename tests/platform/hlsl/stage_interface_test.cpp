// Stage inputs and outputs: system values, render targets, multi-location
// values, GLSL-safe names, and what Direct3D would refuse.

#include "compiler_test_support.h"

#include <set>
#include <tuple>

namespace {

using hlsl::ShaderStage;
using hlsl::StageVariable;
using hlsl_test::Compile;
using hlsl_test::Compiled;
using hlsl_test::FindVariable;

class StageInterface : public hlsl_test::CompilerTest {};

TEST_F(StageInterface, SystemValuesAreBuiltInsAndTargetsKeepTheirIndex)
{
    Write("main.fx", "struct Out { float4 colour : SV_Target0; float4 extra : SV_Target1; float depth : SV_Depth; };\n"
                     "Out ps_main(float4 pos : SV_Position, bool front : SV_IsFrontFace, uint prim : SV_PrimitiveID)\n"
                     "{ Out o; o.colour = pos; o.extra = front ? prim : 0; o.depth = 0.5; return o; }\n"
                     "float4 vs_main(uint id : SV_VertexID, uint instance : SV_InstanceID) : SV_Position\n"
                     "{ return float4(id, instance, 0, 1); }\n");
    const Compiled ps = Compile("ps_main", "ps_4_0");
    ASSERT_EQ(ps.hr, S_OK) << ps.messages;
    const StageVariable* first = FindVariable(ps.container->outputs, "SV_TARGET", 0);
    const StageVariable* second = FindVariable(ps.container->outputs, "SV_TARGET", 1);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->location, 0u);
    EXPECT_EQ(second->location, 1u);
    EXPECT_FALSE(second->systemValue);
    ASSERT_NE(FindVariable(ps.container->outputs, "SV_DEPTH", 0), nullptr);
    EXPECT_TRUE(FindVariable(ps.container->outputs, "SV_DEPTH", 0)->systemValue);
    for (const StageVariable& input : ps.container->inputs)
        EXPECT_TRUE(input.systemValue) << input.semantic;
    EXPECT_EQ(ps.container->inputs.size(), 3u);
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Pixel, ps.container->glsl), "");

    const Compiled vs = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(vs.hr, S_OK) << vs.messages;
    ASSERT_NE(FindVariable(vs.container->inputs, "SV_VERTEXID", 0), nullptr);
    EXPECT_TRUE(FindVariable(vs.container->inputs, "SV_VERTEXID", 0)->systemValue);
    EXPECT_TRUE(FindVariable(vs.container->inputs, "SV_INSTANCEID", 0)->systemValue);
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Vertex, vs.container->glsl), "");
    EXPECT_EQ(vs.container->glsl.find("SPIRV_Cross_Base"), std::string::npos) << "no uniform the layer would not set";
}

TEST_F(StageInterface, MatricesAndArraysSpanSeveralLocations)
{
    Write("main.fx", "struct V { float4 pos : SV_Position; float4x4 basis : TEXCOORD0; float2 taps[3] : TEXCOORD4; };\n"
                     "V vs_main(float3 p : POSITION)\n"
                     "{ V v; v.pos = float4(p, 1); v.basis = p.x; v.taps[0] = p.xy; v.taps[1] = p.yz; v.taps[2] = 0;"
                     " return v; }\n");
    const Compiled vs = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(vs.hr, S_OK) << vs.messages;
    const StageVariable* basis = FindVariable(vs.container->outputs, "TEXCOORD", 0);
    ASSERT_NE(basis, nullptr);
    EXPECT_EQ(basis->locationCount, 4u);
    // Array elements take the semantic indices after the array's own, as
    // Direct3D numbers them.
    std::set<std::uint32_t> locations;
    for (std::uint32_t index : {4u, 5u, 6u}) {
        const StageVariable* tap = FindVariable(vs.container->outputs, "TEXCOORD", index);
        ASSERT_NE(tap, nullptr) << index;
        EXPECT_EQ(tap->locationCount, 1u);
        EXPECT_EQ(tap->componentCount, 2u);
        locations.insert(tap->location);
    }
    EXPECT_EQ(locations.size(), 3u);
    EXPECT_EQ(vs.container->outputs.size(), 5u);
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Vertex, vs.container->glsl), "");
}

TEST_F(StageInterface, VertexInputsDeclaredButNeverReadStayInTheSignature)
{
    // The optimizer removes what the code never reads; Direct3D's input
    // layout still has to supply it.
    Write("main.fx", "struct In { float3 p : POSITION; float2 uv : TEXCOORD0; float4x4 basis : TEXCOORD1;"
                     " int4 bones : BLENDINDICES; };\n"
                     "float4 vs_main(In i) : SV_Position { return float4(i.p, 1); }\n");
    const Compiled vs = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(vs.hr, S_OK) << vs.messages;
    const std::vector<StageVariable>& inputs = vs.container->inputs;
    ASSERT_EQ(inputs.size(), 4u);
    EXPECT_EQ(inputs[0].semantic, "POSITION") << "inputs the code reads come first";
    EXPECT_NE(inputs[0].location, hlsl::kNoLocation);
    const StageVariable* uv = FindVariable(inputs, "TEXCOORD", 0);
    const StageVariable* basis = FindVariable(inputs, "TEXCOORD", 1);
    const StageVariable* bones = FindVariable(inputs, "BLENDINDICES", 0);
    ASSERT_TRUE(uv && basis && bones);
    EXPECT_EQ(uv->location, hlsl::kNoLocation);
    EXPECT_EQ(uv->componentCount, 2u);
    EXPECT_EQ(basis->locationCount, 4u);
    EXPECT_EQ(bones->componentType, hlsl::ComponentType::Int);
    EXPECT_EQ(bones->location, hlsl::kNoLocation);
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Vertex, vs.container->glsl), "");
}

TEST_F(StageInterface, NamesMadeFromSemanticsAreValidGlsl)
{
    Write("main.fx", "struct V { float4 pos : SV_Position; float4 a : MY__DATA; float4 b : _LEAD7; };\n"
                     "V vs_main(float3 p : POSITION) { V v; v.pos = float4(p, 1); v.a = 1; v.b = 2; return v; }\n"
                     "float4 ps_main(V v) : SV_Target { return v.a + v.b; }\n");
    for (const auto& [entry, profile, stage] : {std::tuple{"vs_main", "vs_4_0", ShaderStage::Vertex},
                                                std::tuple{"ps_main", "ps_4_0", ShaderStage::Pixel}}) {
        const Compiled compiled = Compile(entry, profile);
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        const hlsl::ShaderContainer& container = *compiled.container;
        const std::vector<StageVariable>& linked = stage == ShaderStage::Vertex ? container.outputs : container.inputs;
        const StageVariable* odd = FindVariable(linked, "MY__DATA", 0);
        const StageVariable* lead = FindVariable(linked, "_LEAD", 7);
        ASSERT_TRUE(odd && lead) << entry;
        EXPECT_EQ(odd->locationMacro.find("__"), std::string::npos) << odd->locationMacro;
        EXPECT_EQ(lead->locationMacro.find("__"), std::string::npos) << lead->locationMacro;
        EXPECT_NE(odd->locationMacro, lead->locationMacro);
        EXPECT_EQ(container.glsl.find("__"), std::string::npos) << container.glsl;
        EXPECT_EQ(hlsl_test::GlslErrors(stage, container.glsl), "");
    }
}

TEST_F(StageInterface, SvPositionIsAnOrdinaryVertexInputMatchedByName)
{
    Write("main.fx", "float4 passThrough(float4 p : SV_Position) : SV_Position { return p * 0.5; }\n"
                     "struct In { float3 normal : NORMAL; float4 position : SV_POSITION; float2 uv : TEXCOORD0; };\n"
                     "struct Out { float4 position : SV_Position; float2 uv : TEXCOORD0; };\n"
                     "Out inStruct(In i) { Out o; o.position = i.position + float4(i.normal, 0); o.uv = i.uv; return o; }\n"
                     "float4 unread(float4 p : SV_Position, float3 n : NORMAL) : SV_Position { return float4(n, 1); }\n");
    for (const char* entry : {"passThrough", "inStruct", "unread"}) {
        const Compiled vs = Compile(entry, "vs_4_0");
        ASSERT_EQ(vs.hr, S_OK) << entry << ": " << vs.messages;
        const StageVariable* position = FindVariable(vs.container->inputs, "SV_POSITION", 0);
        ASSERT_NE(position, nullptr) << entry;
        EXPECT_FALSE(position->systemValue) << entry;
        EXPECT_EQ(position->componentCount, 4u) << entry;
        std::set<std::uint32_t> locations;
        for (const StageVariable& input : vs.container->inputs) {
            EXPECT_FALSE(input.systemValue) << entry << " " << input.semantic;
            if (input.location != hlsl::kNoLocation) {
                EXPECT_TRUE(locations.insert(input.location).second) << entry << ": two inputs share a location";
            }
        }
        EXPECT_EQ(position->location == hlsl::kNoLocation, std::string(entry) == "unread") << entry;
        // The output is still the Position built-in.
        ASSERT_NE(FindVariable(vs.container->outputs, "SV_POSITION", 0), nullptr);
        EXPECT_TRUE(FindVariable(vs.container->outputs, "SV_POSITION", 0)->systemValue);
        EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Vertex, vs.container->glsl), "") << entry;
    }
}

TEST_F(StageInterface, ClipAndCullDistancesInGeometryInputsAreRefusedAtTheirDeclaration)
{
    Write("main.fx", "struct V\n{\n    float4 p : SV_Position;\n    float clip : SV_ClipDistance0;\n};\n"
                     "struct C { float4 p : SV_Position; float2 cull : SV_CullDistance1; };\n"
                     "struct Outer { V inner; };\n"
                     "[maxvertexcount(3)] void fromStruct(triangle V input[3], inout TriangleStream<V> s)\n"
                     "{ s.Append(input[0]); }\n"
                     "[maxvertexcount(3)] void culled(triangle C input[3], inout TriangleStream<V> s)\n"
                     "{ V v; v.p = input[0].p; v.clip = input[0].cull.x; s.Append(v); }\n"
                     "[maxvertexcount(3)] void nested(triangle Outer input[3], inout TriangleStream<V> s)\n"
                     "{ s.Append(input[0].inner); }\n"
                     "[maxvertexcount(3)] void plain(triangle float4 p[3] : SV_Position,\n"
                     "                               triangle float  c[3] : SV_ClipDistance0, inout TriangleStream<V> s)\n"
                     "{ V v; v.p = p[0]; v.clip = c[0]; s.Append(v); }\n"
                     "struct P { float4 p : SV_Position; };\n"
                     "[maxvertexcount(3)] void writes(triangle P input[3], inout TriangleStream<V> s)\n"
                     "{ V v; v.p = input[0].p; v.clip = 1; s.Append(v); }\n");
    const std::pair<const char*, const char*> refused[] = {
        {"fromStruct", "main.fx(4,11): error: SV_CLIPDISTANCE0 in a geometry shader's input is not supported"},
        {"culled", "main.fx(6,43): error: SV_CULLDISTANCE1 in a geometry shader's input is not supported"},
        {"nested", "main.fx(4,11): error: SV_CLIPDISTANCE0 in a geometry shader's input is not supported"},
        {"plain", "main.fx(15,48): error: SV_CLIPDISTANCE0 in a geometry shader's input is not supported"},
    };
    for (const auto& [entry, message] : refused) {
        const Compiled gs = Compile(entry, "gs_4_0");
        EXPECT_EQ(gs.hr, E_FAIL) << entry;
        EXPECT_TRUE(gs.messages.starts_with(message)) << entry << ": " << gs.messages;
    }
    // Writing them is an ordinary built-in output.
    const Compiled gs = Compile("writes", "gs_4_0");
    ASSERT_EQ(gs.hr, S_OK) << gs.messages;
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Geometry, gs.container->glsl), "");
}

TEST_F(StageInterface, WhatDirect3DRefusesIsRefused)
{
    Write("main.fx", "struct Twice { float4 pos : SV_Position; float4 a : COLOR0; float4 b : COLOR0; };\n"
                     "Twice twice(float3 p : POSITION) { Twice t; t.pos = float4(p, 1); t.a = 1; t.b = 2; return t; }\n"
                     "float4 positioned(float4 p : SV_Depth) : SV_Position { return p; }\n"
                     "float4 target9() : SV_Target8 { return 1; }\n"
                     "Texture2D t; SamplerState s;\n"
                     "float4 sampling(float2 uv : TEXCOORD0) : SV_Position { return t.Sample(s, uv); }\n"
                     "float4 lod(float2 uv : TEXCOORD0) : SV_Position { return t.SampleLevel(s, uv, 0); }\n");
    Compiled compiled = Compile("twice", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_EQ(compiled.messages, "main.fx(2,7): error: invalid vs_4_0 output semantic 'COLOR': it is used twice\n");

    compiled = Compile("positioned", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_TRUE(compiled.messages.starts_with("main.fx(3,8): error: invalid vs_4_0 input semantic 'SV_DEPTH'"))
        << compiled.messages;

    compiled = Compile("target9", "ps_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_NE(compiled.messages.find("'SV_TARGET8': there are 8 render targets"), std::string::npos)
        << compiled.messages;

    // Sample picks its level from derivatives, which only pixel shaders have.
    compiled = Compile("sampling", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_TRUE(compiled.messages.starts_with("main.fx(6,65): error: 'sampling' uses Sample")) << compiled.messages;
    compiled = Compile("lod", "vs_4_0");
    EXPECT_EQ(compiled.hr, S_OK) << compiled.messages;
}

} // namespace
