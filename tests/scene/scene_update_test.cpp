#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

class SceneUpdate : public ::testing::Test {
protected:
    void SetUp() override { ResetSceneConstants(); }
};

void ExpectMatrixBits(const Matrix& actual, const float (&expected)[4][4])
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_EQ(Bits(actual.m[i][j]), Bits(expected[i][j])) << "element (" << i << ", " << j << ")";
}

} // namespace

TEST_F(SceneUpdate, ClockAccumulatesRoundedFixedSteps)
{
    StepScene();
    EXPECT_EQ(Bits(sceneConstants.time), Bits(0.01666666567325592f));
    for (int frame = 1; frame < 1000; ++frame)
        StepScene();
    EXPECT_EQ(Bits(sceneConstants.time), Bits(16.666584014892578f));
    for (int frame = 1000; frame < 1000000; ++frame)
        StepScene();
    EXPECT_EQ(Bits(sceneConstants.time), Bits(16626.29296875f));
}

TEST_F(SceneUpdate, ClockStopsAt524288FromFrame24986955)
{
    constexpr int kStopFrame = 24986955;
    for (int frame = 1; frame < kStopFrame; ++frame)
        StepScene();
    EXPECT_LT(sceneConstants.time, 524288.0f);
    StepScene();
    EXPECT_EQ(sceneConstants.time, 524288.0f);
    const Matrix view = sceneConstants.view;
    const Matrix world = sceneConstants.world;
    for (int frame = 0; frame < 100; ++frame)
        StepScene();
    EXPECT_EQ(sceneConstants.time, 524288.0f);
    EXPECT_EQ(std::memcmp(&view, &sceneConstants.view, sizeof view), 0);
    EXPECT_EQ(std::memcmp(&world, &sceneConstants.world, sizeof world), 0);
}

TEST_F(SceneUpdate, AtTimeZeroCameraSitsOnPositiveZ)
{
    sceneConstants.passMode = 2.0f;
    UpdateScene();
    EXPECT_EQ(Bits(sceneConstants.time), 0u);
    ExpectMatrixBits(sceneConstants.view, {{-1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, -1, 0}, {0, 0, 10, 1}});
    ExpectMatrixBits(sceneConstants.world, {{1, 0, -0.0f, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    EXPECT_EQ(Bits(sceneConstants.passMode), 0u);
}

TEST_F(SceneUpdate, ProjectionIsBitIdenticalEveryFrame)
{
    StepScene();
    const Matrix first = sceneConstants.projection;
    EXPECT_EQ(Bits(first.m[2][2]), 0x3F800347u);
    EXPECT_EQ(Bits(first.m[3][2]), 0xBC23DB3Cu);
    for (int frame = 0; frame < 5000; ++frame) {
        StepScene();
        ASSERT_EQ(std::memcmp(&first, &sceneConstants.projection, sizeof first), 0) << "frame " << frame;
    }
}

TEST_F(SceneUpdate, CameraStaysOnItsSphereAndTeapotTurns)
{
    for (int frame = 0; frame < 600; ++frame)
        StepScene();
    // Rows 0 to 2 of the view hold an orthonormal basis; row 3 puts the
    // origin at the eye's distance along the view axis, within 10 units.
    const Matrix& v = sceneConstants.view;
    EXPECT_NEAR(v.m[3][0], 0.0f, 1e-4f);
    EXPECT_NEAR(v.m[3][1], 0.0f, 1e-4f);
    EXPECT_GT(v.m[3][2], 0.0f);
    EXPECT_LE(v.m[3][2], 17.33f);
    // After ten seconds the teapot has turned by 3 radians about y.
    const float t = sceneConstants.time;
    EXPECT_NEAR(sceneConstants.world.m[0][0], std::cos(0.3f * t), 1e-6f);
    EXPECT_NEAR(sceneConstants.world.m[2][0], std::sin(0.3f * t), 1e-6f);
}

TEST_F(SceneUpdate, ReservedBytesStayZero)
{
    for (int frame = 0; frame < 100; ++frame)
        StepScene();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&sceneConstants);
    for (std::size_t i = 4; i < 16; ++i)
        EXPECT_EQ(bytes[i], 0) << "byte " << i;
    for (std::size_t i = 212; i < sizeof(SceneConstants); ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}
