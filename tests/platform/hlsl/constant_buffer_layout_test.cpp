// HLSL constant buffer packing, and the compiler refusing code that would
// read a member anywhere else.

#include "compiler_test_support.h"

#include "platform/hlsl/constant_buffer_layout.h"

namespace {

using hlsl::HlslBufferSize;
using hlsl::HlslOffsets;
using hlsl::HlslSize;
using hlsl::PackedMember;
using hlsl::PackedType;
using Kind = hlsl::PackedType::Kind;
using Offsets = std::vector<std::uint64_t>;

PackedType Scalar()
{
    return {};
}

PackedType Vector(std::uint32_t components)
{
    PackedType type;
    type.kind = Kind::Vector;
    type.components = components;
    return type;
}

// `registers` registers of `components` each: a column-major floatRxC is C
// registers of R.
PackedType Matrix(std::uint32_t registers, std::uint32_t components)
{
    PackedType type;
    type.kind = Kind::Matrix;
    type.registers = registers;
    type.components = components;
    return type;
}

PackedType Array(PackedType element, std::vector<std::uint64_t> sizes)
{
    element.arraySizes = std::move(sizes);
    return element;
}

PackedType Struct(std::vector<PackedMember> members)
{
    PackedType type;
    type.kind = Kind::Struct;
    type.members = std::move(members);
    return type;
}

std::vector<PackedMember> Members(std::vector<PackedType> types)
{
    std::vector<PackedMember> members;
    for (PackedType& type : types)
        members.push_back({std::string("m").append(std::to_string(members.size())), std::move(type), std::nullopt});
    return members;
}

TEST(HlslPacking, VectorsPackUntilTheyWouldStraddleARegister)
{
    EXPECT_EQ(HlslOffsets(Members({Vector(4), Vector(2), Vector(2)})), (Offsets{0, 16, 24}));
    EXPECT_EQ(HlslOffsets(Members({Vector(2), Vector(4), Vector(2)})), (Offsets{0, 16, 32}));
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Scalar(), Vector(2)})), (Offsets{0, 4, 8}));
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Vector(2), Scalar()})), (Offsets{0, 4, 12}));
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Scalar(), Scalar(), Vector(2)})), (Offsets{0, 4, 8, 16}));
    EXPECT_EQ(HlslOffsets(Members({Vector(3), Scalar()})), (Offsets{0, 12}));
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Vector(3)})), (Offsets{0, 4}));
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Scalar(), Vector(3)})), (Offsets{0, 4, 16}));
    EXPECT_EQ(HlslBufferSize(Members({Vector(2), Vector(4), Vector(2)})), 48u);
    EXPECT_EQ(HlslBufferSize(Members({Scalar(), Vector(3)})), 16u);
}

TEST(HlslPacking, ArrayElementsStartRegistersAndTheLastIsNotPadded)
{
    const std::vector<PackedMember> members =
        Members({Array(Scalar(), {2}), Scalar(), Array(Vector(2), {3}), Vector(2)});
    EXPECT_EQ(HlslSize(members[0].type), 20u);
    EXPECT_EQ(HlslOffsets(members), (Offsets{0, 20, 32, 72}));
    EXPECT_EQ(HlslBufferSize(members), 80u);
    // Arrays of arrays run as one: float a[2][3] is six registers, less the
    // unused tail of the last.
    EXPECT_EQ(HlslSize(Array(Scalar(), {2, 3})), 84u);
    EXPECT_EQ(hlsl::HlslArrayStride(Array(Scalar(), {2, 3}), 0), 48u);
    EXPECT_EQ(hlsl::HlslArrayStride(Array(Scalar(), {2, 3}), 1), 16u);
    // A scalar after a vector array still fills the last element's register.
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Array(Vector(3), {2}), Scalar()})), (Offsets{0, 16, 44}));
}

TEST(HlslPacking, MatricesStartRegistersAndLeaveTheirTailFree)
{
    // float3x3 column-major: 3 registers of 3.
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Matrix(3, 3), Scalar()})), (Offsets{0, 16, 60}));
    // float4x4 after a scalar, as world follows time.
    EXPECT_EQ(HlslOffsets(Members({Scalar(), Matrix(4, 4), Scalar()})), (Offsets{0, 16, 80}));
    // float2x3 column-major: 3 registers of 2, 40 bytes.
    EXPECT_EQ(HlslSize(Matrix(3, 2)), 40u);
}

TEST(HlslPacking, StructuresStartRegistersAndPushTheNextMemberToOne)
{
    const PackedType inner = Struct(Members({Vector(4), Scalar()}));
    EXPECT_EQ(hlsl::HlslElementSize(inner), 32u);
    EXPECT_EQ(HlslOffsets(Members({Scalar(), inner, Scalar()})), (Offsets{0, 16, 48}));
    const PackedType small = Struct(Members({Scalar(), Vector(4)}));
    EXPECT_EQ(HlslOffsets(small.members), (Offsets{0, 16}));
    EXPECT_EQ(HlslSize(Array(small, {2})), 64u);
}

TEST(HlslPacking, PackoffsetPlacesAMemberAndPackingContinuesAfterIt)
{
    std::vector<PackedMember> members = Members({Scalar(), Vector(4), Scalar()});
    members[1].packOffset = 80;
    EXPECT_EQ(HlslOffsets(members), (Offsets{0, 80, 96}));
}

TEST(HlslPacking, TheSceneBlockIs896Bytes)
{
    const std::vector<PackedMember> scene = Members({Scalar(), Vector(3), Matrix(4, 4), Matrix(4, 4), Matrix(4, 4),
                                                     Scalar(), Vector(3), Array(Vector(4), {42})});
    EXPECT_EQ(HlslOffsets(scene), (Offsets{0, 4, 16, 80, 144, 208, 212, 224}));
    EXPECT_EQ(HlslBufferSize(scene), 896u);
    // The reserved tail written as 171 floats is an array, which HLSL does
    // not pack: far larger.
    const std::vector<PackedMember> floats = Members({Scalar(), Vector(3), Matrix(4, 4), Matrix(4, 4), Matrix(4, 4),
                                                      Scalar(), Array(Scalar(), {171})});
    EXPECT_EQ(HlslBufferSize(floats), 224u + 171u * 16u);
}

class PackingMismatch : public hlsl_test::CompilerTest {};

TEST_F(PackingMismatch, AMemberTheCodeWouldReadElsewhereIsNamed)
{
    // glslang pads the array's last element; HLSL does not.
    Write("main.fx", "cbuffer Weights : register(b0)\n"
                     "{\n"
                     "    float weights[2];\n"
                     "    float bias;\n"
                     "};\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, weights[1] + bias); }\n");
    hlsl_test::Compiled compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_FALSE(compiled.codeBlob);
    EXPECT_EQ(compiled.messages, "main.fx(4,11): error: constant buffer 'Weights': member 'bias' is at byte 20 under "
                                 "HLSL packing, but the generated code would read it at byte 32\n");

    // Likewise after a matrix, whose last register HLSL leaves open.
    Write("main.fx", "cbuffer Basis { float3x3 basis; float scale; };\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(mul(basis, p), scale); }\n");
    compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_NE(compiled.messages.find("member 'scale' is at byte 44"), std::string::npos) << compiled.messages;

    // Inside a structure, the member is named by its path.
    Write("main.fx", "struct Light { float a[2]; float b; };\n"
                     "cbuffer Lights { float4 head; Light light; };\n"
                     "float4 vs_main() : SV_Position { return head + light.b; }\n");
    compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_NE(compiled.messages.find("member 'light.b' is at byte 20"), std::string::npos) << compiled.messages;
}

TEST_F(PackingMismatch, BuffersOfOneBasicTypeAreReadAtAnyHlslOffset)
{
    // float3 at byte 4 has no place in a std140 block; rows of vec4 hold it.
    Write("main.fx", "cbuffer Odd { float a; float3 b; float c; float2 d; float e; };\n"
                     "float4 vs_main() : SV_Position { return float4(b, a + c + d.y + e); }\n");
    const hlsl_test::Compiled compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_EQ(compiled.container->constantBuffers[0].byteSize, 32u);
    const hlsl_test::GlslReflection glsl = hlsl_test::ReflectGlsl(hlsl::ShaderStage::Vertex, compiled.container->glsl);
    ASSERT_EQ(glsl.errors, "");
    ASSERT_EQ(glsl.uniformBlocks.size(), 1u);
    EXPECT_EQ(glsl.uniformBlocks[0].second, 32);
}

TEST_F(PackingMismatch, MixedTypesMustFitAUniformBlock)
{
    // Mixed, at offsets a std140 block can hold: compiles.
    Write("main.fx", "cbuffer Mixed { float f; int i; float2 v; uint4 flags; };\n"
                     "float4 vs_main() : SV_Position { return float4(v, f + i, flags.w); }\n");
    hlsl_test::Compiled compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_EQ(hlsl_test::GlslErrors(hlsl::ShaderStage::Vertex, compiled.container->glsl), "");

    // Mixed, with an int3 where only HLSL can put it: refused at the member.
    Write("main.fx", "cbuffer Mixed\n{\n    float f;\n    int3 i;\n};\n"
                     "float4 vs_main() : SV_Position { return float4(i, f); }\n");
    compiled = hlsl_test::Compile("vs_main", "vs_4_0");
    EXPECT_EQ(compiled.hr, E_FAIL);
    EXPECT_TRUE(compiled.messages.starts_with("main.fx(4,10): error: constant buffer 'Mixed': member 'i' at byte 4 "
                                              "cannot be placed there in a GLSL uniform block"))
        << compiled.messages;
}

} // namespace
