#include "render/render_frame.h"

#include "app/frame.h"
#include "gfx/device_objects.h"
#include "platform/d3d11/readback.h"
#include "program_fixture.h"
#include "resources/scene_resources.h"
#include "resources/teapot_mesh.h"
#include "scene/random.h"
#include "scene/scene_constants.h"

#include <cstring>
#include <vector>

namespace {

using Render = ProgramTest;

struct Image {
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;

    explicit Image(ID3D11Texture2D* texture)
    {
        EXPECT_TRUE(d3d11::ReadTexels(texture, &bytes, &width, &height, &format));
        EXPECT_EQ(width * height, 1280u * 720u);
    }
    const std::uint8_t* Pixel(UINT x, UINT y) const { return bytes.data() + (size_t(y) * width + x) * 4; }
    std::vector<float> Texel(UINT x, UINT y) const
    {
        std::vector<float> texel(4);
        std::memcpy(texel.data(), bytes.data() + (size_t(y) * width + x) * 16, 16);
        return texel;
    }
};

// The positions the program must upload: the generated teapot's, each moved
// by three draws of the random sequence scaled by 0.0005 in single precision,
// the offset rounded once to float.
std::vector<float> ExpectedPositions(const std::int32_t (&randomState)[3])
{
    ID3DXMesh* teapot = nullptr;
    D3DXCreateTeapot(pD3D9Device, &teapot, nullptr);
    EXPECT_NE(teapot, nullptr);
    std::vector<float> vertices(teapot->GetNumVertices() * 6);
    void* data = nullptr;
    EXPECT_EQ(teapot->LockVertexBuffer(D3DLOCK_READONLY, &data), 0);
    std::memcpy(vertices.data(), data, vertices.size() * sizeof(float));
    teapot->UnlockVertexBuffer();
    teapot->Release();

    const std::int32_t saved[3] = {randomA, randomB, randomC};
    randomA = randomState[0], randomB = randomState[1], randomC = randomState[2];
    std::vector<float> positions;
    for (size_t v = 0; v < vertices.size(); v += 6)
        for (int axis = 0; axis < 3; ++axis)
            positions.push_back(vertices[v + axis] + float(double(NextRandom()) * double(0.0005f)));
    randomA = saved[0], randomB = saved[1], randomC = saved[2];
    return positions;
}

} // namespace

// tests/data/program/self_check.fx says what each stage checks and where it
// paints.
TEST_F(Render, EveryStageReceivesWhatTheProgramHandsIt)
{
    WriteEffectFile(ReadTestFile("tests/data/program/self_check.fx"));
    ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    const std::int32_t randomState[3] = {randomA, randomB, randomC};
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    sceneConstants.reserved1[170] = 0.75f; // the block's last float
    ASSERT_EQ(CaptureOutput(RunFrame), "");

    const Image depth(pDepthTex);
    ASSERT_EQ(depth.format, DXGI_FORMAT_R32G32B32A32_FLOAT);
    size_t teapotTexels = 0;
    for (UINT y = 0; y < 700; ++y)
        for (UINT x = 0; x < 1280; ++x) {
            const std::vector<float> texel = depth.Texel(x, y);
            if (texel[3] != 0.25f)
                continue;
            ++teapotTexels;
            ASSERT_EQ(texel, std::vector<float>({1, 1, 1, 0.25f}))
                << "vertex, geometry, pixel stage check at " << x << "," << y;
        }
    EXPECT_GT(teapotTexels, 10000u);

    const std::vector<float> near = {0, 1, 0, 1}, far = {0, 0, 1, 1};
    EXPECT_EQ(depth.Texel(24, 24), near) << "a near square drawn after a far one covers it";
    EXPECT_EQ(depth.Texel(64, 24), near) << "a far square drawn after a near one stays behind it";
    EXPECT_EQ(depth.Texel(104, 24), far) << "a far square alone passes the depth test";

    const std::vector<float> expected = ExpectedPositions(randomState);
    ASSERT_EQ(expected.size(), 3u * meshBuffers.vertexCount);
    size_t seen = 0;
    for (UINT i = 0; i < meshBuffers.vertexCount; ++i) {
        const std::vector<float> texel = depth.Texel(i % 1280, 700 + i / 1280);
        if (texel[3] != 0.5f)
            continue; // a vertex no triangle uses
        ++seen;
        ASSERT_EQ(std::vector<float>(texel.begin(), texel.begin() + 3),
                  std::vector<float>(expected.begin() + 3 * i, expected.begin() + 3 * i + 3))
            << "vertex " << i;
    }
    EXPECT_GT(seen, meshBuffers.vertexCount * 9 / 10);

    const Image back(pBackBuffer);
    for (UINT y = 0; y < 720; ++y)
        for (UINT x = 0; x < 1280; ++x)
            ASSERT_EQ(std::vector<int>(back.Pixel(x, y), back.Pixel(x, y) + 3), std::vector<int>({0, 255, 0}))
                << "pass 2 read the Depth Buffer through a wrapping sampler at " << x << "," << y;
}

TEST_F(Render, ShippedEffectShowsTheClearColourAroundTheTeapot)
{
    StartProgram();
    RunFrame();
    const Image back(pBackBuffer);
    // (0, 0.125, 0.3) in 8 bits; 0.3 * 255 sits right at 76.5, where drivers
    // differ by one.
    EXPECT_EQ(back.Pixel(0, 0)[0], 0);
    EXPECT_EQ(back.Pixel(0, 0)[1], 32);
    EXPECT_NEAR(back.Pixel(0, 0)[2], 77, 1);
    EXPECT_GT(back.Pixel(640, 360)[0], 64) << "the teapot is lit in the middle";
}
