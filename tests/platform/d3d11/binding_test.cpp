// The context's bindings: what it keeps alive, what a draw reads, the
// render-target/shader-input hazard, per-stage slots, the last slot of each
// kind and the most of each array, every vertex format, bindings changed
// between draws in the orders a program can take, and empty bindings.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <gmock/gmock.h>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using BindingTest = D3D11Test;

// u = 1.25 of this red | green texture: wrapping reads red, clamping green.
const std::uint8_t kRedGreen[8] = {255, 0, 0, 255, 0, 255, 0, 255};

TEST_F(BindingTest, ResourceBoundAsTargetReadsEmptyAsShaderInput)
{
    Target a = MakeTarget({0.25f, 0.5f, 0.75f, 1});
    BindTarget({1, 1, 1, 1});
    BindColourPipeline(Rectangle(-1, 1, 1, -1), {});
    context_->PSSetShader(MakePixelShader(Pipeline("ps_copy")).get(), nullptr, 0);
    context_->PSSetSamplers(0, 1, MakeSampler().address());
    context_->PSSetShaderResources(0, 1, a.srv.address());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(640, 360), {0.25f, 0.5f, 0.75f, 1}));

    // Binding the resource as target empties its input slot...
    diagnostics::EnableJournal(true);
    context_->OMSetRenderTargets(1, a.rtv.address(), nullptr);
    context_->Draw(6, 0);
    EXPECT_THAT(Entries("OMSetRenderTargets").at(0).arguments, HasSubstr("emptied_inputs=ps.t0"));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 0, 0, 0}));

    // ...binding it as input while it is the target leaves the slot empty...
    const Texel white = {1, 1, 1, 1};
    context_->ClearRenderTargetView(a.rtv.get(), white.data());
    context_->PSSetShaderResources(0, 1, a.srv.address());
    context_->Draw(6, 0);
    const auto journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 3u); // the clear, the binding, the draw
    EXPECT_THAT(journal[1].arguments, HasSubstr("emptied_bound_as_output=0"));
    EXPECT_THAT(journal[2].arguments, HasSubstr("ps.t0=empty:bound_as_output"));
    EXPECT_TRUE(TexelEq(ReadTexel(a.texture.get(), 640, 360), {0, 0, 0, 0}));

    // ...and the slot stays empty after the target moves on, as in Direct3D.
    context_->OMSetRenderTargets(1, target_.rtv.address(), nullptr);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(640, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, ObjectsReleasedWhileBoundStillDrawUntilReplacedOrTheContextDies)
{
    BindTarget({0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 1, -1), {{0, 0, 0, 0}, {0, 1, 0, 1}});
    // The program's reload releases everything it loaded while it is bound.
    Owned<ID3D11Texture2D> texture = std::move(target_.texture);
    target_ = Target();
    constants_.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11VertexShader"), 1);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Buffer"), 2);

    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 640, 360), {0, 1, 0, 1}));

    // Replacing a binding lets the object go.
    context_->VSSetShader(nullptr, nullptr, 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11VertexShader"), 0);
    const std::array<ID3D11Buffer*, 1> none{};
    context_->IASetVertexBuffers(0, 1, none.data(), nullptr, nullptr);
    context_->VSSetConstantBuffers(0, 1, none.data());
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Buffer"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 1);
    context_->OMSetRenderTargets(0, nullptr, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 0);

    // A dying context lets go of what it still holds.
    context_->OMSetRenderTargets(1, MakeTargetView(texture.get()).address(), nullptr);
    texture.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 2); // the target and the back buffer
    context_->Release();
    context_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11RenderTargetView"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11PixelShader"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 1);
}

TEST_F(BindingTest, EachDrawSeesItsConstantsAndEachStageItsOwnConstantBufferAndSamplerSlots)
{
    BindTarget({0, 0, 0, 0});
    BindColourPipeline(Rectangle(-1, 1, 0, -1), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    context_->Draw(6, 0);
    const Constants second = {{1, 0, 0, 0}, {0, 0, 1, 1}}; // moved to the right half
    context_->UpdateSubresource(constants_.get(), 0, nullptr, &second, 0, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(320, 360), {1, 0, 0, 1}));
    EXPECT_TRUE(TexelEq(At(960, 360), {0, 0, 1, 1}));

    // The bindings outlive a frame.
    ASSERT_EQ(swapChain_->Present(0, 0), S_OK);
    const Texel clear = {0, 0, 0, 0};
    context_->ClearRenderTargetView(target_.rtv.get(), clear.data());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(320, 360), clear));
    EXPECT_TRUE(TexelEq(At(960, 360), {0, 0, 1, 1}));

    const Constants pixel = {{0, 0, 0, 0}, {0.125f, 0.25f, 0.5f, 1}};
    context_->PSSetShader(MakePixelShader(Pipeline("ps_constant")).get(), nullptr, 0);
    context_->PSSetConstantBuffers(0, 1, MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof pixel, &pixel).address());
    context_->Draw(6, 0);
    // Placed by the vertex stage's b0 (right half), coloured by the pixel's.
    EXPECT_TRUE(TexelEq(At(960, 360), {0.125f, 0.25f, 0.5f, 1}));
    EXPECT_TRUE(TexelEq(At(320, 360), {0, 0, 0, 0}));
    // An empty slot reads zeros.
    context_->PSSetConstantBuffers(0, 1, std::array<ID3D11Buffer*, 1>{}.data());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(960, 360), {0, 0, 0, 0}));

    // The wrapping sampler reads red; the default one (no sampler bound) clamps.
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2, 1, kRedGreen, 8);
    context_->PSSetShader(MakePixelShader(Pipeline("ps_wrap")).get(), nullptr, 0);
    context_->PSSetShaderResources(0, 1, MakeShaderView(texture.get()).address());
    context_->PSSetSamplers(0, 1, MakeSampler(D3D11_TEXTURE_ADDRESS_WRAP).address());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(960, 360), {1, 0, 0, 1}));
    context_->PSSetSamplers(0, 1, std::array<ID3D11SamplerState*, 1>{}.data());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(960, 360), {0, 1, 0, 1}));
}

TEST_F(BindingTest, TheLastSlotOfEachKindAndTheVertexBufferOffsetReachTheDraw)
{
    // ps_last_slots: b13's colour + t127 sampled through s15 at u = 1.25 of
    // kRedGreen. The vertices come from slot 31 (past the 16 vertex buffer
    // bindings GL promises), bound alone or by the whole range: a buffer with
    // the left half's triangles, then the right half's.
    BindTarget({0, 0, 0, 0});
    const Code vs = Pipeline("vs_colour");
    BindStages(vs, Pipeline("ps_last_slots"));
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->IASetInputLayout(MakeLayout(vs, 31).get());
    std::vector<Vertex> vertices = Rectangle(-1, 1, 0, -1), right = Rectangle(0, 1, 1, -1);
    vertices.insert(vertices.end(), right.begin(), right.end());
    Owned<ID3D11Buffer> buffer =
        MakeBuffer(D3D11_BIND_VERTEX_BUFFER, static_cast<UINT>(vertices.size() * sizeof(Vertex)), vertices.data());
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2, 1, kRedGreen, 8);
    Owned<ID3D11ShaderResourceView> view = MakeShaderView(texture.get());

    // Each row binds every kind from its slot or by the whole range,
    // with its own values, so that an ignored call shows.
    struct Row {
        bool wholeRange;
        float colour[4];
        D3D11_TEXTURE_ADDRESS_MODE address;
        UINT offset;
        Texel expected;
        UINT drawnX, clearX;
    };
    const Row rows[] = {{false, {0, 0, 0.5f, 0}, D3D11_TEXTURE_ADDRESS_WRAP, 6 * 24, {1, 0, 0.5f, 1}, 960, 320},
                        {true, {0, 0, 0.25f, 0}, D3D11_TEXTURE_ADDRESS_CLAMP, 0, {0, 1, 0.25f, 1}, 320, 960}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wholeRange ? "whole ranges" : "ranges from the bound slot");
        const auto bind = [&](auto set, UINT slots, auto* object, UINT at) {
            std::array<decltype(object), 128> objects{};
            objects[at] = object;
            const UINT start = row.wholeRange ? 0 : at;
            set(start, slots - start, objects.data() + start);
        };
        Owned<ID3D11Buffer> constants = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, 16, row.colour);
        Owned<ID3D11SamplerState> sampler = MakeSampler(row.address);
        bind([&](UINT s, UINT n, ID3D11Buffer* const* b) { context_->PSSetConstantBuffers(s, n, b); }, 14,
             constants.get(), 13);
        bind([&](UINT s, UINT n, ID3D11ShaderResourceView* const* v) { context_->PSSetShaderResources(s, n, v); },
             128, view.get(), 127);
        bind([&](UINT s, UINT n, ID3D11SamplerState* const* v) { context_->PSSetSamplers(s, n, v); }, 16,
             sampler.get(), 15);
        std::array<UINT, 32> strides{}, offsets{};
        strides[31] = sizeof(Vertex);
        offsets[31] = row.offset;
        bind([&](UINT s, UINT n, ID3D11Buffer* const* b) {
            context_->IASetVertexBuffers(s, n, b, strides.data() + s, offsets.data() + s);
        }, 32, buffer.get(), 31);
        const Texel clear = {0, 0, 0, 0};
        context_->ClearRenderTargetView(target_.rtv.get(), clear.data());
        context_->Draw(6, 0);
        EXPECT_TRUE(TexelEq(At(row.drawnX, 360), row.expected));
        EXPECT_TRUE(TexelEq(At(row.clearX, 360), clear));
    }
}

TEST_F(BindingTest, DrawsWithoutAStageDrawNothingAndALayoutServesAnyVertexShaderBySemantic)
{
    BindTarget({0.5f, 0.5f, 0.5f, 0.5f});
    BindColourPipeline(Rectangle(-1, 1, 1, -1), {{0, 0, 0, 0}, {1, 0, 0, 1}});
    diagnostics::EnableJournal(true);
    context_->PSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    BindStages(Pipeline("vs_colour"), Pipeline("ps_colour"));
    context_->VSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    BindStages(Pipeline("vs_colour"), Pipeline("ps_colour"));
    context_->DrawIndexed(6, 0, 0); // no index buffer
    // From an empty slot every vertex reads the same constant position:
    // the draw runs and covers no pixel.
    context_->IASetVertexBuffers(0, 1, std::array<ID3D11Buffer*, 1>{}.data(), std::array<UINT, 1>{24}.data(),
                                 std::array<UINT, 1>{}.data());
    context_->Draw(4, 0);

    const auto draws = Entries("Draw");
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_THAT(draws[0].arguments, HasSubstr("skipped=no pixel shader"));
    EXPECT_THAT(draws[1].arguments, HasSubstr("skipped=no vertex shader"));
    EXPECT_THAT(draws[2].arguments, Not(HasSubstr("skipped")));
    EXPECT_TRUE(TexelEq(At(640, 360), {0.5f, 0.5f, 0.5f, 0.5f}));

    BindTarget({0, 0, 0, 0});
    // The left half, every vertex with the normal (0, 0.75, 0).
    std::vector<Vertex> vertices = Rectangle(-1, 1, 0, -1);
    for (Vertex& v : vertices)
        v.ny = 0.75f;
    BindColourPipeline(vertices, {{0, 0, 0, 0}, {0, 0, 0.5f, 1}});
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(320, 360), {0, 0.75f, 0.5f, 1}));

    // A reloaded vertex stage that declares its inputs in the other order,
    // bound after a draw with the same layout.
    context_->VSSetShader(MakeVertexShader(Pipeline("vs_swapped")).get(), nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(320, 360), {0, 0.75f, 0, 1}));
    EXPECT_TRUE(TexelEq(At(960, 360), {0, 0, 0, 0}));
}

TEST_F(BindingTest, EveryVertexFormatFromTwoSlotsIntoTwoTargetsAsBindingsChangeBetweenDraws)
{
    // Slot 0: the positions. Slot 1, 20 bytes a vertex: TEXCOORD1 as four
    // floats, COLOR0 as four bytes (R8G8B8A8_UNORM: 255 reads 1). ps_formats
    // writes TEXCOORD1 to target 0 and COLOR0 to target 1.
    const Code vs = Pipeline("vs_formats");
    Target second = MakeTarget({0, 0, 0, 0});
    BindTarget({0, 0, 0, 0});
    std::array<ID3D11RenderTargetView*, 9> targets{target_.rtv.get(), second.rtv.get()};
    context_->OMSetRenderTargets(8, targets.data(), nullptr);
    context_->VSSetShader(MakeVertexShader(vs).get(), nullptr, 0);
    context_->PSSetShader(MakePixelShader(Pipeline("ps_formats")).get(), nullptr, 0);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXCOORD", 1, DXGI_FORMAT_R32G32B32A32_FLOAT, 1, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 1, 16, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    Owned<ID3D11InputLayout> layout, floatsAsColour;
    ASSERT_EQ(device_->CreateInputLayout(elements, 3, vs.data(), vs.size(), layout.out()), S_OK);
    elements[2].Format = DXGI_FORMAT_R32G32B32A32_FLOAT;
    elements[2].AlignedByteOffset = 0;
    ASSERT_EQ(device_->CreateInputLayout(elements, 3, vs.data(), vs.size(), floatsAsColour.out()), S_OK);
    context_->IASetInputLayout(layout.get());
    BindVertices(Rectangle(-1, 1, 1, -1));
    struct Attributes {
        float wide[4];
        std::uint8_t bytes[4];
    };
    const std::vector<Attributes> attributes(6, {{0.25f, 0.5f, 0.75f, 0.125f}, {255, 0, 255, 255}});
    Owned<ID3D11Buffer> buffer = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 6 * sizeof(Attributes), attributes.data());
    const UINT stride = sizeof(Attributes), offset = 0;
    const Texel wide = {0.25f, 0.5f, 0.75f, 0.125f}, clear = {0, 0, 0, 0};

    // Slot 1 empty at one draw, filled before the next.
    context_->Draw(6, 0);
    context_->IASetVertexBuffers(1, 1, buffer.address(), &stride, &offset);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(640, 360), wide));
    EXPECT_TRUE(TexelEq(ReadTexel(second.texture.get(), 640, 360), {1, 0, 1, 1}));
    // Another layout after a draw: COLOR0 now reads the floats.
    context_->IASetInputLayout(floatsAsColour.get());
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(second.texture.get(), 640, 360), wide));

    // All 16 viewports at once, the first over the left half; a call with a
    // 17th viewport or a ninth target is ignored.
    context_->ClearRenderTargetView(target_.rtv.get(), clear.data());
    std::array<D3D11_VIEWPORT, 17> viewports;
    viewports.fill({0, 0, kWidth, kHeight, 0, 1});
    viewports[1].Width = kWidth / 2;
    context_->RSSetViewports(16, viewports.data() + 1);
    context_->RSSetViewports(17, viewports.data());
    Target ninth = MakeTarget(clear);
    targets[8] = ninth.rtv.get();
    context_->OMSetRenderTargets(9, targets.data(), nullptr);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(At(320, 360), wide));
    EXPECT_TRUE(TexelEq(At(960, 360), clear));
    EXPECT_TRUE(TexelEq(ReadTexel(ninth.texture.get(), 320, 360), clear));
}

} // namespace
} // namespace d3d11_test
