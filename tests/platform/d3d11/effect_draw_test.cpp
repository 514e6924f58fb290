// Shaders compiled from HLSL fixtures and drawn through the layer, checked
// by their pixels: blur kernels whose texture offsets come from loop
// counters read the neighbours Direct3D reads, and resources the program
// never binds follow Direct3D's rule for unbound slots (reads give zero,
// writes are dropped), while each element of an array of textures reads the
// slot it is bound to.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <algorithm>
#include <string>

namespace d3d11_test {
namespace {

constexpr UINT kSize = 16;

class EffectDrawTest : public D3D11Test {
protected:
    // A kSize x kSize target, the fixture's vs_main over all of it, and the
    // point sampler at s0.
    void Prepare(const std::string& fixture, DXGI_FORMAT format)
    {
        const Code vertexCode = Compile("hlsl/" + fixture, "vs_main");
        ASSERT_FALSE(vertexCode.empty());
        colourVS_ = MakeVertexShader(vertexCode);
        layout_ = MakeLayout(vertexCode);
        target_ = MakeTexture(format, D3D11_BIND_RENDER_TARGET, kSize, kSize);
        targetView_ = MakeTargetView(target_.get());
        BindVertices(Rectangle(-1, 1, 1, -1, 0.5f));
        context_->IASetInputLayout(layout_.get());
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context_->VSSetShader(colourVS_.get(), nullptr, 0);
        context_->OMSetRenderTargets(1, targetView_.address(), nullptr);
        context_->PSSetSamplers(0, 1, MakeSampler().address()); // the context keeps it
        SetViewport(kSize, kSize);
    }

    // Clears the target to (0.5, 0.5, 0.5, 0.5) and draws with the entry point.
    void Draw(const std::string& fixture, const char* entry, const char* profile)
    {
        const Code code = Compile("hlsl/" + fixture, entry, profile);
        Owned<ID3D11PixelShader> pixelShader = MakePixelShader(code);
        ASSERT_TRUE(pixelShader.get());
        const float grey[4] = {0.5f, 0.5f, 0.5f, 0.5f};
        context_->ClearRenderTargetView(targetView_.get(), grey);
        context_->PSSetShader(pixelShader.get(), nullptr, 0);
        context_->Draw(6, 0);
    }

    // A float texture with the given texels, row by row, bound nowhere yet.
    Owned<ID3D11ShaderResourceView> TextureView(UINT width, UINT height, const std::vector<Texel>& texels)
    {
        Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_SHADER_RESOURCE,
                                                     width, height, texels.data(), width * sizeof(Texel));
        return MakeShaderView(texture.get());
    }

    void TearDown() override
    {
        targetView_.Reset();
        target_.Reset();
        D3D11Test::TearDown();
    }

    Owned<ID3D11Texture2D> target_;
    Owned<ID3D11RenderTargetView> targetView_;
};

// ---- Texture offsets from loop counters ----------------------------------------------

float Clamped(int coordinate)
{
    return static_cast<float>(std::clamp(coordinate, 0, static_cast<int>(kSize) - 1));
}

TEST_F(EffectDrawTest, LoopCounterOffsetsReadTheNeighbouringTexels)
{
    Prepare("offsets/blur_draw.fx", DXGI_FORMAT_R32G32B32A32_FLOAT);
    std::vector<Texel> texels;
    for (UINT y = 0; y < kSize; ++y)
        for (UINT x = 0; x < kSize; ++x)
            texels.push_back({static_cast<float>(x), static_cast<float>(y), 0, 1});
    Owned<ID3D11ShaderResourceView> source = TextureView(kSize, kSize, texels);
    context_->PSSetShaderResources(0, 1, source.address());

    const std::pair<int, int> probes[] = {{0, 0}, {1, 7}, {8, 3}, {14, 15}, {15, 9}};

    Draw("offsets/blur_draw.fx", "row3", "ps_4_0");
    for (const auto& [x, y] : probes) {
        SCOPED_TRACE("row3 at " + std::to_string(x) + "," + std::to_string(y));
        const float red = Clamped(x - 1) + Clamped(x) + Clamped(x + 1);
        EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), x, y), {red, 3.0f * static_cast<float>(y), 0, 3}));
    }

    Draw("offsets/blur_draw.fx", "box3x3", "ps_4_0");
    for (const auto& [x, y] : probes) {
        SCOPED_TRACE("box3x3 at " + std::to_string(x) + "," + std::to_string(y));
        const float red = 3 * (Clamped(x - 1) + Clamped(x) + Clamped(x + 1));
        const float green = 3 * (Clamped(y - 1) + Clamped(y) + Clamped(y + 1));
        EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), x, y), {red, green, 0, 9}));
    }

    // Load does not clamp: probe only where all three texels exist.
    Draw("offsets/blur_draw.fx", "loadLeft", "ps_4_0");
    for (const auto& [x, y] : probes) {
        if (x < 2)
            continue;
        SCOPED_TRACE("loadLeft at " + std::to_string(x) + "," + std::to_string(y));
        const float red = static_cast<float>(3 * x - 3);
        EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), x, y), {red, 3.0f * static_cast<float>(y), 0, 3}));
    }
}

// ---- Unbound resources ----------------------------------------------------------------

const Texel kGreen = {0, 1, 0, 1};

TEST_F(EffectDrawTest, UnboundBuffersAndReadWriteResourcesReadZero)
{
    Prepare("unbound/resources.fx", DXGI_FORMAT_R8G8B8A8_UNORM);
    for (const char* entry : {"structured", "byteAddress", "typedBuffer", "tbufferRead", "readWrite", "moreReadWrite"}) {
        SCOPED_TRACE(entry);
        Draw("unbound/resources.fx", entry, "ps_5_0");
        for (const auto& [x, y] : {std::pair<UINT, UINT>{0, 0}, {5, 3}, {15, 15}})
            EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), x, y), kGreen)) << x << "," << y;
    }
}

TEST_F(EffectDrawTest, WritesToUnboundReadWriteResourcesAreDropped)
{
    Prepare("unbound/resources.fx", DXGI_FORMAT_R8G8B8A8_UNORM);
    Draw("unbound/resources.fx", "writeOnly", "ps_5_0");
    ASSERT_TRUE(TexelEq(ReadTexel(target_.get(), 4, 4), kGreen));
    // A later draw reads back what the first one wrote: nothing.
    Draw("unbound/resources.fx", "readWrite", "ps_5_0");
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 4, 4), kGreen));
}

TEST_F(EffectDrawTest, TexturesAfterBuffersKeepDirect3DsSlots)
{
    // items, raw and typed hold t0 to t2; `plain` is t3. Textures bound at
    // the buffers' slots must not be read through them.
    Prepare("unbound/resources.fx", DXGI_FORMAT_R32G32B32A32_FLOAT);
    Owned<ID3D11ShaderResourceView> wrong = TextureView(1, 1, {{9, 9, 9, 9}});
    Owned<ID3D11ShaderResourceView> plain = TextureView(1, 1, {{0.25f, 0.5f, 0.75f, 1}});
    ID3D11ShaderResourceView* views[4] = {wrong.get(), wrong.get(), wrong.get(), plain.get()};
    context_->PSSetShaderResources(0, 4, views);
    Draw("unbound/resources.fx", "textureAfterBuffers", "ps_5_0");
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 7, 7), {0.25f, 0.5f, 0.75f, 1}));

    // The tbuffer Lights holds t0, `plain` t1; Lights reads zero.
    ID3D11ShaderResourceView* afterTbuffer[2] = {wrong.get(), plain.get()};
    context_->PSSetShaderResources(0, 2, afterTbuffer);
    Draw("unbound/resources.fx", "textureAfterTbuffer", "ps_5_0");
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 7, 7), {0.25f, 0.5f, 0.75f, 1}));
}

TEST_F(EffectDrawTest, EachTextureArrayElementReadsItsOwnSlot)
{
    Prepare("unbound/texture_array.fx", DXGI_FORMAT_R32G32B32A32_FLOAT);
    Owned<ID3D11ShaderResourceView> a = TextureView(1, 1, {{0.4f, 0, 0, 1}});
    Owned<ID3D11ShaderResourceView> b = TextureView(1, 1, {{0.2f, 0, 0, 1}});
    Owned<ID3D11ShaderResourceView> c = TextureView(1, 1, {{0.6f, 0, 0, 1}});

    // `first` at t0, layers[0..2] at t1..t3; t2 left empty.
    ID3D11ShaderResourceView* views[4] = {a.get(), b.get(), nullptr, c.get()};
    context_->PSSetShaderResources(0, 4, views);
    Draw("unbound/texture_array.fx", "elements", "ps_4_0");
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 3, 3), {0.2f, 0, 0.6f, 0.4f}));

    // Without `first`, layers[0..2] are t0..t2: 1 * 0.4 + 2 * 0.2 + 3 * 0 (t2 empty).
    ID3D11ShaderResourceView* shifted[4] = {a.get(), b.get(), nullptr, nullptr};
    context_->PSSetShaderResources(0, 4, shifted);
    Draw("unbound/texture_array.fx", "weightedSum", "ps_4_0");
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 3, 3), {0.8f, 0, 0, 1}));
}

} // namespace
} // namespace d3d11_test
