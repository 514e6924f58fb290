#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(SceneConstants, ResetClearsEveryByte)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&sceneConstants);
    ResetSceneConstants();
    for (int frame = 0; frame < 10; ++frame)
        StepScene();
    sceneConstants.passMode = 2.0f;
    sceneConstants.reserved0[1] = 1.0f;
    sceneConstants.reserved1[170] = 1.0f;
    ASSERT_NE(sceneConstants.time, 0.0f);

    ResetSceneConstants();
    for (std::size_t i = 0; i < 896; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(SceneConstants, IsOneAlignedBlockOf56Rows)
{
    EXPECT_EQ(sizeof(SceneConstants), 896u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&sceneConstants) % 16, 0u);
    const auto base = reinterpret_cast<const char*>(&sceneConstants);
    EXPECT_EQ(reinterpret_cast<const char*>(&sceneConstants.world) - base, 16);
    EXPECT_EQ(reinterpret_cast<const char*>(&sceneConstants.view.m[1][2]) - base, 80 + 16 + 8);
    EXPECT_EQ(reinterpret_cast<const char*>(&sceneConstants.projection.m[3][3]) - base, 144 + 60);
    EXPECT_EQ(reinterpret_cast<const char*>(&sceneConstants.passMode) - base, 208);
}
