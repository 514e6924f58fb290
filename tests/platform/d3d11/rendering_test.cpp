// What reaches the target: clears, exact texels and orientation, the depth
// test, depth clipping and the viewport's depth range, default culling,
// index buffers, and what each sampler reads.
#include "tests/platform/d3d11/d3d11_fixture.h"

namespace d3d11_test {
namespace {

class RenderingTest : public D3D11Test {
protected:
    void SetUp() override
    {
        D3D11Test::SetUp();
        BindTarget(kClear);
        BindColourPipeline({}, {});
    }

    // Draws the vertices with their own colour through the bound pipeline.
    void DrawColoured(const std::vector<Vertex>& vertices, const Texel& colour)
    {
        BindVertices(vertices);
        const Constants constants = {{0, 0, 0, 0}, {colour[0], colour[1], colour[2], colour[3]}};
        context_->UpdateSubresource(constants_.get(), 0, nullptr, &constants, 0, 0);
        context_->Draw(static_cast<UINT>(vertices.size()), 0);
    }

    static constexpr Texel kClear = {0.1f, 0.2f, 0.3f, 0.4f};
};

TEST_F(RenderingTest, TriangleLandsWithItsExactColourRowZeroIsTheTopAndTheViewportTopLeft)
{
    // Top-left corner, top-right corner, middle of the left edge (NDC y up).
    DrawColoured({{-1, 1, 0.5f}, {1, 1, 0.5f}, {-1, 0, 0.5f}}, {0.5f, 0.25f, 1.0f, 0.75f});

    EXPECT_TRUE(TexelEq(At(10, 10), {0.5f, 0.25f, 1.0f, 0.75f}));
    EXPECT_TRUE(TexelEq(At(10, 340), {0.5f, 0.25f, 1.0f, 0.75f}));
    EXPECT_TRUE(TexelEq(At(10, 380), kClear));
    EXPECT_TRUE(TexelEq(At(10, kHeight - 1), kClear));
    // Beyond the hypotenuse from (1280, 0) to (0, 360).
    EXPECT_TRUE(TexelEq(At(1200, 100), kClear));

    // A viewport over the bottom-right quarter, placed from the top-left.
    const D3D11_VIEWPORT quarter = {kWidth / 2.0f, kHeight / 2.0f, kWidth / 2.0f, kHeight / 2.0f, 0, 1};
    context_->RSSetViewports(1, &quarter);
    DrawColoured(Rectangle(-1, 1, 1, -1), {1, 0, 0, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), {1, 0, 0, 1}));
    EXPECT_TRUE(TexelEq(At(kWidth - 1, kHeight - 1), {1, 0, 0, 1}));
    EXPECT_TRUE(TexelEq(At(639, 500), kClear));
    EXPECT_TRUE(TexelEq(At(1000, 359), kClear));
}

TEST_F(RenderingTest, DepthViewKeepsNearerFragmentsAndClipSpaceDepthRunsFromZeroToOne)
{
    Owned<ID3D11Texture2D> depth = MakeTexture(DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL);
    Owned<ID3D11DepthStencilView> view;
    ASSERT_EQ(device_->CreateDepthStencilView(depth.get(), nullptr, view.out()), S_OK);
    context_->ClearDepthStencilView(view.get(), D3D11_CLEAR_DEPTH, 0.6f, 0);
    EXPECT_EQ(ReadTexel(depth.get(), 0, 0)[0], 0.6f);
    context_->OMSetRenderTargets(1, target_.rtv.address(), view.get());
    const auto full = [](float z) { return Rectangle(-1, 1, 1, -1, z); };

    // Outside 0..1 is clipped (GL's default range would keep z = -0.5).
    DrawColoured(full(-0.5f), {1, 0, 0, 1});
    DrawColoured(full(1.5f), {1, 0, 0, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), kClear));
    DrawColoured(full(0.5f), {1, 0, 0, 1});
    DrawColoured(full(0.75f), {0, 1, 0, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), {1, 0, 0, 1}));
    // Equal depth fails LESS.
    DrawColoured(full(0.5f), {0, 1, 0, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), {1, 0, 0, 1}));
    DrawColoured(full(0.0f), {0, 0, 1, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), {0, 0, 1, 1}));
    EXPECT_EQ(ReadTexel(depth.get(), 640, 360)[0], 0.0f);

    // Without a depth view there is no depth test.
    context_->OMSetRenderTargets(1, target_.rtv.address(), nullptr);
    DrawColoured(full(0.9f), {1, 1, 0, 1});
    EXPECT_TRUE(TexelEq(At(640, 360), {1, 1, 0, 1}));
    EXPECT_EQ(ReadTexel(depth.get(), 640, 360)[0], 0.0f);

    // A stencil clear alone leaves depth. A pass with a depth view and no
    // target writes depth, through the viewport's depth range.
    context_->ClearDepthStencilView(view.get(), D3D11_CLEAR_STENCIL, 0.25f, 0);
    EXPECT_EQ(ReadTexel(depth.get(), 640, 360)[0], 0.0f);
    context_->ClearDepthStencilView(view.get(), D3D11_CLEAR_DEPTH, 1.5f, 0); // clamped to 1
    EXPECT_EQ(ReadTexel(depth.get(), 640, 360)[0], 1.0f);
    context_->OMSetRenderTargets(0, nullptr, view.get());
    const D3D11_VIEWPORT range = {0, 0, kWidth, kHeight, 0.5f, 1};
    context_->RSSetViewports(1, &range);
    DrawColoured(full(0.5f), {1, 0, 0, 1});
    EXPECT_EQ(ReadTexel(depth.get(), 640, 360)[0], 0.75f);
}

TEST_F(RenderingTest, ClockwiseTrianglesOnlyAndStripAndIndexedDrawsFollowTheTopology)
{
    // Left half: clockwise on screen. Right half: the same triangles wound
    // the other way.
    std::vector<Vertex> clockwise = Rectangle(-1, 1, 0, -1);
    std::vector<Vertex> counterClockwise = Rectangle(0, 1, 1, -1);
    for (std::size_t i = 0; i < counterClockwise.size(); i += 3)
        std::swap(counterClockwise[i + 1], counterClockwise[i + 2]);
    DrawColoured(clockwise, {1, 0, 0, 1});
    DrawColoured(counterClockwise, {0, 1, 0, 1});

    EXPECT_TRUE(TexelEq(At(320, 360), {1, 0, 0, 1}));
    EXPECT_TRUE(TexelEq(At(960, 360), kClear));

    // The program's screen quad: a four-vertex strip.
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    DrawColoured({{-1, 1, 1}, {1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}, {0, 0, 1, 1});
    EXPECT_TRUE(TexelEq(At(5, 5), {0, 0, 1, 1}));
    EXPECT_TRUE(TexelEq(At(kWidth - 5, kHeight - 5), {0, 0, 1, 1}));

    // Indices 16-bit, with a start index and a base vertex.
    const std::vector<Vertex> vertices = {{9, 9, 9}, {-1, 1, 0.5f}, {0, 1, 0.5f}, {-1, 0, 0.5f}};
    const std::uint16_t indices[] = {0, 0, 0, 0, 1, 2};
    BindVertices(vertices);
    Owned<ID3D11Buffer> indexBuffer = MakeBuffer(D3D11_BIND_INDEX_BUFFER, sizeof indices, indices);
    context_->IASetIndexBuffer(indexBuffer.get(), DXGI_FORMAT_R16_UINT, 0);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    const Constants constants = {{0, 0, 0, 0}, {1, 0, 1, 1}};
    context_->UpdateSubresource(constants_.get(), 0, nullptr, &constants, 0, 0);
    context_->DrawIndexed(3, 3, 1); // indices 0, 1, 2 of vertices 1, 2, 3
    EXPECT_TRUE(TexelEq(At(20, 20), {1, 0, 1, 1}));
    EXPECT_TRUE(TexelEq(At(20, kHeight - 20), {0, 0, 1, 1}));

    // Another index buffer after a draw, read from a byte offset: indices 1,
    // 2, 3, behind two that would draw nothing.
    const std::uint16_t behindOffset[] = {0, 0, 1, 2, 3};
    Owned<ID3D11Buffer> other = MakeBuffer(D3D11_BIND_INDEX_BUFFER, sizeof behindOffset, behindOffset);
    context_->IASetIndexBuffer(other.get(), DXGI_FORMAT_R16_UINT, 4);
    const Constants green = {{0, 0, 0, 0}, {0, 1, 0, 1}};
    context_->UpdateSubresource(constants_.get(), 0, nullptr, &green, 0, 0);
    context_->DrawIndexed(3, 0, 0);
    EXPECT_TRUE(TexelEq(At(20, 20), {0, 1, 0, 1}));
}

TEST_F(RenderingTest, SamplersReadEachAxisByItsOwnModeAndFilterAndBytesAsUnormValues)
{
    // 2 x 2 texels: red, green / blue, grey 128. ps_sample reads it at its
    // own b0's offset.xy.
    const std::uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 255};
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2, 2, texels, 8);
    context_->PSSetShader(MakePixelShader(Pipeline("ps_sample")).get(), nullptr, 0);
    context_->PSSetShaderResources(0, 1, MakeShaderView(texture.get()).address());
    Owned<ID3D11Buffer> where = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(Constants), nullptr);
    context_->PSSetConstantBuffers(0, 1, where.address());
    BindVertices(Rectangle(-1, 1, 1, -1));
    const D3D11_TEXTURE_ADDRESS_MODE wrap = D3D11_TEXTURE_ADDRESS_WRAP, clamp = D3D11_TEXTURE_ADDRESS_CLAMP;
    const D3D11_FILTER point = D3D11_FILTER_MIN_MAG_MIP_POINT;
    const float grey = 128 / 255.0f;
    const struct {
        D3D11_FILTER filter;
        D3D11_TEXTURE_ADDRESS_MODE u, v;
        float x, y;
        Texel expected;
    } rows[] = {
        {point, wrap, clamp, 1.25f, 1.25f, {0, 0, 1, 1}}, // column 0, row 1
        {point, clamp, wrap, 1.25f, 1.25f, {0, 1, 0, 1}}, // column 1, row 0
        {point, clamp, clamp, 0.75f, 0.75f, {grey, grey, grey, 1}},
        {D3D11_FILTER_MIN_MAG_MIP_LINEAR, clamp, clamp, 0.5f, 0.25f, {0.5f, 0.5f, 0, 1}}, // magnified
    };
    for (const auto& row : rows) {
        const D3D11_SAMPLER_DESC desc = {row.filter, row.u, row.v, clamp, 0, 0, D3D11_COMPARISON_NEVER,
                                         {0, 0, 0, 0}, 0, D3D11_FLOAT32_MAX};
        Owned<ID3D11SamplerState> sampler;
        ASSERT_EQ(device_->CreateSamplerState(&desc, sampler.out()), S_OK);
        context_->PSSetSamplers(0, 1, sampler.address());
        const Constants at = {{row.x, row.y, 0, 0}, {0, 0, 0, 0}};
        context_->UpdateSubresource(where.get(), 0, nullptr, &at, 0, 0);
        context_->Draw(6, 0);
        const Texel texel = At(640, 360);
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_NEAR(texel[c], row.expected[c], 1.0f / 128) << "at " << row.x << ", " << row.y;
    }
}

} // namespace
} // namespace d3d11_test
