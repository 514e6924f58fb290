#include "render/render_frame.h"

#include "app/frame.h"
#include "gfx/device_objects.h"
#include "platform/d3d11/readback.h"
#include "platform/diagnostics/diagnostics.h"
#include "program_fixture.h"
#include "resources/scene_resources.h"
#include "scene/scene_constants.h"

#include <cstring>
#include <vector>

namespace {

using Render = ProgramTest;

// Pass 1 writes the selector it sees plus whatever texture slot 0 reads (it
// must read as empty: the Depth Buffer is the target); pass 2 writes its own
// selector and what it reads back from the Depth Buffer.
const char kProbeEffect[] = R"(
cbuffer SceneConstants : register(b0)
{
    float time; float3 reserved0;
    float4x4 world; float4x4 view; float4x4 projection;
    float passMode; float3 reserved1; float4 reserved2[42];
};
Texture2D depthBuffer : register(t0);
SamplerState linearWrap : register(s0);
struct VSInput { float3 position : POSITION; float3 normal : NORMAL; };
struct VSOutput { float4 position : SV_Position; };
VSOutput vs_main(VSInput input)
{
    VSOutput output;
    if (passMode > 1.0)
        output.position = float4(input.position.xy, 0.5, 1.0);
    else
        output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    return output;
}
[maxvertexcount(3)]
void gs_main(triangle VSOutput input[3], inout TriangleStream<VSOutput> stream)
{
    stream.Append(input[0]); stream.Append(input[1]); stream.Append(input[2]);
}
float4 ps_main(VSOutput input) : SV_Target
{
    float4 texel = depthBuffer.Load(int3(input.position.xy, 0));
    if (passMode < 1.0)
        return float4(passMode, 0.25, 0.5, 0.75) + texel * 10.0;
    return float4(passMode * 0.5, texel.y, texel.w, 1.0);
}
)";

struct Image {
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
};

Image Read(ID3D11Texture2D* texture)
{
    Image image;
    EXPECT_TRUE(d3d11::ReadTexels(texture, &image.bytes, &image.width, &image.height, &image.format));
    return image;
}

void FloatTexel(const Image& image, UINT x, UINT y, float out[4])
{
    std::memcpy(out, image.bytes.data() + (static_cast<size_t>(y) * image.width + x) * 16, 16);
}

} // namespace

TEST_F(Render, EachPassDrawsWithItsOwnSelectorAndPassTwoReadsPassOne)
{
    WriteEffectFile(kProbeEffect);
    ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    RunFrame();
    RunFrame();

    const Image depth = Read(pDepthTex);
    ASSERT_EQ(depth.format, DXGI_FORMAT_R32G32B32A32_FLOAT);
    ASSERT_EQ(depth.width, 1280u);
    ASSERT_EQ(depth.height, 720u);
    const Image back = Read(pBackBuffer);
    ASSERT_EQ(back.format, DXGI_FORMAT_R8G8B8A8_UNORM);

    size_t teapotTexels = 0;
    for (UINT y = 0; y < depth.height; y += 4) {
        for (UINT x = 0; x < depth.width; x += 4) {
            float texel[4];
            FloatTexel(depth, x, y, texel);
            const std::uint8_t* pixel = back.bytes.data() + (static_cast<size_t>(y) * back.width + x) * 4;
            ASSERT_EQ(pixel[0], 255) << "pass 2 saw passMode 2 at " << x << "," << y;
            if (texel[3] == 1.0f) {
                ASSERT_EQ(texel[0], 1.0f); // the clear value
                ASSERT_EQ(pixel[1], 255);
                continue;
            }
            ++teapotTexels;
            ASSERT_EQ(texel[0], 0.0f) << "pass 1 saw passMode 0";
            ASSERT_EQ(texel[1], 0.25f) << "texture slot 0 read as empty in pass 1";
            ASSERT_EQ(texel[3], 0.75f);
            ASSERT_EQ(pixel[1], 64) << "pass 2 read the Depth Buffer";
            ASSERT_EQ(pixel[2], 191);
        }
    }
    EXPECT_GT(teapotTexels, 1000u);
    float centre[4];
    FloatTexel(depth, 640, 360, centre);
    EXPECT_EQ(centre[3], 0.75f) << "the teapot covers the middle of the image";
}

TEST_F(Render, WithoutTeapotOnlyTheQuadIsDrawn)
{
    WriteEffectFile(kProbeEffect);
    diagnostics::InjectFault("D3DXCreateTeapot", 1, E_OUTOFMEMORY);
    ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    RunFrame();

    const Image depth = Read(pDepthTex);
    const Image back = Read(pBackBuffer);
    float texel[4];
    FloatTexel(depth, 640, 360, texel);
    EXPECT_EQ(texel[3], 1.0f) << "pass 1 only cleared";
    EXPECT_EQ(back.bytes[(360 * 1280 + 640) * 4 + 0], 255) << "pass 2 drew the quad";
    EXPECT_EQ(back.bytes[(360 * 1280 + 640) * 4 + 1], 255);
}

TEST_F(Render, ShippedEffectShowsTheClearColourAroundTheTeapot)
{
    StartProgram();
    RunFrame();
    const Image back = Read(pBackBuffer);
    // (0, 0.125, 0.3) in 8 bits; 0.3 * 255 sits right at 76.5, where drivers
    // differ by one.
    const std::uint8_t* corner = back.bytes.data();
    EXPECT_EQ(corner[0], 0);
    EXPECT_EQ(corner[1], 32);
    EXPECT_NEAR(corner[2], 77, 1);
    const std::uint8_t* middle = back.bytes.data() + (360 * 1280 + 640) * 4;
    EXPECT_GT(middle[0], 64) << "the teapot is lit in the middle";
}
