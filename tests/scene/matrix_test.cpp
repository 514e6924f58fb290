#include "scene/matrix.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint32_t> VectorBits(const Vector& v)
{
    return {Bits(v.x), Bits(v.y), Bits(v.z), Bits(v.w)};
}

std::vector<std::uint32_t> MatrixBits(const Matrix& m)
{
    std::vector<std::uint32_t> bits;
    for (const auto& row : m.m)
        for (float element : row)
            bits.push_back(Bits(element));
    return bits;
}

std::vector<std::uint32_t> Rows(std::initializer_list<float> elements)
{
    std::vector<std::uint32_t> bits;
    for (float element : elements)
        bits.push_back(Bits(element));
    return bits;
}

} // namespace

TEST(Normalize, DividesAllFourByTheLengthGivesNaNsOnOverflowAndZeroWithoutLength)
{
    EXPECT_EQ(VectorBits(Normalize3({3, 0, -4, 10})), Rows({0.6f, 0, -0.8f, 2}));
    EXPECT_EQ(VectorBits(Normalize3({1e30f, 1e30f, 0, 0})), std::vector<std::uint32_t>(4, 0x7FC00000u));
    for (const Vector& input : {Vector{0, 0, 0, 0}, Vector{-0.0f, 0, -0.0f, 5}, Vector{1e-30f, 0, 0, 0}})
        EXPECT_EQ(VectorBits(Normalize3(input)), std::vector<std::uint32_t>(4, 0u));
}

TEST(Cross, FollowsLeftHandedAxesAndDropsW)
{
    EXPECT_EQ(VectorBits(Cross3({1, 0, 0, 7}, {0, 1, 0, 9})), Rows({0, 0, 1, 0}));
    EXPECT_EQ(VectorBits(Cross3({2, 3, 4, 0}, {5, 6, 7, 0})), Rows({-3, 6, -3, 0}));
}

TEST(LookTo, AxisAlignedZeroAndParallelDirections)
{
    const Vector up{0, 1, 0, 0};
    const struct {
        Vector eye, direction;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        // Along +z: no rotation, the eye 10 behind the origin.
        {{0, 0, -10, 0}, {0, 0, 10, 0}, Rows({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 10, 1})},
        // No direction: only row 3 is left.
        {{1, 2, 3, 0}, {0, 0, 0, 0}, Rows({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})},
        // Along up: the right and up axes vanish, column 2 is the direction.
        {{0, -3, 0, 0}, {0, 5, 0, 0}, Rows({0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 1})},
    };
    for (const auto& c : cases) {
        Matrix m;
        EXPECT_EQ(LookToMatrixLH(&m, &c.eye, &c.direction, &up), &m);
        std::vector<std::uint32_t> bits = MatrixBits(m);
        if (c.direction.z == 0) // only the values matter where a zero's sign is not documented
            for (std::uint32_t& word : bits)
                word &= word == 0x80000000u ? 0u : ~0u;
        EXPECT_EQ(bits, c.expected) << "direction " << c.direction.x << " " << c.direction.y << " " << c.direction.z;
    }
}

TEST(RotationY, ZeroAngleKeepsANegativeZeroAndAQuarterTurn)
{
    Matrix m;
    EXPECT_EQ(RotationYMatrix(&m, 0.0f), &m);
    EXPECT_EQ(MatrixBits(m), Rows({1, 0, -0.0f, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    RotationYMatrix(&m, 3.14159265358979323846f / 2.0f);
    const float cosine = FromBits(0xB33BBD2Eu); // cos of float(pi/2) = -4.371139e-08, to float
    EXPECT_EQ(MatrixBits(m), Rows({cosine, 0, -1, 0, 0, 1, 0, 0, 1, 0, cosine, 0, 0, 0, 0, 1}));
}
