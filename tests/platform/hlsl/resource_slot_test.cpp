// Constant buffer, texture and sampler slots: register() gives the slot,
// the rest take the lowest free slot of their class in declaration order;
// each texture and sampler pair gets its own texture unit.

#include "compiler_test_support.h"

#include <set>

namespace {

using hlsl::ShaderStage;
using hlsl_test::Compile;
using hlsl_test::Compiled;

class ResourceSlots : public hlsl_test::CompilerTest {};

std::uint32_t SlotOf(const hlsl::ShaderContainer& container, const std::string& name)
{
    for (const hlsl::ConstantBuffer& buffer : container.constantBuffers)
        if (buffer.name == name)
            return buffer.slot;
    ADD_FAILURE() << "no constant buffer " << name;
    return hlsl::kNoSlot;
}

bool HasPair(const hlsl::ShaderContainer& container, std::uint32_t texture, std::uint32_t sampler)
{
    for (const hlsl::CombinedSampler& pair : container.samplers)
        if (pair.textureSlot == texture && pair.samplerSlot == sampler)
            return true;
    return false;
}

TEST_F(ResourceSlots, RegistersGiveTheSlots)
{
    Write("main.fx", "cbuffer Lights : register(b5) { float4 light; };\n"
                     "Texture2D albedo : register(t3);\n"
                     "SamplerState clampSampler : register(s2);\n"
                     "float4 ps_main(float2 uv : TEXCOORD0) : SV_Target\n"
                     "{ return albedo.Sample(clampSampler, uv) * light; }\n");
    const Compiled compiled = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(compiled.container) << compiled.messages;
    const hlsl::ShaderContainer& ps = *compiled.container;
    ASSERT_EQ(ps.constantBuffers.size(), 1u);
    EXPECT_EQ(ps.constantBuffers[0].slot, 5u);
    EXPECT_EQ(ps.constantBuffers[0].binding, hlsl::ConstantBufferBinding(ShaderStage::Pixel, 5));
    EXPECT_EQ(ps.constantBuffers[0].byteSize, 16u);
    ASSERT_EQ(ps.samplers.size(), 1u);
    EXPECT_TRUE(HasPair(ps, 3, 2));

    const hlsl_test::GlslReflection glsl = hlsl_test::ReflectGlsl(ShaderStage::Pixel, ps.glsl);
    ASSERT_EQ(glsl.errors, "");
    ASSERT_EQ(glsl.uniformBlocks.size(), 1u);
    EXPECT_EQ(glsl.uniformBlocks[0].first, static_cast<int>(hlsl::ConstantBufferBinding(ShaderStage::Pixel, 5)));
}

TEST_F(ResourceSlots, UnregisteredResourcesTakeFreeSlotsInDeclarationOrder)
{
    // Declared out of alphabetical order, with explicit registers in between,
    // so neither names nor first use decide the order.
    Write("main.fx", "Texture2D zeta;\n"
                     "Texture2D alpha : register(t0);\n"
                     "Texture2D mid;\n"
                     "SamplerState wrapS;\n"
                     "SamplerState clampS : register(s0);\n"
                     "cbuffer Zed { float4 zed; };\n"
                     "cbuffer Pinned : register(b0) { float4 pinned; };\n"
                     "cbuffer Able { float4 able; };\n"
                     "float4 ps_main(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target\n"
                     "{\n"
                     "    return able + mid.Sample(wrapS, uv) + alpha.Sample(clampS, uv) + zeta.Sample(wrapS, uv)\n"
                     "         + zed + pinned;\n"
                     "}\n");
    const Compiled compiled = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(compiled.container) << compiled.messages;
    const hlsl::ShaderContainer& ps = *compiled.container;
    EXPECT_EQ(SlotOf(ps, "Pinned"), 0u);
    EXPECT_EQ(SlotOf(ps, "Zed"), 1u);
    EXPECT_EQ(SlotOf(ps, "Able"), 2u);
    // zeta t1, alpha t0, mid t2; wrapS s1, clampS s0.
    EXPECT_TRUE(HasPair(ps, 1, 1));
    EXPECT_TRUE(HasPair(ps, 0, 0));
    EXPECT_TRUE(HasPair(ps, 2, 1));
    EXPECT_EQ(ps.samplers.size(), 3u);
}

TEST_F(ResourceSlots, EachPairHasItsOwnUnitAndLoadNeedsNoSampler)
{
    Write("main.fx", "Texture2D colour : register(t0);\n"
                     "Texture2D depth : register(t1);\n"
                     "SamplerState linearS : register(s0);\n"
                     "SamplerState pointS : register(s1);\n"
                     "float4 ps_main(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target\n"
                     "{\n"
                     "    return colour.Sample(linearS, uv) + colour.Sample(pointS, uv) + depth.Sample(linearS, uv)\n"
                     "         + depth.Load(int3(pos.xy, 0));\n"
                     "}\n");
    const Compiled compiled = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(compiled.container) << compiled.messages;
    const hlsl::ShaderContainer& ps = *compiled.container;
    ASSERT_EQ(ps.samplers.size(), 4u);
    EXPECT_TRUE(HasPair(ps, 0, 0));
    EXPECT_TRUE(HasPair(ps, 0, 1));
    EXPECT_TRUE(HasPair(ps, 1, 0));
    EXPECT_TRUE(HasPair(ps, 1, hlsl::kNoSlot));
    std::set<std::uint32_t> units;
    for (const hlsl::CombinedSampler& pair : ps.samplers)
        units.insert(pair.textureUnit);
    EXPECT_EQ(units.size(), 4u);
    EXPECT_EQ(*units.begin(), hlsl::TextureUnit(ShaderStage::Pixel, 0));

    // The GLSL samplers sit at the units the container lists.
    const hlsl_test::GlslReflection glsl = hlsl_test::ReflectGlsl(ShaderStage::Pixel, ps.glsl);
    ASSERT_EQ(glsl.errors, "");
    ASSERT_EQ(glsl.samplerBindings.size(), 4u);
    std::set<std::uint32_t> bound;
    for (const auto& [name, binding] : glsl.samplerBindings)
        bound.insert(static_cast<std::uint32_t>(binding));
    EXPECT_EQ(bound, units);
}

TEST_F(ResourceSlots, TexturesReachedThroughFunctionsKeepTheirSlots)
{
    Write("main.fx", "Texture2D first : register(t4);\n"
                     "SamplerState s : register(s3);\n"
                     "float4 Fetch(Texture2D t, SamplerState ss, float2 uv) { return t.Sample(ss, uv); }\n"
                     "float4 ps_main(float2 uv : TEXCOORD0) : SV_Target { return Fetch(first, s, uv); }\n");
    const Compiled compiled = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(compiled.container) << compiled.messages;
    ASSERT_EQ(compiled.container->samplers.size(), 1u);
    EXPECT_TRUE(HasPair(*compiled.container, 4, 3));
}

TEST_F(ResourceSlots, UnusedResourcesTakeNoSlotAndAreNotListed)
{
    Write("main.fx", "Texture2D unused;\n"
                     "Texture2D used;\n"
                     "SamplerState s;\n"
                     "cbuffer Unused { float4 u; };\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1); }\n"
                     "float4 ps_main(float2 uv : TEXCOORD0) : SV_Target { return used.Sample(s, uv); }\n");
    const Compiled vs = Compile("vs_main", "vs_4_0");
    ASSERT_TRUE(vs.container) << vs.messages;
    EXPECT_TRUE(vs.container->constantBuffers.empty());
    EXPECT_TRUE(vs.container->samplers.empty());
    const Compiled ps = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(ps.container) << ps.messages;
    ASSERT_EQ(ps.container->samplers.size(), 1u);
    EXPECT_TRUE(HasPair(*ps.container, 0, 0));
}

TEST_F(ResourceSlots, ClashingOrOutOfRangeRegistersAreErrors)
{
    Write("main.fx", "Texture2D a : register(t2);\n"
                     "Texture2D b : register(t2);\n"
                     "SamplerState s;\n"
                     "float4 ps_main(float2 uv : TEXCOORD0) : SV_Target\n"
                     "{ return a.Sample(s, uv) + b.Sample(s, uv); }\n");
    Compiled compiled = Compile("ps_main", "ps_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_TRUE(compiled.messages.starts_with("main.fx(2,11): error: 'a' and 'b' are both bound to register(t2)"))
        << compiled.messages;

    Write("main.fx", "cbuffer Far : register(b14) { float4 far; };\n"
                     "float4 vs_main() : SV_Position { return far; }\n");
    compiled = Compile("vs_main", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_TRUE(compiled.messages.starts_with("main.fx(1,9): error: 'Far': register(b14) is out of range"))
        << compiled.messages;
}

} // namespace
