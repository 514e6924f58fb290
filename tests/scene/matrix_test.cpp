#include "scene/matrix.h"

#include "bits.h"

#include <gtest/gtest.h>

TEST(Normalize, DividesAllFourByTheLengthGivesNaNsOnOverflowAndZeroWithoutLength)
{
    EXPECT_EQ(BitsOf(Normalize3({3, 0, -4, 10})), BitsOf(Vector{0.6f, 0, -0.8f, 2}));
    EXPECT_EQ(BitsOf(Normalize3({1e30f, 1e30f, 0, 0})), std::vector<std::uint32_t>(4, 0x7FC00000u));
    for (const Vector& input : {Vector{0, 0, 0, 0}, Vector{-0.0f, 0, -0.0f, 5}, Vector{1e-30f, 0, 0, 0}})
        EXPECT_EQ(BitsOf(Normalize3(input)), std::vector<std::uint32_t>(4, 0u));
}

TEST(Cross, FollowsLeftHandedAxesAndDropsW)
{
    EXPECT_EQ(BitsOf(Cross3({1, 0, 0, 7}, {0, 1, 0, 9})), BitsOf(Vector{0, 0, 1, 0}));
    EXPECT_EQ(BitsOf(Cross3({2, 3, 4, 0}, {5, 6, 7, 0})), BitsOf(Vector{-3, 6, -3, 0}));
}

TEST(LookTo, AxisAlignedZeroAndParallelDirections)
{
    const Vector up{0, 1, 0, 0};
    const struct {
        Vector eye, direction;
        Matrix expected;
    } cases[] = {
        // Along +z: no rotation, the eye 10 behind the origin.
        {{0, 0, -10, 0}, {0, 0, 10, 0}, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 10, 1}}}},
        // No direction: only row 3 is left.
        {{1, 2, 3, 0}, {0, 0, 0, 0}, {{{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}}}},
        // Along up: the right and up axes vanish, column 2 is the direction.
        {{0, -3, 0, 0}, {0, 5, 0, 0}, {{{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 3, 1}}}},
    };
    for (const auto& c : cases) {
        Matrix m;
        EXPECT_EQ(LookToMatrixLH(&m, &c.eye, &c.direction, &up), &m);
        for (int i = 0; i < 16; ++i) // by value: the signs of these zeros are not documented
            EXPECT_EQ(m.m[i / 4][i % 4], c.expected.m[i / 4][i % 4]) << "element " << i << ", eye z " << c.eye.z;
    }
}

TEST(RotationY, ZeroAngleKeepsANegativeZeroAndAQuarterTurn)
{
    Matrix m;
    EXPECT_EQ(RotationYMatrix(&m, 0.0f), &m);
    EXPECT_EQ(BitsOf(m), BitsOf(Matrix{{{1, 0, -0.0f, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}));
    RotationYMatrix(&m, 3.14159265358979323846f / 2.0f);
    const float c = std::bit_cast<float>(0xB33BBD2Eu); // cos of float(pi/2) = -4.371139e-08, to float
    EXPECT_EQ(BitsOf(m), BitsOf(Matrix{{{c, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, c, 0}, {0, 0, 0, 1}}}));
}
