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

// A texture's texels as T, four to a texel.
template <class T>
std::vector<T> Read(ID3D11Texture2D* texture)
{
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format{};
    EXPECT_TRUE(d3d11::ReadTexels(texture, &bytes, &width, &height, &format));
    EXPECT_EQ(bytes.size(), 1280u * 720u * 4u * sizeof(T));
    std::vector<T> texels(bytes.size() / sizeof(T));
    std::memcpy(texels.data(), bytes.data(), bytes.size());
    return texels;
}

// The positions the program must upload: the generated teapot's, each moved
// by three draws of the random sequence (from where it stood) scaled by
// 0.0005 in single precision, the offset rounded once to float.
std::vector<float> ExpectedPositions(const std::vector<std::int32_t>& randomState)
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

    const std::vector<std::int32_t> programState = {randomA, randomB, randomC};
    randomA = randomState[0], randomB = randomState[1], randomC = randomState[2];
    std::vector<float> positions;
    for (size_t v = 0; v < vertices.size(); v += 6)
        for (int axis = 0; axis < 3; ++axis)
            positions.push_back(vertices[v + axis] + float(double(NextRandom()) * double(0.0005f)));
    EXPECT_EQ(std::vector<std::int32_t>({randomA, randomB, randomC}), programState) << "three draws per vertex";
    return positions;
}

} // namespace

// tests/data/program/self_check.fx says what each stage checks and where it
// paints. It is loaded as a reload, so the teapot's offsets continue the
// random sequence from where the first load left it.
TEST_F(Render, EveryStageReceivesWhatTheProgramHandsIt)
{
    StartProgram();
    WriteEffectFile(ReadTestFile("tests/data/program/self_check.fx"));
    const std::vector<std::int32_t> randomState = {randomA, randomB, randomC};
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    sceneConstants.reserved1[170] = 0.75f; // the block's last float
    ASSERT_EQ(CaptureOutput(RunFrame), "");

    const std::vector<float> depth = Read<float>(pDepthTex);
    const auto texel = [&](size_t i) { return std::vector<float>(&depth[4 * i], &depth[4 * i + 4]); };
    size_t teapotTexels = 0;
    for (size_t i = 0; i < 1280 * 700; ++i)
        if (depth[4 * i + 3] == 0.25f) {
            ++teapotTexels;
            ASSERT_EQ(texel(i), std::vector<float>({1, 1, 1, 0.25f}))
                << "vertex, geometry, pixel stage checks at " << i % 1280 << "," << i / 1280;
        }
    EXPECT_GT(teapotTexels, 10000u);

    const std::vector<float> near = {0, 1, 0, 1}, far = {0, 0, 1, 1};
    EXPECT_EQ(texel(24 * 1280 + 24), near) << "a near square drawn after a far one covers it";
    EXPECT_EQ(texel(24 * 1280 + 64), near) << "a far square drawn after a near one stays behind it";
    EXPECT_EQ(texel(24 * 1280 + 104), far) << "a far square alone passes the depth test";

    const std::vector<float> expected = ExpectedPositions(randomState);
    ASSERT_EQ(expected.size(), 3u * meshBuffers.vertexCount);
    size_t seen = 0;
    for (size_t i = 0; i < meshBuffers.vertexCount; ++i) {
        const std::vector<float> position = texel(700 * 1280 + i);
        if (position[3] != 0.5f)
            continue; // a vertex no triangle uses
        ++seen;
        ASSERT_EQ(std::vector<float>(position.begin(), position.begin() + 3),
                  std::vector<float>(&expected[3 * i], &expected[3 * i + 3]))
            << "vertex " << i;
    }
    EXPECT_GT(seen, meshBuffers.vertexCount * 9 / 10);

    const std::vector<std::uint8_t> back = Read<std::uint8_t>(pBackBuffer);
    for (size_t i = 0; i < 1280 * 720; ++i)
        ASSERT_EQ(std::vector<int>(&back[4 * i], &back[4 * i + 3]), std::vector<int>({0, 255, 0}))
            << "pass 2 read the Depth Buffer through a wrapping sampler at " << i % 1280 << "," << i / 1280;
}
