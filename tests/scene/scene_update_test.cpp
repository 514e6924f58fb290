#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
    std::string tag;
    long frame = 0;
    std::vector<std::uint32_t> bits;
};

// From exact rational arithmetic, not from the code under test: see
// scene_bits.py, which writes the file. A bit-exact comparison also tells
// +0.0 from -0.0.
std::vector<Row> ReadExpectedFrames()
{
    std::ifstream in(FXDEMO_EXPECTED_FRAMES);
    EXPECT_TRUE(in) << FXDEMO_EXPECTED_FRAMES;
    std::vector<Row> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        Row row;
        words >> row.tag >> row.frame >> std::hex;
        for (std::uint32_t word; words >> word;)
            row.bits.push_back(word);
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::uint32_t> SceneBits()
{
    const struct {
        float time;
        Vector eye;
        Matrix view, world, projection;
    } scene = {sceneConstants.time, ComputeEyePosition(sceneConstants.time), sceneConstants.view, sceneConstants.world,
               sceneConstants.projection};
    return BitsOf(scene);
}

} // namespace

// Frame 0 is a direct update at time 0 (the camera on +z, the teapot
// unturned); the others follow from rendered frames alone, up to the frame
// from which the clock stands still.
TEST(SceneUpdate, ClockEyeAndMatricesMatchExactArithmetic)
{
    ResetSceneConstants();
    sceneConstants.passMode = 2.0f;
    UpdateScene();
    EXPECT_EQ(Bits(sceneConstants.passMode), 0u) << "an update sets pass 1's selector";
    long frame = 0;
    const std::vector<Row> rows = ReadExpectedFrames();
    ASSERT_EQ(rows.size(), 12u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tag + " " + std::to_string(row.frame));
        for (; frame < row.frame; ++frame)
            StepScene();
        const std::vector<std::uint32_t> bits = SceneBits(); // a clock row holds the time alone
        EXPECT_EQ(std::vector<std::uint32_t>(bits.begin(), bits.begin() + row.bits.size()), row.bits);
    }
    const std::vector<std::uint32_t> stopped = SceneBits();
    for (int more = 0; more < 100; ++more)
        StepScene();
    EXPECT_EQ(SceneBits(), stopped);
}

TEST(SceneUpdate, ReservedBytesStayZeroAndResetClearsEveryByte)
{
    ResetSceneConstants();
    for (int frame = 0; frame < 100; ++frame)
        StepScene();
    std::vector<std::uint32_t> words = BitsOf(sceneConstants); // 224 of them
    EXPECT_EQ(std::vector<std::uint32_t>(words.begin() + 1, words.begin() + 4), std::vector<std::uint32_t>(3, 0));
    EXPECT_EQ(std::vector<std::uint32_t>(words.begin() + 53, words.end()), std::vector<std::uint32_t>(171, 0));

    sceneConstants.passMode = 2.0f;
    sceneConstants.reserved1[170] = 1.0f;
    ResetSceneConstants();
    EXPECT_EQ(BitsOf(sceneConstants), std::vector<std::uint32_t>(224, 0));
}
