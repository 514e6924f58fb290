// Rules Direct3D 11 states where GL leaves the choice to the driver, checked
// on the pixels and depth values they produce.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <cmath>
#include <limits>

namespace d3d11_test {
namespace {

class RulesTest : public D3D11Test {
protected:
    // Binds vs_main and the pixel entry point of rules.fx over the viewport's strip,
    // with b0 of the pixel stage holding `values`.
    void BindRules(const std::string& pixelEntry)
    {
        BindStages(Compile("d3d11/rules.fx", "vs_main"), Compile("d3d11/rules.fx", pixelEntry));
        BindStrip();
        constants_ = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, 16, nullptr);
        context_->PSSetConstantBuffers(0, 1, constants_.address());
    }

    void SetValues(float x, float y = 0, float z = 0, float w = 0)
    {
        const float values[4] = {x, y, z, w};
        context_->UpdateSubresource(constants_.get(), 0, nullptr, values, 0, 0);
    }
};

TEST_F(RulesTest, WrittenDepthIsClampedToTheViewportAndNanBecomesItsMinimum)
{
    BindTarget({0, 0, 1, 1}, 8, 8);
    Owned<ID3D11Texture2D> depth = MakeTexture(DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL, 8, 8);
    Owned<ID3D11DepthStencilView> view;
    ASSERT_EQ(device_->CreateDepthStencilView(depth.get(), nullptr, view.out()), S_OK);
    context_->OMSetRenderTargets(1, target_.rtv.address(), view.get());
    const D3D11_VIEWPORT viewport = {0, 0, 8, 8, 0.25f, 0.75f};
    context_->RSSetViewports(1, &viewport);
    BindRules("ps_depth");

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    // (written, stored): depth cleared to 1 before each draw, test LESS.
    const std::pair<float, float> cases[] = {
        {0.5f, 0.5f}, {nan, 0.25f}, {-nan, 0.25f}, {2.0f, 0.75f}, {infinity, 0.75f}, {-1.0f, 0.25f}, {-infinity, 0.25f},
    };
    for (const auto& [written, stored] : cases) {
        context_->ClearDepthStencilView(view.get(), D3D11_CLEAR_DEPTH, 1.0f, 0);
        SetValues(written);
        context_->Draw(4, 0);
        EXPECT_EQ(ReadTexel(depth.get(), 3, 4)[0], stored) << "written " << written;
    }
}

TEST_F(RulesTest, TheLastStageBeforeTheRasterizerClipsByEveryDistanceItWritesAndOnlyByThose)
{
    // 8 x 8 pixels: centres at NDC (i + 0.5) / 4 - 1, none on an axis.
    const Texel blue{0, 0, 1, 1}, green{0, 1, 0, 1};
    BindTarget(blue, 8, 8);
    const Code vertexClip = Compile("d3d11/rules.fx", "vs_clip");
    const Code plain = Compile("d3d11/rules.fx", "vs_main");
    const Code pixel = Compile("d3d11/rules.fx", "ps_green");
    const Code geometryClip = Compile("d3d11/rules.fx", "gs_clip");
    const Code geometryThrough = Compile("d3d11/rules.fx", "gs_clip_through");
    BindStrip();
    // (stages, which pixels are drawn), in an order that turns distances on
    // and off again.
    struct Case {
        const char* name;
        const Code* vertex;
        const Code* geometry;
        bool (*drawn)(UINT x, UINT y);
    };
    const Case cases[] = {
        {"vertex x, y", &vertexClip, nullptr, [](UINT x, UINT y) { return x >= 4 && y < 4; }},
        {"no distances", &plain, nullptr, [](UINT, UINT) { return true; }},
        {"geometry -x", &plain, &geometryClip, [](UINT x, UINT) { return x < 4; }},
        {"vertex x, y again", &vertexClip, nullptr, [](UINT x, UINT y) { return x >= 4 && y < 4; }},
        {"vertex x, y under a geometry stage", &vertexClip, &geometryClip, [](UINT x, UINT) { return x < 4; }},
        {"vertex x, y read by a geometry stage that writes y, -x", &vertexClip, &geometryThrough,
         [](UINT x, UINT y) { return x < 4 && y < 4; }},
        {"vertex x, y alone after it", &vertexClip, nullptr, [](UINT x, UINT y) { return x >= 4 && y < 4; }},
    };
    for (const Case& c : cases) {
        BindStages(*c.vertex, pixel, c.geometry ? *c.geometry : Code());
        const FLOAT clear[4] = {0, 0, 1, 1};
        context_->ClearRenderTargetView(target_.rtv.get(), clear);
        context_->Draw(4, 0);
        for (UINT y = 0; y < 8; ++y)
            for (UINT x = 0; x < 8; ++x)
                EXPECT_TRUE(TexelEq(At(x, y), c.drawn(x, y) ? green : blue)) << c.name << " at " << x << ", " << y;
    }
}

} // namespace
} // namespace d3d11_test
