#include "scene/matrix.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectMatrixBits(const Matrix& actual, const float (&expected)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(Bits(actual.m[i][j]), Bits(expected[i][j])) << "element (" << i << ", " << j << ")";
}

void ExpectMatrixValues(const Matrix& actual, const float (&expected)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(actual.m[i][j], expected[i][j]) << "element (" << i << ", " << j << ")";
}

Vector Transform(const Vector& p, const Matrix& m)
{
    Vector r{};
    float* out[4] = {&r.x, &r.y, &r.z, &r.w};
    const float in[4] = {p.x, p.y, p.z, p.w};
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            *out[j] += in[i] * m.m[i][j];
    return r;
}

} // namespace

TEST(Normalize, OverflowingLengthGivesQuietNaNs)
{
    const Vector v = Normalize3({1e30f, 1e30f, 0.0f, 0.0f});
    for (float component : {v.x, v.y, v.z, v.w})
        EXPECT_EQ(Bits(component), 0x7FC00000u);
}

TEST(Normalize, ZeroLengthGivesZeroVector)
{
    for (const Vector& input : {Vector{0, 0, 0, 0}, Vector{-0.0f, 0, -0.0f, 5}, Vector{1e-30f, 0, 0, 0}}) {
        const Vector v = Normalize3(input);
        for (float component : {v.x, v.y, v.z, v.w})
            EXPECT_EQ(Bits(component), 0u);
    }
}

TEST(Normalize, DividesAllFourComponentsByLength)
{
    const Vector v = Normalize3({3.0f, 0.0f, -4.0f, 10.0f});
    EXPECT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, -0.8f);
    EXPECT_EQ(v.w, 2.0f);
}

TEST(Cross, FollowsLeftHandedAxesAndDropsW)
{
    const Vector c = Cross3({1, 0, 0, 7}, {0, 1, 0, 9});
    EXPECT_EQ(c.x, 0.0f);
    EXPECT_EQ(c.y, 0.0f);
    EXPECT_EQ(c.z, 1.0f);
    EXPECT_EQ(Bits(c.w), 0u);
    const Vector d = Cross3({2, 3, 4, 0}, {5, 6, 7, 0});
    EXPECT_EQ(d.x, -3.0f);
    EXPECT_EQ(d.y, 6.0f);
    EXPECT_EQ(d.z, -3.0f);
}

TEST(LookTo, AxisAlignedCameraGivesIdentityRotation)
{
    const Vector eye{0, 0, -10, 0}, direction{0, 0, 10, 0}, up{0, 1, 0, 0};
    Matrix m;
    EXPECT_EQ(LookToMatrixLH(&m, &eye, &direction, &up), &m);
    ExpectMatrixBits(m, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 10, 1}});
}

TEST(LookTo, ZeroDirectionLeavesOnlyRowThree)
{
    const Vector eye{1, 2, 3, 0}, direction{0, 0, 0, 0}, up{0, 1, 0, 0};
    Matrix m;
    LookToMatrixLH(&m, &eye, &direction, &up);
    ExpectMatrixValues(m, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 1}});
}

TEST(LookTo, DirectionParallelToUpZeroesRightAndUpAxes)
{
    const Vector eye{0, -3, 0, 0}, direction{0, 5, 0, 0}, up{0, 1, 0, 0};
    Matrix m;
    LookToMatrixLH(&m, &eye, &direction, &up);
    // Column 0 is r0, column 1 is r1, column 2 the normalised direction.
    ExpectMatrixValues(m, {{0, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 3, 1}});
}

TEST(LookTo, MapsEyeToOriginAndTargetOntoViewAxis)
{
    const Vector eye{3, 4, -12, 0}, direction{-3, -4, 12, 0}, up{0, 1, 0, 0};
    Matrix m;
    LookToMatrixLH(&m, &eye, &direction, &up);
    const Vector eyeInView = Transform({eye.x, eye.y, eye.z, 1}, m);
    EXPECT_NEAR(eyeInView.x, 0.0f, 1e-5f);
    EXPECT_NEAR(eyeInView.y, 0.0f, 1e-5f);
    EXPECT_NEAR(eyeInView.z, 0.0f, 1e-5f);
    const Vector target = Transform({0, 0, 0, 1}, m);
    EXPECT_NEAR(target.x, 0.0f, 1e-5f);
    EXPECT_NEAR(target.y, 0.0f, 1e-5f);
    EXPECT_NEAR(target.z, 13.0f, 1e-5f);
    // Up in the world stays up on screen.
    EXPECT_GT(Transform({0, 1, 0, 0}, m).y, 0.0f);
}

TEST(Perspective, ConstantsAreBitExact)
{
    Matrix m;
    EXPECT_EQ(PerspectiveFovMatrixLH(&m, 3.14159265358979323846f / 4.0f, 1.25, 0.01, 100.0), &m);
    EXPECT_EQ(Bits(m.m[1][1]), 0x401A8279u); // yScale ~ 2.4142134
    EXPECT_EQ(Bits(m.m[0][0]), 0x3FF73728u); // xScale ~ 1.9313707
    EXPECT_EQ(Bits(m.m[2][2]), 0x3F800347u); // zScale 1.0001000165939331
    EXPECT_EQ(Bits(m.m[3][2]), 0xBC23DB3Cu); // zOffset -0.010001000016927719
    EXPECT_EQ(m.m[2][3], 1.0f);
    EXPECT_EQ(m.m[3][3], 0.0f);
    const int zeros[][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 0}, {1, 2}, {1, 3}, {2, 0}, {2, 1}, {3, 0}, {3, 1}};
    for (const auto& at : zeros)
        EXPECT_EQ(Bits(m.m[at[0]][at[1]]), 0u);
}

TEST(Perspective, MapsNearAndFarPlanesToZeroAndOne)
{
    Matrix m;
    PerspectiveFovMatrixLH(&m, 3.14159265358979323846f / 4.0f, 1.25, 0.01, 100.0);
    const Vector nearPoint = Transform({0, 0, 0.01f, 1}, m);
    const Vector farPoint = Transform({0, 0, 100, 1}, m);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-5f);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-5f);
}

TEST(RotationY, ZeroAngleIsIdentityWithNegativeZero)
{
    Matrix m;
    EXPECT_EQ(RotationYMatrix(&m, 0.0f), &m);
    ExpectMatrixBits(m, {{1, 0, -0.0f, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
}

TEST(RotationY, QuarterTurn)
{
    Matrix m;
    RotationYMatrix(&m, 3.14159265358979323846f / 2.0f);
    const float cosine = FromBits(0xB33BBD2Eu); // cos of float(pi/2), about -4.37e-8
    ExpectMatrixBits(m, {{cosine, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, cosine, 0}, {0, 0, 0, 1}});
}
