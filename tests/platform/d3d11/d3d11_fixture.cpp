#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/readback.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace d3d11_test {

using hlsl::ShaderStage;

hlsl::StageVariable Varying(const char* semantic, std::uint32_t index, std::uint32_t location, const char* macro)
{
    hlsl::StageVariable v;
    v.semantic = semantic;
    v.semanticIndex = index;
    v.location = location;
    v.locationMacro = macro;
    return v;
}

hlsl::StageVariable VertexInput(const char* semantic, std::uint32_t location, std::uint32_t components)
{
    hlsl::StageVariable v;
    v.semantic = semantic;
    v.location = location;
    v.componentCount = components;
    return v;
}

hlsl::StageVariable Position()
{
    hlsl::StageVariable v;
    v.semantic = "SV_POSITION";
    v.systemValue = true;
    return v;
}

hlsl::StageVariable Target(std::uint32_t index)
{
    hlsl::StageVariable v;
    v.semantic = "SV_TARGET";
    v.semanticIndex = index;
    v.location = index;
    return v;
}

std::vector<std::uint8_t> Container(ShaderStage stage, const std::string& glsl, std::vector<hlsl::StageVariable> inputs,
                                    std::vector<hlsl::StageVariable> outputs,
                                    std::vector<hlsl::ConstantBuffer> constantBuffers,
                                    std::vector<hlsl::CombinedSampler> samplers)
{
    hlsl::ShaderContainer c;
    c.stage = stage;
    c.entryPoint = "main";
    c.glsl = glsl;
    c.inputs = std::move(inputs);
    c.outputs = std::move(outputs);
    c.constantBuffers = std::move(constantBuffers);
    c.samplers = std::move(samplers);
    if (stage == ShaderStage::Geometry)
        c.geometryMaxVertices = 3;
    return hlsl::SerializeContainer(c);
}

std::vector<std::uint8_t> ColourVertexShader()
{
    return Container(ShaderStage::Vertex, R"(#version 450
#ifndef VS_OUT_COLOR0
#define VS_OUT_COLOR0 0
#endif
layout(location = 0) in vec3 in_POSITION0;
layout(location = 1) in vec3 in_NORMAL0;
layout(binding = 0, std140) uniform fxsc_vs_cb0 { vec4 offset; vec4 colour; } vc;
layout(location = VS_OUT_COLOR0) out vec4 out_COLOR0;
void main()
{
    gl_Position = vec4(in_POSITION0 + vc.offset.xyz, 1.0);
    out_COLOR0 = vc.colour + vec4(in_NORMAL0, 0.0);
}
)",
                     {VertexInput("POSITION", 0), VertexInput("NORMAL", 1)},
                     {Position(), Varying("COLOR", 0, 0, "VS_OUT_COLOR0")},
                     {{"VertexConstants", 0, 32, hlsl::ConstantBufferBinding(ShaderStage::Vertex, 0)}});
}

std::vector<std::uint8_t> ColourPixelShader()
{
    return Container(ShaderStage::Pixel, R"(#version 450
#ifndef PS_IN_COLOR0
#define PS_IN_COLOR0 0
#endif
layout(location = PS_IN_COLOR0) in vec4 in_COLOR0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = in_COLOR0;
}
)",
                     {Varying("COLOR", 0, 0, "PS_IN_COLOR0")}, {Target(0)});
}

std::vector<std::uint8_t> ConstantPixelShader()
{
    return Container(ShaderStage::Pixel, R"(#version 450
layout(binding = 28, std140) uniform fxsc_ps_cb0 { vec4 colour; } pc;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = pc.colour;
}
)",
                     {}, {Target(0)}, {{"PixelConstants", 0, 16, hlsl::ConstantBufferBinding(ShaderStage::Pixel, 0)}});
}

std::vector<std::uint8_t> TexturePixelShader()
{
    return Container(ShaderStage::Pixel, R"(#version 450
layout(binding = 32) uniform sampler2D t0_s0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    out_SV_Target0 = texture(t0_s0, gl_FragCoord.xy / vec2(textureSize(t0_s0, 0)));
}
)",
                     {Position()}, {Target(0)}, {}, {{0, 0, hlsl::TextureUnit(ShaderStage::Pixel, 0)}});
}

void D3D11Test::SetUp()
{
    // The tests run headless; CTest sets this too.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    diagnostics::Reset();
    OpenWindow(static_cast<int>(kWidth), static_cast<int>(kHeight));
    CreateDevice();
}

void D3D11Test::TearDown()
{
    colourVS_.Reset();
    colourPS_.Reset();
    layout_.Reset();
    vertices_.Reset();
    constants_.Reset();
    ReleaseDevice();
    // Every test ends with every layer object released.
    EXPECT_EQ(diagnostics::LiveObjects(), 0);
    if (window_)
        SDL_DestroyWindow(window_);
    window_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    diagnostics::Reset();
}

void D3D11Test::OpenWindow(int width, int height)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window_ = SDL_CreateWindow("d3d11 test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
}

DXGI_SWAP_CHAIN_DESC D3D11Test::ProgramSwapChainDesc() const
{
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc = {kWidth, kHeight, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                       DXGI_MODE_SCALING_UNSPECIFIED};
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.OutputWindow = win32::HandleFromWindow(window_);
    desc.Windowed = TRUE;
    desc.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
    return desc;
}

void D3D11Test::CreateDevice()
{
    const DXGI_SWAP_CHAIN_DESC desc = ProgramSwapChainDesc();
    ASSERT_EQ(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                            D3D11_SDK_VERSION, &desc, &swapChain_, &device_, nullptr, &context_),
              S_OK);
}

void D3D11Test::ReleaseDevice()
{
    // The program's release order: swap chain, context, device.
    if (swapChain_)
        swapChain_->Release();
    if (context_)
        context_->Release();
    if (device_)
        device_->Release();
    swapChain_ = nullptr;
    context_ = nullptr;
    device_ = nullptr;
}

ID3D11Buffer* D3D11Test::MakeBuffer(UINT bindFlags, UINT byteWidth, const void* data)
{
    const D3D11_BUFFER_DESC desc = {byteWidth, D3D11_USAGE_DEFAULT, bindFlags, 0, 0, 0};
    const D3D11_SUBRESOURCE_DATA initial = {data, 0, 0};
    ID3D11Buffer* buffer = nullptr;
    EXPECT_EQ(device_->CreateBuffer(&desc, data ? &initial : nullptr, &buffer), S_OK);
    return buffer;
}

ID3D11Buffer* D3D11Test::MakeVertexBuffer(const std::vector<Vertex>& vertices)
{
    return MakeBuffer(D3D11_BIND_VERTEX_BUFFER, static_cast<UINT>(vertices.size() * sizeof(Vertex)), vertices.data());
}

ID3D11Texture2D* D3D11Test::MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width, UINT height)
{
    const D3D11_TEXTURE2D_DESC desc = {width, height, 1, 1, format, {1, 0}, D3D11_USAGE_DEFAULT, bindFlags, 0, 0};
    ID3D11Texture2D* texture = nullptr;
    EXPECT_EQ(device_->CreateTexture2D(&desc, nullptr, &texture), S_OK);
    return texture;
}

ID3D11RenderTargetView* D3D11Test::MakeTargetView(ID3D11Texture2D* texture)
{
    ID3D11RenderTargetView* view = nullptr;
    EXPECT_EQ(device_->CreateRenderTargetView(texture, nullptr, &view), S_OK);
    return view;
}

ID3D11ShaderResourceView* D3D11Test::MakeShaderView(ID3D11Texture2D* texture)
{
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    desc.Format = DXGI_FORMAT_R32G32B32A32_FLOAT;
    desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    desc.Texture2D = {0, 1};
    ID3D11ShaderResourceView* view = nullptr;
    EXPECT_EQ(device_->CreateShaderResourceView(texture, &desc, &view), S_OK);
    return view;
}

ID3D11DepthStencilView* D3D11Test::MakeDepthView(ID3D11Texture2D* texture)
{
    D3D11_DEPTH_STENCIL_VIEW_DESC desc{};
    desc.Format = DXGI_FORMAT_D32_FLOAT;
    desc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    ID3D11DepthStencilView* view = nullptr;
    EXPECT_EQ(device_->CreateDepthStencilView(texture, &desc, &view), S_OK);
    return view;
}

ID3D11VertexShader* D3D11Test::MakeVertexShader(const std::vector<std::uint8_t>& code)
{
    ID3D11VertexShader* shader = nullptr;
    EXPECT_EQ(device_->CreateVertexShader(code.data(), code.size(), nullptr, &shader), S_OK);
    return shader;
}

ID3D11GeometryShader* D3D11Test::MakeGeometryShader(const std::vector<std::uint8_t>& code)
{
    ID3D11GeometryShader* shader = nullptr;
    EXPECT_EQ(device_->CreateGeometryShader(code.data(), code.size(), nullptr, &shader), S_OK);
    return shader;
}

ID3D11PixelShader* D3D11Test::MakePixelShader(const std::vector<std::uint8_t>& code)
{
    ID3D11PixelShader* shader = nullptr;
    EXPECT_EQ(device_->CreatePixelShader(code.data(), code.size(), nullptr, &shader), S_OK);
    return shader;
}

ID3D11InputLayout* D3D11Test::MakeLayout(const std::vector<std::uint8_t>& vertexCode)
{
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    ID3D11InputLayout* layout = nullptr;
    EXPECT_EQ(device_->CreateInputLayout(elements, 2, vertexCode.data(), vertexCode.size(), &layout), S_OK);
    return layout;
}

ID3D11SamplerState* D3D11Test::MakePointSampler()
{
    D3D11_SAMPLER_DESC desc{};
    desc.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    desc.AddressU = desc.AddressV = desc.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    desc.ComparisonFunc = D3D11_COMPARISON_NEVER;
    desc.MaxLOD = D3D11_FLOAT32_MAX;
    ID3D11SamplerState* sampler = nullptr;
    EXPECT_EQ(device_->CreateSamplerState(&desc, &sampler), S_OK);
    return sampler;
}

void D3D11Test::BindColourPipeline(const std::vector<Vertex>& vertices, const VertexConstants& constants)
{
    const std::vector<std::uint8_t> vertexCode = ColourVertexShader();
    colourVS_ = Owned<ID3D11VertexShader>(MakeVertexShader(vertexCode));
    colourPS_ = Owned<ID3D11PixelShader>(MakePixelShader(ColourPixelShader()));
    layout_ = Owned<ID3D11InputLayout>(MakeLayout(vertexCode));
    if (!vertices.empty())
        vertices_ = Owned<ID3D11Buffer>(MakeVertexBuffer(vertices));
    constants_ = Owned<ID3D11Buffer>(MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(VertexConstants), &constants));

    const UINT stride = sizeof(Vertex), offset = 0;
    context_->IASetInputLayout(layout_.get());
    context_->IASetVertexBuffers(0, 1, vertices_.address(), &stride, &offset);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->VSSetShader(colourVS_.get(), nullptr, 0);
    context_->PSSetShader(colourPS_.get(), nullptr, 0);
    context_->VSSetConstantBuffers(0, 1, constants_.address());
    SetViewport();
}

void D3D11Test::BindStages(ID3D11VertexShader* vs, ID3D11GeometryShader* gs, ID3D11PixelShader* ps,
                           ID3D11Buffer* constants)
{
    context_->VSSetShader(vs, nullptr, 0);
    context_->GSSetShader(gs, nullptr, 0);
    context_->PSSetShader(ps, nullptr, 0);
    context_->VSSetConstantBuffers(0, 1, &constants);
    context_->GSSetConstantBuffers(0, 1, &constants);
    context_->PSSetConstantBuffers(0, 1, &constants);
}

void D3D11Test::SetViewport(UINT width, UINT height)
{
    const D3D11_VIEWPORT viewport = {0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
    context_->RSSetViewports(1, &viewport);
}

Texel D3D11Test::ReadTexel(ID3D11Texture2D* texture, UINT x, UINT y)
{
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    EXPECT_TRUE(d3d11::ReadTexels(texture, &bytes, &width, &height, &format));
    Texel texel{};
    if (format == DXGI_FORMAT_R32G32B32A32_FLOAT) {
        std::memcpy(texel.data(), bytes.data() + (static_cast<std::size_t>(y) * width + x) * 16, 16);
    } else if (format == DXGI_FORMAT_R8G8B8A8_UNORM) {
        for (std::size_t c = 0; c < 4; ++c)
            texel[c] = bytes[(static_cast<std::size_t>(y) * width + x) * 4 + c] / 255.0f;
    } else {
        ADD_FAILURE() << "unexpected format " << format;
    }
    return texel;
}

float D3D11Test::ReadDepth(ID3D11Texture2D* texture, UINT x, UINT y)
{
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    EXPECT_TRUE(d3d11::ReadTexels(texture, &bytes, &width, &height, &format));
    EXPECT_EQ(format, DXGI_FORMAT_D32_FLOAT);
    float depth = 0;
    std::memcpy(&depth, bytes.data() + (static_cast<std::size_t>(y) * width + x) * 4, 4);
    return depth;
}

std::vector<diagnostics::JournalEntry> D3D11Test::Entries(const std::string& operation)
{
    std::vector<diagnostics::JournalEntry> found;
    for (diagnostics::JournalEntry& entry : diagnostics::TakeJournal())
        if (entry.operation == operation)
            found.push_back(std::move(entry));
    return found;
}

std::vector<Vertex> Rectangle(float left, float top, float right, float bottom, float z)
{
    return {{left, top, z}, {right, top, z}, {left, bottom, z}, {right, top, z}, {right, bottom, z}, {left, bottom, z}};
}

::testing::AssertionResult TexelEq(const Texel& actual, const Texel& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "texel (" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", "
                                         << actual[3] << "), expected (" << expected[0] << ", " << expected[1] << ", "
                                         << expected[2] << ", " << expected[3] << ")";
}

} // namespace d3d11_test
