// Points: Direct3D rasterizes one as a 1 x 1 square around its position,
// snapped to 1/256 of a pixel, under the top-left rule, so it covers the
// pixel whose centre lies in [p - 0.5, p + 0.5) on each axis: left and top
// edges through a pixel centre draw it, right and bottom ones do not.
#include "tests/platform/d3d11/d3d11_fixture.h"

namespace d3d11_test {
namespace {

class PointsTest : public D3D11Test {};

TEST_F(PointsTest, APointCoversTheOnePixelTheTopLeftRuleGivesIt)
{
    constexpr UINT kSize = 32;
    const Texel blue{0, 0, 1, 1}, green{0, 1, 0, 1};
    BindTarget(blue, kSize, kSize);
    BindStages(Compile("d3d11/points.fx", "vs_main"), Compile("d3d11/points.fx", "ps_green"),
               Compile("d3d11/points.fx", "gs_point"));
    BindStrip();
    constants_ = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, 16, nullptr);
    context_->GSSetConstantBuffers(0, 1, constants_.address());

    struct Case {
        float x, y;        // the point, in pixels from the target's top-left corner
        int column, row;   // the pixel it covers
    };
    const Case cases[] = {
        {20.0f, 10.0f, 19, 9},     // all four edges through pixel centres: the left and top ones count
        {20.5f, 10.5f, 20, 10},    // on a pixel centre
        {3.25f, 4.75f, 3, 4},      // inside
        {6.75f, 7.25f, 6, 7},      // inside
        {6.001f, 2.0f, 5, 1},      // 6.001 snaps to 6, whose square's left edge is on centre 5.5
        {12.0f, 29.999f, 11, 29},  // 29.999 snaps to 30
        {1.0f, 1.0f, 0, 0},        // at the target's corner pixel
    };
    for (const Case& c : cases) {
        context_->ClearRenderTargetView(target_.rtv.get(), blue.data());
        const float values[4] = {c.x, c.y, static_cast<float>(kSize), static_cast<float>(kSize)};
        context_->UpdateSubresource(constants_.get(), 0, nullptr, values, 0, 0);
        context_->Draw(3, 0);
        for (int row = c.row - 1; row <= c.row + 1; ++row)
            for (int column = c.column - 1; column <= c.column + 1; ++column) {
                if (row < 0 || column < 0 || row >= static_cast<int>(kSize) || column >= static_cast<int>(kSize))
                    continue;
                const bool covered = row == c.row && column == c.column;
                EXPECT_EQ(At(static_cast<UINT>(column), static_cast<UINT>(row)), covered ? green : blue)
                    << "point (" << c.x << ", " << c.y << "), pixel (" << column << ", " << row << ")";
            }
    }
}

} // namespace
} // namespace d3d11_test
