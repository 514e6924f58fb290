// Stages linked by semantic name and index, whatever order each declares its
// varyings in, with and without a geometry stage.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/program_cache.h"

namespace d3d11_test {
namespace {

using hlsl::ShaderStage;

// Writes COLOR0 = (0.25, 0.5, 0, 0) at location 0 and TEXCOORD3 =
// (0, 0, 0.75, 1) at location 1.
std::vector<std::uint8_t> TwoVaryingVertexShader()
{
    return Container(ShaderStage::Vertex, R"(#version 450
#ifndef VS_OUT_COLOR0
#define VS_OUT_COLOR0 0
#endif
#ifndef VS_OUT_TEXCOORD3
#define VS_OUT_TEXCOORD3 1
#endif
layout(location = 0) in vec3 in_POSITION0;
layout(location = 1) in vec3 in_NORMAL0;
layout(location = VS_OUT_COLOR0) out vec4 out_COLOR0;
layout(location = VS_OUT_TEXCOORD3) out vec4 out_TEXCOORD3;
void main()
{
    gl_Position = vec4(in_POSITION0, 1.0);
    out_COLOR0 = vec4(0.25, 0.5, 0.0, 0.0);
    out_TEXCOORD3 = vec4(0.0, 0.0, 0.75, 1.0);
}
)",
        {VertexInput("POSITION", 0), VertexInput("NORMAL", 1)},
        {Position(), Varying("COLOR", 0, 0, "VS_OUT_COLOR0"), Varying("TEXCOORD", 3, 1, "VS_OUT_TEXCOORD3")});
}

// Declares TEXCOORD3 first and COLOR0 second; writes (COLOR0.xy,
// TEXCOORD3.zw), which is all zeros if the two were swapped.
std::vector<std::uint8_t> TwoVaryingPixelShader()
{
    return Container(ShaderStage::Pixel, R"(#version 450
#ifndef PS_IN_TEXCOORD3
#define PS_IN_TEXCOORD3 0
#endif
#ifndef PS_IN_COLOR0
#define PS_IN_COLOR0 1
#endif
layout(location = PS_IN_TEXCOORD3) in vec4 in_TEXCOORD3;
layout(location = PS_IN_COLOR0) in vec4 in_COLOR0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = vec4(in_COLOR0.xy, in_TEXCOORD3.zw);
}
)",
                     {Varying("TEXCOORD", 3, 0, "PS_IN_TEXCOORD3"), Varying("COLOR", 0, 1, "PS_IN_COLOR0")},
                     {Target(0)});
}

// Reads TEXCOORD3, COLOR0; writes COLOR0, TEXCOORD3: both orders differ
// from its neighbours'.
std::vector<std::uint8_t> PassThroughGeometryShader()
{
    return Container(ShaderStage::Geometry, R"(#version 450
#ifndef GS_IN_TEXCOORD3
#define GS_IN_TEXCOORD3 0
#endif
#ifndef GS_IN_COLOR0
#define GS_IN_COLOR0 1
#endif
#ifndef GS_OUT_COLOR0
#define GS_OUT_COLOR0 0
#endif
#ifndef GS_OUT_TEXCOORD3
#define GS_OUT_TEXCOORD3 1
#endif
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
layout(location = GS_IN_TEXCOORD3) in vec4 in_TEXCOORD3[];
layout(location = GS_IN_COLOR0) in vec4 in_COLOR0[];
layout(location = GS_OUT_COLOR0) out vec4 out_COLOR0;
layout(location = GS_OUT_TEXCOORD3) out vec4 out_TEXCOORD3;
void main()
{
    for (int i = 0; i < 3; ++i) {
        gl_Position = gl_in[i].gl_Position;
        out_COLOR0 = in_COLOR0[i];
        out_TEXCOORD3 = in_TEXCOORD3[i];
        EmitVertex();
    }
    EndPrimitive();
}
)",
        {Position(), Varying("TEXCOORD", 3, 0, "GS_IN_TEXCOORD3"), Varying("COLOR", 0, 1, "GS_IN_COLOR0")},
        {Position(), Varying("COLOR", 0, 0, "GS_OUT_COLOR0"), Varying("TEXCOORD", 3, 1, "GS_OUT_TEXCOORD3")});
}

class LinkingTest : public D3D11Test {
protected:
    void SetUp() override
    {
        D3D11Test::SetUp();
        target_ = Owned<ID3D11Texture2D>(MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET));
        targetView_ = Owned<ID3D11RenderTargetView>(MakeTargetView(target_.get()));
        const float clear[4] = {0, 0, 0, 0};
        context_->ClearRenderTargetView(targetView_.get(), clear);
        BindColourPipeline(Rectangle(-1, 1, 1, -1, 0.5f), {});
        context_->OMSetRenderTargets(1, targetView_.address(), nullptr);
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

TEST_F(LinkingTest, VertexToPixelBySemanticNotByOrder)
{
    Owned<ID3D11VertexShader> vs(MakeVertexShader(TwoVaryingVertexShader()));
    Owned<ID3D11PixelShader> ps(MakePixelShader(TwoVaryingPixelShader()));
    context_->VSSetShader(vs.get(), nullptr, 0);
    context_->PSSetShader(ps.get(), nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 640, 360), {0.25f, 0.5f, 0.75f, 1}));
}

TEST_F(LinkingTest, VertexToGeometryToPixelBySemantic)
{
    Owned<ID3D11VertexShader> vs(MakeVertexShader(TwoVaryingVertexShader()));
    Owned<ID3D11GeometryShader> gs(MakeGeometryShader(PassThroughGeometryShader()));
    Owned<ID3D11PixelShader> ps(MakePixelShader(TwoVaryingPixelShader()));
    context_->VSSetShader(vs.get(), nullptr, 0);
    context_->GSSetShader(gs.get(), nullptr, 0);
    context_->PSSetShader(ps.get(), nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 640, 360), {0.25f, 0.5f, 0.75f, 1}));

    // The same pixel stage behind the vertex stage alone, as the program's
    // second pass does after unbinding the geometry stage.
    const float clear[4] = {0, 0, 0, 0};
    context_->ClearRenderTargetView(targetView_.get(), clear);
    context_->GSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 640, 360), {0.25f, 0.5f, 0.75f, 1}));
}

TEST_F(LinkingTest, ReplacedShadersAreNeverServedFromAStaleProgram)
{
    // Shaders recreated over and over (as F5 does) must each draw their own
    // output, even where GL reuses object names.
    for (int round = 0; round < 4; ++round) {
        const float value = 0.125f * static_cast<float>(round + 1);
        const std::string glsl = "#version 450\nlayout(location = 0) out vec4 target;\nvoid main() { target = vec4(" +
                                 std::to_string(value) + "); }\n";
        Owned<ID3D11PixelShader> ps(MakePixelShader(Container(ShaderStage::Pixel, glsl, {}, {Target(0)})));
        context_->PSSetShader(ps.get(), nullptr, 0);
        context_->Draw(6, 0);
        EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 640, 360), {value, value, value, value})) << round;
        context_->PSSetShader(nullptr, nullptr, 0);
    }
}

TEST_F(LinkingTest, StagesThatDoNotLinkDrawNothingAndSayWhy)
{
    // Reads COLOR0 as an integer vector where the vertex stage writes floats.
    Owned<ID3D11PixelShader> ps(MakePixelShader(Container(ShaderStage::Pixel, R"(#version 450
#ifndef PS_IN_COLOR0
#define PS_IN_COLOR0 0
#endif
layout(location = PS_IN_COLOR0) flat in ivec4 in_COLOR0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = vec4(in_COLOR0);
}
)",
                                                          {Varying("COLOR", 0, 0, "PS_IN_COLOR0")}, {Target(0)})));
    context_->PSSetShader(ps.get(), nullptr, 0);
    diagnostics::EnableJournal(true);
    context_->Draw(6, 0);
    context_->Draw(6, 0);
    const auto journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 3u); // linked once, remembered for the second draw
    EXPECT_EQ(journal[0].operation, "LinkProgram");
    EXPECT_NE(journal[0].arguments.find("COLOR"), std::string::npos) << journal[0].arguments;
    EXPECT_NE(journal[1].arguments.find("skipped=the stages do not link"), std::string::npos);
    EXPECT_TRUE(TexelEq(ReadTexel(target_.get(), 640, 360), {0, 0, 0, 0}));
}

TEST(LinkDefines, PlacesInputsAtTheUpstreamLocationsOfTheirSemantics)
{
    const std::vector<hlsl::StageVariable> upstream = {Position(), Varying("COLOR", 0, 0, "OUT_COLOR0"),
                                                       Varying("TEXCOORD", 3, 1, "OUT_TEXCOORD3")};
    // Matching defaults need no line; a swapped pair needs both; an input
    // nobody writes gets a free location.
    EXPECT_EQ(d3d11::LinkDefines(upstream, {Varying("COLOR", 0, 0, "IN_COLOR0")}), "");
    EXPECT_EQ(
        d3d11::LinkDefines(upstream, {Varying("TEXCOORD", 3, 0, "IN_TEXCOORD3"), Varying("COLOR", 0, 1, "IN_COLOR0")}),
        "#define IN_TEXCOORD3 1\n#define IN_COLOR0 0\n");
    EXPECT_EQ(d3d11::LinkDefines(upstream, {Varying("TEXCOORD", 0, 0, "IN_TEXCOORD0")}), "#define IN_TEXCOORD0 2\n");
}

TEST(InsertDefines, GoesAfterTheVersionAndExtensionLines)
{
    EXPECT_EQ(d3d11::InsertDefines("#version 450\n#extension GL_A : require\nvoid main() {}\n", "#define X 1\n"),
              "#version 450\n#extension GL_A : require\n#define X 1\nvoid main() {}\n");
    EXPECT_EQ(d3d11::InsertDefines("#version 450\n#ifndef X\n#define X 0\n#endif\n", "#define X 2\n"),
              "#version 450\n#define X 2\n#ifndef X\n#define X 0\n#endif\n");
    EXPECT_EQ(d3d11::InsertDefines("#version 450\nvoid main() {}\n", ""), "#version 450\nvoid main() {}\n");
}

} // namespace
} // namespace d3d11_test
