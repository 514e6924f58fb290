// HLSL constant buffer packing: the offsets and sizes Direct3D's compiler
// gives, worked out by hand from its packing rules (a member never straddles
// a 16-byte register; arrays, matrices and structures start a register; an
// array's last element and a matrix's last register are not padded).

#include <gtest/gtest.h>

#include "platform/hlsl/constant_buffer_layout.h"

namespace {

using namespace hlsl;
using Kind = PackedType::Kind;
using Offsets = std::vector<std::uint64_t>;

PackedType Type(Kind kind, std::uint32_t components = 1, std::uint32_t registers = 1,
                std::vector<std::uint64_t> arraySizes = {}, std::vector<PackedMember> members = {})
{
    return {kind, 4, components, registers, std::move(arraySizes), std::move(members)};
}
PackedType Scalar() { return Type(Kind::Scalar); }
PackedType Vector(std::uint32_t components) { return Type(Kind::Vector, components); }
// `registers` registers of `components` each: a column-major floatRxC is C
// registers of R.
PackedType Matrix(std::uint32_t registers, std::uint32_t components) { return Type(Kind::Matrix, components, registers); }
PackedType Array(PackedType element, std::vector<std::uint64_t> sizes)
{
    element.arraySizes = std::move(sizes);
    return element;
}
PackedType Struct(std::vector<PackedMember> members) { return Type(Kind::Struct, 1, 1, {}, std::move(members)); }

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
    EXPECT_EQ(HlslArrayStride(Array(Scalar(), {2, 3}), 0), 48u);
    EXPECT_EQ(HlslArrayStride(Array(Scalar(), {2, 3}), 1), 16u);
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
    EXPECT_EQ(HlslElementSize(inner), 32u);
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

} // namespace
