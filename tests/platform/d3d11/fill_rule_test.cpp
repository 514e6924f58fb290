// The top-left fill rule: Direct3D snaps vertices to 1/256 of a pixel and
// draws a pixel whose centre lies strictly inside a triangle, or exactly on a
// top edge (horizontal, the triangle below it) or a left edge (not
// horizontal, the triangle to its right); a centre on a vertex needs both of
// the vertex's edges to be top or left. Triangles that share an edge or a
// vertex therefore draw each centre on it exactly once.
//
// Every case puts pixel centres exactly on edges or vertices; y grows
// downwards. The tables in fill_rule_cases.h come from fill_rule_expected.py
// beside this file, which applies the rule above in exact rational
// arithmetic and prints them (rerun it and paste its output there after
// changing a case). Each table gives a case's vertices in pixels from the
// target's top-left corner and the picture of a window one pixel larger than
// its triangles on every side: '.' the clear colour, 'a' + i triangle i.
// Every pixel of the window is compared. The comment after a case's name counts the centres on its edges
// by kind of edge, a vertex under each of its two edges.
#include "tests/platform/d3d11/d3d11_fixture.h"
#include "tests/platform/d3d11/fill_rule_cases.h"

#include "platform/d3d11/readback.h"

#include <algorithm>
#include <cstring>

namespace d3d11_test {
namespace {

using fill_rule::Case;
using fill_rule::kShared;
using fill_rule::kSingle;
using fill_rule::kStrip;
using fill_rule::Point;

// A power of two, so NDC x / 16 - 1 and 1 - y / 16 are exact for vertices on
// 1/256 of a pixel.
constexpr UINT kSize = 32;
const Texel kClear{0, 0, 1, 1};

// The colour of triangle i: its vertices' NORMAL under ps_flat, its number
// under ps_primitive.
Texel Colour(int i)
{
    return {0.125f * static_cast<float>(i + 1), 0.5f, 0.25f, 1};
}

class FillRuleTest : public D3D11Test {
protected:
    void Bind(const char* pixelStage, const char* geometryStage = nullptr)
    {
        BindTarget(kClear, kSize, kSize);
        BindStages(Compile("d3d11/fill_rule.fx", "vs_main"), Compile("d3d11/fill_rule.fx", pixelStage),
                   geometryStage ? Compile("d3d11/fill_rule.fx", geometryStage) : Code{});
    }

    // Clears the target and draws `vertices`, given in pixels, with the
    // colour of colours[i / 3] at vertex i (the last colour past the end).
    void Draw(const std::vector<Point>& vertices, const std::vector<int>& colours,
              D3D11_PRIMITIVE_TOPOLOGY topology)
    {
        std::vector<Vertex> placed;
        for (std::size_t i = 0; i < vertices.size(); ++i) {
            const Texel colour = Colour(colours[std::min(i / 3, colours.size() - 1)]);
            placed.push_back({vertices[i].x * 2 / kSize - 1, 1 - vertices[i].y * 2 / kSize, 0.5f,
                              colour[0], colour[1], colour[2]});
        }
        context_->ClearRenderTargetView(target_.rtv.get(), kClear.data());
        BindVertices(placed);
        context_->IASetPrimitiveTopology(topology);
        context_->Draw(static_cast<UINT>(placed.size()), 0);
    }

    // The case's window as drawn, in the tables' letters; '?' for a texel
    // that is neither the clear colour nor a triangle's.
    std::string Drawn(const Case& c)
    {
        std::vector<std::uint8_t> bytes;
        UINT width = 0, height = 0;
        DXGI_FORMAT format{};
        if (!d3d11::ReadTexels(target_.texture.get(), &bytes, &width, &height, &format) || width != kSize ||
            height != kSize || format != DXGI_FORMAT_R32G32B32A32_FLOAT || bytes.size() != kSize * kSize * 16)
            return "no texels";
        std::string drawn;
        for (std::size_t row = 0; row < c.image.size(); ++row) {
            for (std::size_t column = 0; column < c.image[row].size(); ++column) {
                Texel texel;
                std::memcpy(texel.data(), &bytes[((c.top + row) * kSize + c.left + column) * 16], 16);
                char letter = texel == kClear ? '.' : '?';
                for (int i = 0; i < 26 && letter == '?'; ++i)
                    if (texel == Colour(i))
                        letter = static_cast<char>('a' + i);
                drawn += letter;
            }
            drawn += '\n';
        }
        return drawn;
    }

    static std::string Expected(const Case& c)
    {
        std::string image;
        for (const std::string& row : c.image)
            image += row + '\n';
        return image;
    }
};

// Each with the vertex stage alone, and through a geometry stage that passes
// every triangle on as a strip of its own, as the demo's first pass draws.
const char* const kGeometryStages[] = {nullptr, "gs_pass"};

std::string Through(const char* geometryStage)
{
    return geometryStage ? std::string(", through ") + geometryStage : std::string();
}

TEST_F(FillRuleTest, ACentreOnATopOrLeftEdgeIsDrawnAndOnABottomOrRightEdgeIsNot)
{
    for (const char* geometryStage : kGeometryStages) {
        Bind("ps_flat", geometryStage);
        for (const Case& c : kSingle) {
            Draw(c.vertices, {0}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
            EXPECT_EQ(Expected(c), Drawn(c)) << c.name << Through(geometryStage);
        }
    }
}

TEST_F(FillRuleTest, TrianglesSharingAnEdgeOrVertexDrawEachCentreOnce)
{
    // Drawn first to last, then last to first: a centre both triangles draw,
    // or the wrong one, shows the wrong colour in at least one order.
    for (const char* geometryStage : kGeometryStages) {
        Bind("ps_flat", geometryStage);
        for (const Case& c : kShared) {
            const int triangles = static_cast<int>(c.vertices.size() / 3);
            std::vector<int> forward, backward;
            std::vector<Point> reversed;
            for (int i = 0; i < triangles; ++i) {
                forward.push_back(i);
                backward.push_back(triangles - 1 - i);
                reversed.insert(reversed.end(), c.vertices.end() - 3 * (i + 1), c.vertices.end() - 3 * i);
            }
            Draw(c.vertices, forward, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
            EXPECT_EQ(Expected(c), Drawn(c)) << c.name << ", drawn first to last" << Through(geometryStage);
            Draw(reversed, backward, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
            EXPECT_EQ(Expected(c), Drawn(c)) << c.name << ", drawn last to first" << Through(geometryStage);
        }
    }
}

TEST_F(FillRuleTest, AStripOfAlternatingWindingDrawsEachCentreOnce)
{
    Bind("ps_primitive");
    for (const Case& c : kStrip) {
        Draw(c.vertices, {0}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        EXPECT_EQ(Expected(c), Drawn(c)) << c.name;
    }
}

// A geometry stage that makes a strip of its own, whose winding alternates:
// its triangles keep the rule too.
TEST_F(FillRuleTest, AStripAGeometryStageMakesKeepsTheRule)
{
    Bind("ps_flat", "gs_strip");
    const Owned<ID3D11Buffer> strip = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, 6 * 16, nullptr);
    context_->GSSetConstantBuffers(0, 1, strip.address());
    for (const Case& c : kStrip) {
        ASSERT_EQ(c.vertices.size(), 6u);
        float positions[6][4] = {};
        for (std::size_t i = 0; i < 6; ++i) {
            positions[i][0] = c.vertices[i].x * 2 / kSize - 1;
            positions[i][1] = 1 - c.vertices[i].y * 2 / kSize;
        }
        context_->UpdateSubresource(strip.get(), 0, nullptr, positions, 0, 0);
        Draw({{0, 0}, {1, 0}, {0, 1}}, {0}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        EXPECT_EQ(Expected(c), Drawn(c)) << c.name << ", made by a geometry stage";
    }
}

// A geometry stage has room for a grown copy of only some of its triangles
// (18 from a strip of 20 vertices, 16 components each, where GL promises
// 1024 components): the rest go out as they are, and none is lost. Every
// centre strictly inside a triangle is drawn and every one outside all of
// them is not; centres on edges past the room are the driver's.
TEST_F(FillRuleTest, AStripLongerThanTheRoomForGrownCopiesIsDrawnWhole)
{
    Bind("ps_flat", "gs_long_strip");
    std::vector<Point> strip;
    for (int k = 0; k < 20; ++k)
        strip.push_back({1.5f + static_cast<float>(k), k % 2 == 0 ? 4.5f : 1.5f}); // clockwise: a front face
    float positions[20][4] = {};
    for (std::size_t i = 0; i < strip.size(); ++i) {
        positions[i][0] = strip[i].x * 2 / kSize - 1;
        positions[i][1] = 1 - strip[i].y * 2 / kSize;
    }
    const Owned<ID3D11Buffer> buffer = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof positions, positions);
    context_->GSSetConstantBuffers(0, 1, buffer.address());
    Draw({{0, 0}, {1, 0}, {0, 1}}, {0}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);

    // Doubled, every position and centre is an integer.
    const auto side = [](Point a, Point b, int x, int y) {
        return (static_cast<int>(b.x * 2) - static_cast<int>(a.x * 2)) * (y - static_cast<int>(a.y * 2))
               - (static_cast<int>(b.y * 2) - static_cast<int>(a.y * 2)) * (x - static_cast<int>(a.x * 2));
    };
    int inside = 0;
    for (int row = 0; row < 7; ++row)
        for (int column = 0; column < 24; ++column) {
            const int x = 2 * column + 1, y = 2 * row + 1;
            bool strictlyInside = false, onEdge = false;
            for (std::size_t i = 0; i + 2 < strip.size(); ++i) {
                const int e[3] = {side(strip[i], strip[i + 1], x, y), side(strip[i + 1], strip[i + 2], x, y),
                                  side(strip[i + 2], strip[i], x, y)};
                const bool positive = e[0] > 0 && e[1] > 0 && e[2] > 0, negative = e[0] < 0 && e[1] < 0 && e[2] < 0;
                strictlyInside = strictlyInside || positive || negative;
                onEdge = onEdge || ((e[0] >= 0 && e[1] >= 0 && e[2] >= 0) || (e[0] <= 0 && e[1] <= 0 && e[2] <= 0));
            }
            const Texel texel = At(static_cast<UINT>(column), static_cast<UINT>(row));
            if (strictlyInside) {
                ++inside;
                EXPECT_EQ(texel, Colour(0)) << "inside, pixel (" << column << ", " << row << ")";
            } else if (!onEdge) {
                EXPECT_EQ(texel, kClear) << "outside, pixel (" << column << ", " << row << ")";
            }
        }
    EXPECT_EQ(inside, 36); // rows 2 and 3, x from 2.5 to 19.5
}

// A centre on a top edge comes from the triangle's grown copy, whose
// vertices are made on the triangle's plane: what it interpolates there must
// be what the triangle itself gives, with perspective and without. The
// vertices carry (1, 0), (0, 1) and (0, 0), so the values are the centre's
// barycentric weights of the first two vertices: in the window (l) without
// perspective, and l_i / w_i over the sum of l_j / w_j with it.
TEST_F(FillRuleTest, ACentreOnAnEdgeGetsTheTrianglesInterpolation)
{
    BindTarget(kClear, kSize, kSize);
    BindStages(Compile("d3d11/fill_rule.fx", "vs_weighted"), Compile("d3d11/fill_rule.fx", "ps_weighted"));
    const Point window[3] = {{1.25f, 1.5f}, {6.75f, 1.5f}, {4.0f, 5.25f}}; // a top edge on row 1
    const float w[3] = {1.0f, 2.0f, 4.0f};
    std::vector<Vertex> vertices;
    for (int i = 0; i < 3; ++i)
        vertices.push_back({window[i].x * 2 / kSize - 1, 1 - window[i].y * 2 / kSize, 0.0f, i == 0 ? 1.0f : 0.0f,
                            i == 1 ? 1.0f : 0.0f, w[i]});
    context_->ClearRenderTargetView(target_.rtv.get(), kClear.data());
    BindVertices(vertices);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->Draw(3, 0);

    const auto cross = [](Point o, Point a, Point b) {
        return (double(a.x) - o.x) * (double(b.y) - o.y) - (double(a.y) - o.y) * (double(b.x) - o.x);
    };
    const double area = cross(window[0], window[1], window[2]);
    for (const auto& [column, row] : {std::pair{2, 1}, std::pair{4, 1}, std::pair{6, 1}, std::pair{3, 2}}) {
        const Point centre{static_cast<float>(column) + 0.5f, static_cast<float>(row) + 0.5f};
        const double l[3] = {cross(centre, window[1], window[2]) / area, cross(window[0], centre, window[2]) / area,
                             cross(window[0], window[1], centre) / area};
        const double sum = l[0] / w[0] + l[1] / w[1] + l[2] / w[2];
        const Texel texel = At(static_cast<UINT>(column), static_cast<UINT>(row));
        const std::string where = "pixel (" + std::to_string(column) + ", " + std::to_string(row) + ")";
        EXPECT_NEAR(texel[0], l[0] / w[0] / sum, 1e-5) << where;
        EXPECT_NEAR(texel[1], l[1] / w[1] / sum, 1e-5) << where;
        EXPECT_NEAR(texel[2], l[0], 1e-5) << where;
        EXPECT_NEAR(texel[3], l[1], 1e-5) << where;
    }
}

} // namespace
} // namespace d3d11_test
