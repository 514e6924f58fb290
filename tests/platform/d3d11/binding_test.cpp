// The context's bindings: what it keeps alive, what a draw reads, the
// render-target/shader-input hazard, per-stage slots, and empty bindings.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <gmock/gmock.h>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class BindingTest : public D3D11Test {
protected:
    struct ColourTarget {
        Owned<ID3D11Texture2D> texture;
        Owned<ID3D11RenderTargetView> rtv;
        Owned<ID3D11ShaderResourceView> srv;
    };

    void MakeTarget(ColourTarget* target, const Texel& clear)
    {
        target->texture = Owned<ID3D11Texture2D>(
            MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE));
        target->rtv = Owned<ID3D11RenderTargetView>(MakeTargetView(target->texture.get()));
        target->srv = Owned<ID3D11ShaderResourceView>(MakeShaderView(target->texture.get()));
        context_->ClearRenderTargetView(target->rtv.get(), clear.data());
    }

    // Full-target quad whose pixel stage copies texture slot 0.
    void BindTextureCopy()
    {
        BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {});
        texturePS_ = Owned<ID3D11PixelShader>(MakePixelShader(TexturePixelShader()));
        sampler_ = Owned<ID3D11SamplerState>(MakePointSampler());
        context_->PSSetShader(texturePS_.get(), nullptr, 0);
        context_->PSSetSamplers(0, 1, sampler_.address());
    }

    // Draws the left half of the target through the given vertex stage,
    // every vertex with the normal (0, 0.75, 0).
    void DrawLeftHalf(ID3D11VertexShader* shader, const ColourTarget& target)
    {
        std::vector<Vertex> vertices = Rectangle(-1, 1, 0, -1, 0.5f);
        for (Vertex& v : vertices)
            v.ny = 0.75f;
        Owned<ID3D11Buffer> buffer(MakeVertexBuffer(vertices));
        const UINT stride = sizeof(Vertex), offset = 0;
        context_->IASetVertexBuffers(0, 1, buffer.address(), &stride, &offset);
        context_->VSSetShader(shader, nullptr, 0);
        context_->OMSetRenderTargets(1, target.rtv.address(), nullptr);
        context_->Draw(6, 0);
    }

    void TearDown() override
    {
        texturePS_.Reset();
        sampler_.Reset();
        D3D11Test::TearDown();
    }

    Owned<ID3D11PixelShader> texturePS_;
    Owned<ID3D11SamplerState> sampler_;
};

TEST_F(BindingTest, ShaderInputBoundWhileItsResourceIsTheTargetReadsEmpty)
{
    ColourTarget a, b;
    MakeTarget(&a, {1, 1, 1, 1});
    MakeTarget(&b, {0.5f, 0.5f, 0.5f, 0.5f});
    BindTextureCopy();
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    diagnostics::EnableJournal(true);
    context_->PSSetShaderResources(0, 1, a.srv.address());
    context_->Draw(6, 0);

    const auto journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_THAT(journal[0].arguments, HasSubstr("emptied_bound_as_output=0"));
    EXPECT_THAT(journal[1].arguments, HasSubstr("ps.t0=empty:bound_as_output"));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 0, 0, 0}));

    // The slot stays empty after the target moves on, as in Direct3D.
    context_->OMSetRenderTargets(1, b.rtv.address(), nullptr);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(b.texture.get(), 640, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, BindingAResourceAsTargetEmptiesItsShaderInputSlot)
{
    ColourTarget a, b;
    MakeTarget(&a, {0.25f, 0.5f, 0.75f, 1});
    MakeTarget(&b, {1, 1, 1, 1});
    BindTextureCopy();
    context_->OMSetRenderTargets(1, b.rtv.address(), nullptr);
    diagnostics::EnableJournal(true);
    context_->PSSetShaderResources(0, 1, a.srv.address());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(b.texture.get(), 640, 360), {0.25f, 0.5f, 0.75f, 1}));

    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);
    const auto sets = Entries("OMSetRenderTargets");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_THAT(sets[0].arguments, HasSubstr("emptied_inputs=ps.t0"));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, EachDrawSeesTheConstantsUploadedBeforeIt)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 0, -1, 0.5f), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);
    const VertexConstants second = {{1, 0, 0, 0}, {0, 0, 1, 1}}; // moved to the right half
    context_->UpdateSubresource(constants_.get(), 0, nullptr, &second, 0, 0);
    context_->Draw(6, 0);

    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 320, 360), {1, 0, 0, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 960, 360), {0, 0, 1, 1}));
}

TEST_F(BindingTest, ObjectsReleasedWhileBoundStillDrawUntilReplaced)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {{0, 0, 0, 0}, {0, 1, 0, 1}});
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    // The program's reload releases everything it loaded while it is bound.
    colourVS_.Reset();
    colourPS_.Reset();
    layout_.Reset();
    vertices_.Reset();
    constants_.Reset();
    a.rtv.Reset();
    a.srv.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11VertexShader"), 1);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Buffer"), 2);

    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 1, 0, 1}));

    // Replacing a binding lets the object go.
    context_->VSSetShader(nullptr, nullptr, 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11VertexShader"), 0);
    context_->IASetVertexBuffers(0, 1, vertices_.address(), nullptr, nullptr);
    context_->VSSetConstantBuffers(0, 1, constants_.address());
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Buffer"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 1);
    context_->OMSetRenderTargets(0, nullptr, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 0);
}

TEST_F(BindingTest, ContextReleasesItsBindingsWhenItDies)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindTextureCopy();
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    a.rtv.Reset();
    a.srv.Reset();
    a.texture.Reset();
    texturePS_.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 2); // the target and the back buffer
    context_->Release();
    context_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11PixelShader"), 1); // colourPS_
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 1);
}

TEST_F(BindingTest, EachStageHasItsOwnConstantBufferSlots)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 0, -1, 0.5f), {{1, 0, 0, 0}, {1, 0, 0, 1}});
    Owned<ID3D11PixelShader> constantPS(MakePixelShader(ConstantPixelShader()));
    const float pixelColour[4] = {0.125f, 0.25f, 0.5f, 1};
    Owned<ID3D11Buffer> pixelConstants(MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, 16, pixelColour));
    context_->PSSetShader(constantPS.get(), nullptr, 0);
    context_->PSSetConstantBuffers(0, 1, pixelConstants.address());
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);

    // Placed by the vertex stage's slot 0 (right half), coloured by the pixel
    // stage's slot 0.
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 960, 360), {0.125f, 0.25f, 0.5f, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 320, 360), {0, 0, 0, 0}));

    // An empty slot reads zeros.
    context_->PSSetConstantBuffers(0, 1, std::array<ID3D11Buffer*, 1>{}.data());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 960, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, PixelStageSamplesThroughItsSamplerSlot)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {});
    // Samples u = 1.25 of a red | green texture: wrapping reads red,
    // clamping (the default sampler's addressing) reads green.
    Owned<ID3D11PixelShader> ps(MakePixelShader(Container(hlsl::ShaderStage::Pixel, R"(#version 450
layout(binding = 32) uniform sampler2D t0_s0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = texture(t0_s0, vec2(1.25, 0.5));
}
)",
        {}, {Target(0)}, {}, {{0, 0, hlsl::TextureUnit(hlsl::ShaderStage::Pixel, 0)}})));
    const std::uint8_t texels[8] = {255, 0, 0, 255, 0, 255, 0, 255};
    const D3D11_TEXTURE2D_DESC desc = {2, 1, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                       D3D11_BIND_SHADER_RESOURCE, 0, 0};
    const D3D11_SUBRESOURCE_DATA data = {texels, 8, 0};
    Owned<ID3D11Texture2D> texture;
    ASSERT_EQ(device_->CreateTexture2D(&desc, &data, texture.out()), S_OK);
    Owned<ID3D11ShaderResourceView> view;
    ASSERT_EQ(device_->CreateShaderResourceView(texture.get(), nullptr, view.out()), S_OK);
    D3D11_SAMPLER_DESC wrapDesc{};
    wrapDesc.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    wrapDesc.AddressU = wrapDesc.AddressV = wrapDesc.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    wrapDesc.ComparisonFunc = D3D11_COMPARISON_NEVER;
    Owned<ID3D11SamplerState> wrap;
    ASSERT_EQ(device_->CreateSamplerState(&wrapDesc, wrap.out()), S_OK);

    context_->PSSetShader(ps.get(), nullptr, 0);
    context_->PSSetShaderResources(0, 1, view.address());
    context_->PSSetSamplers(0, 1, wrap.address());
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {1, 0, 0, 1}));

    context_->PSSetSamplers(0, 1, std::array<ID3D11SamplerState*, 1>{}.data());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 1, 0, 1}));
}

TEST_F(BindingTest, DrawWithoutAShaderDrawsNothing)
{
    ColourTarget a;
    MakeTarget(&a, {0.5f, 0.5f, 0.5f, 0.5f});
    BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    diagnostics::EnableJournal(true);
    context_->PSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    context_->PSSetShader(colourPS_.get(), nullptr, 0);
    context_->VSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    context_->VSSetShader(colourVS_.get(), nullptr, 0);
    context_->DrawIndexed(6, 0, 0); // no index buffer

    const auto draws = Entries("Draw");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_THAT(draws[0].arguments, HasSubstr("skipped=no pixel shader"));
    EXPECT_THAT(draws[1].arguments, HasSubstr("skipped=no vertex shader"));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST_F(BindingTest, EmptyVertexSlotDrawsFromNothingWithoutHarm)
{
    ColourTarget a;
    MakeTarget(&a, {0.5f, 0.5f, 0.5f, 0.5f});
    BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->IASetVertexBuffers(0, 1, std::array<ID3D11Buffer*, 1>{}.data(), std::array<UINT, 1>{24}.data(),
                                 std::array<UINT, 1>{}.data());
    diagnostics::EnableJournal(true);
    context_->Draw(4, 0);
    // Every vertex reads the same constant position: nothing covers a pixel.
    EXPECT_THAT(Entries("Draw").at(0).arguments, Not(HasSubstr("skipped")));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST_F(BindingTest, LayoutMadeForOneVertexShaderServesAnotherBySemantic)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline({}, {{0, 0, 0, 0}, {0, 0, 0, 1}});
    // A reloaded vertex stage that declares its inputs in the other order.
    const std::vector<std::uint8_t> reordered = Container(hlsl::ShaderStage::Vertex, R"(#version 450
#ifndef VS_OUT_COLOR0
#define VS_OUT_COLOR0 0
#endif
layout(location = 0) in vec3 in_NORMAL0;
layout(location = 1) in vec3 in_POSITION0;
layout(location = VS_OUT_COLOR0) out vec4 out_COLOR0;
void main()
{
    gl_Position = vec4(in_POSITION0, 1.0);
    out_COLOR0 = vec4(in_NORMAL0, 1.0);
}
)",
                                                          {VertexInput("NORMAL", 0), VertexInput("POSITION", 1)},
                                                          {Position(), Varying("COLOR", 0, 0, "VS_OUT_COLOR0")});
    Owned<ID3D11VertexShader> reloaded(MakeVertexShader(reordered));
    DrawLeftHalf(reloaded.get(), a);

    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 320, 360), {0, 0.75f, 0, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 960, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, MatrixInputTakesOneElementPerRow)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline({}, {{0, 0, 0, 0}, {0, 0, 0, 1}});
    // "float2x3 rows : ROWS0" in HLSL: two locations, fed by ROWS0 and ROWS1.
    hlsl::StageVariable rows = VertexInput("ROWS", 1);
    rows.locationCount = 2;
    const std::vector<std::uint8_t> code = Container(hlsl::ShaderStage::Vertex, R"(#version 450
#ifndef VS_OUT_COLOR0
#define VS_OUT_COLOR0 0
#endif
layout(location = 0) in vec3 in_POSITION0;
layout(location = 1) in mat2x3 in_ROWS0;
layout(location = VS_OUT_COLOR0) out vec4 out_COLOR0;
void main()
{
    gl_Position = vec4(in_POSITION0, 1.0);
    out_COLOR0 = vec4(in_ROWS0[1], 1.0);
}
)",
                                                     {VertexInput("POSITION", 0), rows},
                                                     {Position(), Varying("COLOR", 0, 0, "VS_OUT_COLOR0")});
    const D3D11_INPUT_ELEMENT_DESC position = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                               D3D11_INPUT_PER_VERTEX_DATA, 0};
    D3D11_INPUT_ELEMENT_DESC row0 = position, row1 = position;
    row0.SemanticName = row1.SemanticName = "ROWS";
    row1.SemanticIndex = 1;
    row1.AlignedByteOffset = 12;
    const D3D11_INPUT_ELEMENT_DESC firstRowOnly[] = {position, row0};
    const D3D11_INPUT_ELEMENT_DESC bothRows[] = {position, row0, row1};
    Owned<ID3D11InputLayout> layout;
    EXPECT_EQ(device_->CreateInputLayout(firstRowOnly, 2, code.data(), code.size(), layout.out()), E_INVALIDARG);
    ASSERT_EQ(device_->CreateInputLayout(bothRows, 3, code.data(), code.size(), layout.out()), S_OK);

    Owned<ID3D11VertexShader> shader(MakeVertexShader(code));
    context_->IASetInputLayout(layout.get());
    DrawLeftHalf(shader.get(), a);

    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 320, 360), {0, 0.75f, 0, 1}));
}

TEST_F(BindingTest, BindingsPersistAcrossFramesUntilChanged)
{
    ColourTarget a;
    MakeTarget(&a, {0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {{0, 0, 0, 0}, {0.5f, 0, 0, 1}});
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);
    ASSERT_EQ(swapChain_->Present(0, 0), S_OK);
    const float clear[4] = {0, 0, 0, 0};
    context_->ClearRenderTargetView(a.rtv.get(), clear);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0.5f, 0, 0, 1}));
}

} // namespace
} // namespace d3d11_test
