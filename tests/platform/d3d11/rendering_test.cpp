// What reaches the target: clears, exact texels and orientation, the depth
// test and depth clipping, and default culling.
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
}

} // namespace
} // namespace d3d11_test
