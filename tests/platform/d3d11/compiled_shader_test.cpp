// The compiler's output through the layer: three stages compiled from HLSL
// that share constant buffer b0 (as the effect file's stages do), declare
// their varyings in different orders, and sample t0 through s0.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include <cstdio>
#include <fstream>

namespace d3d11_test {
namespace {

constexpr const char* kEffect = R"(
cbuffer Scene : register(b0)
{
    float4 offset;
    float4 colour;
    float  passMode;
};
Texture2D    source  : register(t0);
SamplerState sampled : register(s0);

struct VSIn  { float3 position : POSITION; float3 normal : NORMAL; };
struct VSOut { float4 position : SV_Position; float4 tint : COLOR0; float2 uv : TEXCOORD3; };
struct GSOut { float2 uv : TEXCOORD3; float4 position : SV_Position; float4 tint : COLOR0; };

VSOut vs_main(VSIn input)
{
    VSOut output;
    output.position = float4(input.position + offset.xyz, 1.0);
    output.tint = colour;
    output.uv = float2(0.25, 0.5);
    return output;
}

[maxvertexcount(3)]
void gs_main(triangle VSOut input[3], inout TriangleStream<GSOut> stream)
{
    for (int i = 0; i < 3; ++i) {
        GSOut output;
        output.uv = input[i].uv;
        output.position = input[i].position;
        output.tint = input[i].tint * 0.5;
        stream.Append(output);
    }
}

float4 ps_main(GSOut input) : SV_Target
{
    if (passMode > 1.0)
        return source.Sample(sampled, input.uv);
    return input.tint;
}

// SV_Position as a vertex input is an element of the input layout.
struct Tinted { float4 position : SV_Position; float4 tint : COLOR0; };
Tinted vs_position(float3 normal : NORMAL, float4 position : SV_Position)
{
    Tinted output;
    output.position = position;
    output.tint = float4(position.z, normal.x + 0.25, position.w, 1.0);
    return output;
}
float4 ps_tint(Tinted input) : SV_Target { return input.tint; }
)";

class CompiledShaderTest : public D3D11Test {
protected:
    void SetUp() override
    {
        D3D11Test::SetUp();
        // ctest runs the tests of this fixture side by side: one file each.
        path_ = ::testing::TempDir() + "d3d11_compiled_shader_"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".fx";
        std::ofstream(path_) << kEffect;
    }
    void TearDown() override
    {
        std::remove(path_.c_str());
        D3D11Test::TearDown();
    }

    Owned<ID3D10Blob> Compile(const char* entryPoint, const char* profile)
    {
        Owned<ID3D10Blob> code, messages;
        const HRESULT result = D3DX11CompileFromFileA(path_.c_str(), nullptr, nullptr, entryPoint, profile,
                                                      D3D10_SHADER_ENABLE_STRICTNESS, 0, nullptr, code.out(),
                                                      messages.out(), nullptr);
        EXPECT_EQ(result, S_OK) << (messages.get() ? static_cast<const char*>(messages->GetBufferPointer()) : "");
        return code;
    }

    std::string path_;
};

TEST_F(CompiledShaderTest, StagesSharingSlotZeroLinkAndReadTheirOwnBindings)
{
    Owned<ID3D10Blob> vsCode = Compile("vs_main", "vs_4_0");
    Owned<ID3D10Blob> gsCode = Compile("gs_main", "gs_4_0");
    Owned<ID3D10Blob> psCode = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(vsCode.get() && gsCode.get() && psCode.get());

    Owned<ID3D11VertexShader> vs;
    Owned<ID3D11GeometryShader> gs;
    Owned<ID3D11PixelShader> ps;
    ASSERT_EQ(
        device_->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(), nullptr, vs.out()), S_OK);
    ASSERT_EQ(device_->CreateGeometryShader(gsCode->GetBufferPointer(), gsCode->GetBufferSize(), nullptr, gs.out()),
              S_OK);
    ASSERT_EQ(device_->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr, ps.out()), S_OK);
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    Owned<ID3D11InputLayout> layout;
    ASSERT_EQ(
        device_->CreateInputLayout(elements, 2, vsCode->GetBufferPointer(), vsCode->GetBufferSize(), layout.out()),
        S_OK);

    // Two targets: the first pass draws a half-strength tint into A; the
    // second samples A at u = 0.25 into B without the geometry stage.
    Owned<ID3D11Texture2D> a(
        MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE));
    Owned<ID3D11Texture2D> b(MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET));
    Owned<ID3D11RenderTargetView> aTarget(MakeTargetView(a.get())), bTarget(MakeTargetView(b.get()));
    Owned<ID3D11ShaderResourceView> aView(MakeShaderView(a.get()));
    Owned<ID3D11SamplerState> sampler(MakePointSampler());
    const float zero[4] = {0, 0, 0, 0};
    context_->ClearRenderTargetView(aTarget.get(), zero);
    context_->ClearRenderTargetView(bTarget.get(), zero);

    struct Scene {
        float offset[4];
        float colour[4];
        float passMode[4];
    } scene = {{0, 0, 0, 0}, {0.5f, 1, 0.25f, 1}, {0, 0, 0, 0}};
    Owned<ID3D11Buffer> constants(MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof scene, &scene));
    Owned<ID3D11Buffer> vertices(MakeVertexBuffer(Rectangle(-1, 1, 0, -1, 0.5f)));
    const UINT stride = sizeof(Vertex), offset = 0;
    context_->IASetInputLayout(layout.get());
    context_->IASetVertexBuffers(0, 1, vertices.address(), &stride, &offset);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    BindStages(vs.get(), gs.get(), ps.get(), constants.get());
    context_->PSSetSamplers(0, 1, sampler.address());
    SetViewport();
    context_->OMSetRenderTargets(1, aTarget.address(), nullptr);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(a.get(), 100, 360), {0.25f, 0.5f, 0.125f, 0.5f}));
    EXPECT_TRUE(TexelEq(ReadTexel(a.get(), 1000, 360), {0, 0, 0, 0}));

    scene.passMode[0] = 2;
    scene.offset[0] = 1; // the right half
    context_->UpdateSubresource(constants.get(), 0, nullptr, &scene, 0, 0);
    context_->OMSetRenderTargets(1, bTarget.address(), nullptr);
    context_->PSSetShaderResources(0, 1, aView.address());
    context_->GSSetShader(nullptr, nullptr, 0);
    context_->Draw(6, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(b.get(), 1000, 360), {0.25f, 0.5f, 0.125f, 0.5f}));
    EXPECT_TRUE(TexelEq(ReadTexel(b.get(), 100, 360), {0, 0, 0, 0}));
}

TEST_F(CompiledShaderTest, SvPositionVertexInputIsFedByTheLayoutElementOfThatName)
{
    Owned<ID3D10Blob> vsCode = Compile("vs_position", "vs_4_0");
    Owned<ID3D10Blob> psCode = Compile("ps_tint", "ps_4_0");
    ASSERT_TRUE(vsCode.get() && psCode.get());
    Owned<ID3D11VertexShader> vs;
    Owned<ID3D11PixelShader> ps;
    ASSERT_EQ(
        device_->CreateVertexShader(vsCode->GetBufferPointer(), vsCode->GetBufferSize(), nullptr, vs.out()), S_OK);
    ASSERT_EQ(device_->CreatePixelShader(psCode->GetBufferPointer(), psCode->GetBufferSize(), nullptr, ps.out()), S_OK);

    // Semantic names compare without regard to case; a layout without the
    // element does not fit the shader.
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"sv_position", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    Owned<ID3D11InputLayout> layout;
    EXPECT_EQ(device_->CreateInputLayout(elements, 1, vsCode->GetBufferPointer(), vsCode->GetBufferSize(), layout.out()),
              E_INVALIDARG);
    ASSERT_EQ(device_->CreateInputLayout(elements, 2, vsCode->GetBufferPointer(), vsCode->GetBufferSize(), layout.out()),
              S_OK);

    Owned<ID3D11Texture2D> target(MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET));
    Owned<ID3D11RenderTargetView> targetView(MakeTargetView(target.get()));
    const float zero[4] = {0, 0, 0, 0};
    context_->ClearRenderTargetView(targetView.get(), zero);
    Owned<ID3D11Buffer> vertices(MakeVertexBuffer(Rectangle(-1, 1, 0, -1, 0.5f)));
    const UINT stride = sizeof(Vertex), offset = 0;
    context_->IASetInputLayout(layout.get());
    context_->IASetVertexBuffers(0, 1, vertices.address(), &stride, &offset);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->VSSetShader(vs.get(), nullptr, 0);
    context_->PSSetShader(ps.get(), nullptr, 0);
    SetViewport();
    context_->OMSetRenderTargets(1, targetView.address(), nullptr);
    context_->Draw(6, 0);
    // Three floats fill x, y, z; w reads 1.
    EXPECT_TRUE(TexelEq(ReadTexel(target.get(), 100, 360), {0.5f, 0.25f, 1, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(target.get(), 1000, 360), {0, 0, 0, 0}));
}

} // namespace
} // namespace d3d11_test
