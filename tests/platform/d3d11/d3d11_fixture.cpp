#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/readback.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace d3d11_test {

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
    for (IUnknown* object : {static_cast<IUnknown*>(swapChain_), static_cast<IUnknown*>(context_),
                             static_cast<IUnknown*>(device_)})
        if (object)
            object->Release();
    swapChain_ = nullptr;
    context_ = nullptr;
    device_ = nullptr;
}

Code D3D11Test::Compile(const std::string& file, const std::string& entry, std::string profile,
                        const D3D10_SHADER_MACRO* defines)
{
    if (profile.empty())
        profile = entry.substr(0, 2) + "_4_0";
    const std::string path = std::string(FXDEMO_TEST_DATA) + "/" + file;
    Owned<ID3D10Blob> code, messages;
    const HRESULT result =
        D3DX11CompileFromFileA(path.c_str(), defines, nullptr, entry.c_str(), profile.c_str(),
                               D3D10_SHADER_ENABLE_STRICTNESS, 0, nullptr, code.out(), messages.out(), nullptr);
    EXPECT_EQ(result, S_OK) << file << " " << entry << " " << profile << ":\n"
                            << (messages.get() ? static_cast<const char*>(messages->GetBufferPointer()) : "");
    if (!code.get())
        return {};
    const auto* bytes = static_cast<const std::uint8_t*>(code->GetBufferPointer());
    return {bytes, bytes + code->GetBufferSize()};
}

template <class T, class Create>
Owned<T> Made(Create create)
{
    Owned<T> object;
    EXPECT_EQ(create(object.out()), S_OK);
    return object;
}

Owned<ID3D11Buffer> D3D11Test::MakeBuffer(UINT bindFlags, UINT byteWidth, const void* data)
{
    const D3D11_BUFFER_DESC desc = {byteWidth, D3D11_USAGE_DEFAULT, bindFlags, 0, 0, 0};
    const D3D11_SUBRESOURCE_DATA initial = {data, 0, 0};
    return Made<ID3D11Buffer>([&](auto out) { return device_->CreateBuffer(&desc, data ? &initial : nullptr, out); });
}

Owned<ID3D11Buffer> D3D11Test::MakeVertexBuffer(const std::vector<Vertex>& vertices)
{
    return MakeBuffer(D3D11_BIND_VERTEX_BUFFER, static_cast<UINT>(vertices.size() * sizeof(Vertex)), vertices.data());
}

Owned<ID3D11Texture2D> D3D11Test::MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width, UINT height,
                                              const void* texels, UINT pitch)
{
    const D3D11_TEXTURE2D_DESC desc = {width, height, 1, 1, format, {1, 0}, D3D11_USAGE_DEFAULT, bindFlags, 0, 0};
    const D3D11_SUBRESOURCE_DATA data = {texels, pitch, 0};
    return Made<ID3D11Texture2D>(
        [&](auto out) { return device_->CreateTexture2D(&desc, texels ? &data : nullptr, out); });
}

Owned<ID3D11RenderTargetView> D3D11Test::MakeTargetView(ID3D11Texture2D* texture)
{
    return Made<ID3D11RenderTargetView>([&](auto out) { return device_->CreateRenderTargetView(texture, nullptr, out); });
}

Owned<ID3D11ShaderResourceView> D3D11Test::MakeShaderView(ID3D11Texture2D* texture)
{
    return Made<ID3D11ShaderResourceView>(
        [&](auto out) { return device_->CreateShaderResourceView(texture, nullptr, out); });
}

Owned<ID3D11DepthStencilView> D3D11Test::MakeDepthView(ID3D11Texture2D* texture)
{
    return Made<ID3D11DepthStencilView>([&](auto out) { return device_->CreateDepthStencilView(texture, nullptr, out); });
}

Owned<ID3D11VertexShader> D3D11Test::MakeVertexShader(const Code& code)
{
    return Made<ID3D11VertexShader>(
        [&](auto out) { return device_->CreateVertexShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11GeometryShader> D3D11Test::MakeGeometryShader(const Code& code)
{
    return Made<ID3D11GeometryShader>(
        [&](auto out) { return device_->CreateGeometryShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11PixelShader> D3D11Test::MakePixelShader(const Code& code)
{
    return Made<ID3D11PixelShader>(
        [&](auto out) { return device_->CreatePixelShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11InputLayout> D3D11Test::MakeLayout(const Code& vertexCode)
{
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    return Made<ID3D11InputLayout>(
        [&](auto out) { return device_->CreateInputLayout(elements, 2, vertexCode.data(), vertexCode.size(), out); });
}

Owned<ID3D11SamplerState> D3D11Test::MakeSampler(D3D11_TEXTURE_ADDRESS_MODE address)
{
    D3D11_SAMPLER_DESC desc{};
    desc.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
    desc.AddressU = desc.AddressV = desc.AddressW = address;
    desc.ComparisonFunc = D3D11_COMPARISON_NEVER;
    desc.MaxLOD = D3D11_FLOAT32_MAX;
    return Made<ID3D11SamplerState>([&](auto out) { return device_->CreateSamplerState(&desc, out); });
}

Target D3D11Test::MakeTarget(const Texel& clear)
{
    Target target;
    target.texture =
        MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE);
    target.rtv = MakeTargetView(target.texture.get());
    target.srv = MakeShaderView(target.texture.get());
    context_->ClearRenderTargetView(target.rtv.get(), clear.data());
    return target;
}

void D3D11Test::BindColourPipeline(const std::vector<Vertex>& vertices, const Constants& constants)
{
    const Code vertexCode = Pipeline("vs_colour");
    colourVS_ = MakeVertexShader(vertexCode);
    colourPS_ = MakePixelShader(Pipeline("ps_colour"));
    layout_ = MakeLayout(vertexCode);
    constants_ = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(Constants), &constants);
    if (!vertices.empty())
        BindVertices(vertices);
    context_->IASetInputLayout(layout_.get());
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context_->VSSetShader(colourVS_.get(), nullptr, 0);
    context_->PSSetShader(colourPS_.get(), nullptr, 0);
    context_->VSSetConstantBuffers(0, 1, constants_.address());
    SetViewport();
}

void D3D11Test::BindVertices(const std::vector<Vertex>& vertices, UINT offset)
{
    vertices_ = MakeVertexBuffer(vertices);
    const UINT stride = sizeof(Vertex);
    context_->IASetVertexBuffers(0, 1, vertices_.address(), &stride, &offset);
}

void D3D11Test::SetViewport(UINT width, UINT height)
{
    const D3D11_VIEWPORT viewport = {0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
    context_->RSSetViewports(1, &viewport);
}

// The bytes of texel (x, y), or an empty vector (and a failure) where the
// texture has another format or no such texel.
static std::vector<std::uint8_t> TexelBytes(ID3D11Texture2D* texture, UINT x, UINT y, DXGI_FORMAT* format)
{
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    EXPECT_TRUE(d3d11::ReadTexels(texture, &bytes, &width, &height, format));
    const std::size_t size = *format == DXGI_FORMAT_R32G32B32A32_FLOAT ? 16 : 4;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * size;
    if (x >= width || y >= height || bytes.size() < at + size) {
        ADD_FAILURE() << "no texel " << x << "," << y;
        return {};
    }
    return {bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.begin() + static_cast<std::ptrdiff_t>(at + size)};
}

Texel D3D11Test::ReadTexel(ID3D11Texture2D* texture, UINT x, UINT y)
{
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    const std::vector<std::uint8_t> bytes = TexelBytes(texture, x, y, &format);
    Texel texel{-1, -1, -1, -1};
    if (format == DXGI_FORMAT_R32G32B32A32_FLOAT && bytes.size() == 16)
        std::memcpy(texel.data(), bytes.data(), 16);
    else if (format == DXGI_FORMAT_R8G8B8A8_UNORM && bytes.size() == 4)
        for (std::size_t c = 0; c < 4; ++c)
            texel[c] = bytes[c] / 255.0f;
    else
        ADD_FAILURE() << "unexpected format " << format;
    return texel;
}

float D3D11Test::ReadDepth(ID3D11Texture2D* texture, UINT x, UINT y)
{
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    const std::vector<std::uint8_t> bytes = TexelBytes(texture, x, y, &format);
    EXPECT_EQ(format, DXGI_FORMAT_D32_FLOAT);
    float depth = -1;
    if (bytes.size() == 4)
        std::memcpy(&depth, bytes.data(), 4);
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
