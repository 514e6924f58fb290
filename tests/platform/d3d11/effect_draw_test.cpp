// Shaders compiled from HLSL fixtures and drawn through the layer, checked
// by their pixels: resources the program never binds follow Direct3D's rule
// for unbound slots (reads give zero, writes are dropped), while textures
// after buffers, and each element of an array of textures, read the slot
// they are bound to.
#include "tests/platform/d3d11/d3d11_fixture.h"


namespace d3d11_test {
namespace {

constexpr UINT kSize = 16;
const Texel kGreen = {0, 1, 0, 1};

class EffectDrawTest : public D3D11Test {
protected:
    // A kSize x kSize target, the strip over it and the point sampler at s0.
    void Prepare(const std::string& fixture)
    {
        file_ = "hlsl/" + fixture;
        BindTarget({0, 0, 0, 0}, kSize, kSize);
        BindStrip();
        context_->PSSetSamplers(0, 1, MakeSampler().address());
    }

    // Clears the target to (0.5, 0.5, 0.5, 0.5) and draws with vs_main and the entry point.
    void Draw(const char* entry, const char* profile)
    {
        BindStages(Compile(file_, "vs_main"), Compile(file_, entry, profile));
        const Texel grey = {0.5f, 0.5f, 0.5f, 0.5f};
        context_->ClearRenderTargetView(target_.rtv.get(), grey.data());
        context_->Draw(4, 0);
    }

    // Binds float textures of one texel each from t0 on; alpha -1 leaves the slot empty.
    void BindTexels(const std::vector<Texel>& texels)
    {
        std::vector<Owned<ID3D11ShaderResourceView>> views;
        std::vector<ID3D11ShaderResourceView*> slots;
        for (const Texel& texel : texels) {
            Owned<ID3D11Texture2D> texture =
                MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_SHADER_RESOURCE, 1, 1, texel.data(), 16);
            views.push_back(texel[3] < 0 ? Owned<ID3D11ShaderResourceView>() : MakeShaderView(texture.get()));
            slots.push_back(views.back().get());
        }
        context_->PSSetShaderResources(0, static_cast<UINT>(slots.size()), slots.data());
    }

    std::string file_;
};

TEST_F(EffectDrawTest, UnboundResourcesReadZeroAndDropWritesWhileBoundTexturesReadTheirOwnSlots)
{
    Prepare("unbound/resources.fx");
    // writeOnly writes; readWrite, drawn after it, reads back nothing.
    for (const char* entry :
         {"structured", "byteAddress", "typedBuffer", "tbufferRead", "readWrite", "moreReadWrite", "writeOnly", "readWrite"}) {
        Draw(entry, "ps_5_0");
        for (const auto& [x, y] : {std::pair<UINT, UINT>{0, 0}, {5, 3}, {15, 15}})
            EXPECT_TRUE(TexelEq(At(x, y), kGreen)) << entry << " at " << x << "," << y;
    }

    // items, raw and typed hold t0 to t2; `plain` is t3. Textures bound at
    // the buffers' slots must not be read through them.
    const Texel wrong = {9, 9, 9, 9}, plain = {0.25f, 0.5f, 0.75f, 1};
    BindTexels({wrong, wrong, wrong, plain});
    Draw("textureAfterBuffers", "ps_5_0");
    EXPECT_TRUE(TexelEq(At(7, 7), plain));

    // The tbuffer Lights holds t0, `plain` t1; Lights reads zero.
    BindTexels({wrong, plain});
    Draw("textureAfterTbuffer", "ps_5_0");
    EXPECT_TRUE(TexelEq(At(7, 7), plain));

    Prepare("unbound/texture_array.fx");
    const Texel a = {0.4f, 0, 0, 1}, b = {0.2f, 0, 0, 1}, c = {0.6f, 0, 0, 1}, none = {0, 0, 0, -1};
    // `first` at t0, layers[0..2] at t1..t3; t2 left empty.
    BindTexels({a, b, none, c});
    Draw("elements", "ps_4_0");
    EXPECT_TRUE(TexelEq(At(3, 3), {0.2f, 0, 0.6f, 0.4f}));

    // Without `first`, layers[0..2] are t0..t2: 1 * 0.4 + 2 * 0.2 + 3 * 0 (t2 empty).
    BindTexels({a, b, none, none});
    Draw("weightedSum", "ps_4_0");
    EXPECT_TRUE(TexelEq(At(3, 3), {0.8f, 0, 0, 1}));
}

} // namespace
} // namespace d3d11_test
