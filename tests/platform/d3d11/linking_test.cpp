// The geometry stage's own bindings, programs replaced with their shaders,
// stages that do not link, and SV_Position as a vertex input. Linking by
// semantic is checked by the self-checking linked_varyings effects.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <gmock/gmock.h>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;

class LinkingTest : public D3D11Test {
protected:
    void SetUp() override
    {
        D3D11Test::SetUp();
        BindTarget({0, 0, 0, 0});
        BindColourPipeline(Rectangle(-1, 1, 1, -1), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    }
    Texel Centre() { return At(640, 360); }
};

TEST_F(LinkingTest, GeometryStageHasItsOwnBindingsAndRelinksWhenReplaced)
{
    // gs_tint writes its own b0 colour plus t0, gs_tint_swapped colour.yxzw
    // plus t0 and t1 through another texture unit. No texture is bound to
    // the geometry stage: every slot reads zero.
    const Constants geometry = {{0, 0, 0, 0}, {0.25f, 0.5f, 0, 1}};
    context_->GSSetConstantBuffers(0, 1, MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof geometry, &geometry).address());
    // Both stay alive: a stale program linked with the first could be served.
    Owned<ID3D11GeometryShader> first = MakeGeometryShader(Pipeline("gs_tint"));
    context_->GSSetShader(first.get(), nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(Centre(), {0.25f, 0.5f, 0, 1}));

    Owned<ID3D11GeometryShader> second = MakeGeometryShader(Pipeline("gs_tint_swapped"));
    context_->GSSetShader(second.get(), nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(Centre(), {0.5f, 0.25f, 0, 1}));

    // Without the geometry stage the vertex stage's colour comes through.
    context_->GSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(Centre(), {1, 0, 0, 1}));
}

TEST_F(LinkingTest, PixelStageTexturesFollowTheShaderReplacedAfterADraw)
{
    // t0 red, t1 green; ps_copy reads t0 and ps_second t1, each through the
    // stage's first texture unit.
    const std::uint8_t red[4] = {255, 0, 0, 255}, green[4] = {0, 255, 0, 255};
    Owned<ID3D11Texture2D> first = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 1, 1, red, 4);
    Owned<ID3D11Texture2D> second = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 1, 1, green, 4);
    Owned<ID3D11ShaderResourceView> views[2] = {MakeShaderView(first.get()), MakeShaderView(second.get())};
    ID3D11ShaderResourceView* const bound[2] = {views[0].get(), views[1].get()};
    context_->PSSetShaderResources(0, 2, bound);
    context_->PSSetSamplers(0, 1, MakeSampler().address());
    for (const auto& [entry, colour] : {std::pair{"ps_copy", Texel{1, 0, 0, 1}}, {"ps_second", Texel{0, 1, 0, 1}}}) {
        context_->PSSetShader(MakePixelShader(Pipeline(entry)).get(), nullptr, 0);
        context_->Draw(6, 0);
        EXPECT_TRUE(TexelEq(Centre(), colour)) << entry;
    }
}

TEST_F(LinkingTest, ReplacedShadersAreNeverStaleAndStagesThatDoNotLinkSayWhy)
{
    // Shaders recreated over and over (as F5 does) must each draw their own
    // output, even where GL reuses object names.
    for (const char* value : {"0.125", "0.25", "0.375", "0.5"}) {
        const D3D10_SHADER_MACRO defines[] = {{"VALUE", value}, {nullptr, nullptr}};
        context_->PSSetShader(MakePixelShader(Compile("d3d11/pipeline.fx", "ps_value", "", defines)).get(), nullptr, 0);
        context_->Draw(6, 0);
        const float v = std::stof(value);
        EXPECT_TRUE(TexelEq(Centre(), {v, v, v, v})) << value;
        context_->PSSetShader(nullptr, nullptr, 0);
    }

    // Reads COLOR0 as integers where the vertex stage writes floats.
    context_->ClearRenderTargetView(target_.rtv.get(), Texel{}.data());
    context_->PSSetShader(MakePixelShader(Pipeline("ps_integer_tint")).get(), nullptr, 0);
    diagnostics::EnableJournal(true);
    context_->Draw(6, 0);
    context_->Draw(6, 0);
    const auto journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 3u); // linked once, remembered for the second draw
    EXPECT_EQ(journal[0].operation, "LinkProgram");
    EXPECT_THAT(journal[0].arguments, HasSubstr("COLOR"));
    EXPECT_THAT(journal[1].arguments, HasSubstr("skipped=the stages do not link"));
    EXPECT_TRUE(TexelEq(Centre(), {0, 0, 0, 0}));
}

TEST_F(LinkingTest, SvPositionVertexInputIsFedByTheLayoutElementOfThatName)
{
    const Code code = Pipeline("vs_position");
    // Semantic names compare without regard to case; a layout without the
    // element does not fit the shader.
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"sv_position", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    Owned<ID3D11InputLayout> layout;
    EXPECT_EQ(device_->CreateInputLayout(elements, 1, code.data(), code.size(), layout.out()), E_INVALIDARG);
    ASSERT_EQ(device_->CreateInputLayout(elements, 2, code.data(), code.size(), layout.out()), S_OK);
    BindVertices(Rectangle(-1, 1, 0, -1));
    context_->IASetInputLayout(layout.get());
    context_->VSSetShader(MakeVertexShader(code).get(), nullptr, 0);
    context_->Draw(6, 0);
    // Three floats fill x, y, z; w reads 1.
    EXPECT_TRUE(TexelEq(At(100, 360), {0.5f, 0.25f, 1, 1}));
    EXPECT_TRUE(TexelEq(At(1000, 360), {0, 0, 0, 0}));
}

} // namespace
} // namespace d3d11_test
