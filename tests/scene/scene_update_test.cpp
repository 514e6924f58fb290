#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include "bits.h"

#include <gtest/gtest.h>

#include <cstring>
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
    const Vector eye = ComputeEyePosition(sceneConstants.time);
    EXPECT_EQ(Bits(eye.w), 0u);
    std::vector<std::uint32_t> bits = {Bits(sceneConstants.time), Bits(eye.x), Bits(eye.y), Bits(eye.z)};
    for (const Matrix* matrix : {&sceneConstants.view, &sceneConstants.world, &sceneConstants.projection})
        for (const auto& row : matrix->m)
            for (float element : row)
                bits.push_back(Bits(element));
    return bits;
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
    ASSERT_EQ(rows.size(), 11u);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tag + " " + std::to_string(row.frame));
        for (; frame < row.frame - (row.tag == "stop"); ++frame)
            StepScene();
        if (row.tag == "frame") {
            EXPECT_EQ(SceneBits(), row.bits);
            continue;
        }
        if (row.tag == "stop") {
            EXPECT_NE(Bits(sceneConstants.time), row.bits[0]) << "one frame before";
            StepScene();
            ++frame;
        }
        EXPECT_EQ(Bits(sceneConstants.time), row.bits[0]);
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
    const auto* bytes = reinterpret_cast<const unsigned char*>(&sceneConstants);
    EXPECT_EQ(std::vector<unsigned char>(bytes + 4, bytes + 16), std::vector<unsigned char>(12, 0));
    EXPECT_EQ(std::vector<unsigned char>(bytes + 212, bytes + 896), std::vector<unsigned char>(684, 0));

    sceneConstants.passMode = 2.0f;
    sceneConstants.reserved1[170] = 1.0f;
    ResetSceneConstants();
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 896), std::vector<unsigned char>(896, 0));
}
