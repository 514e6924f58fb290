#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/readback.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>

namespace d3d11_test {

void D3D11Test::SetUp()
{
    OpenWindowAndDevice(static_cast<int>(kWidth), static_cast<int>(kHeight));
}

void D3D11Test::TearDown()
{
    target_ = Target();
    constants_.Reset();
    // The program's release order: swap chain, context, device.
    for (IUnknown* object : {static_cast<IUnknown*>(swapChain_), static_cast<IUnknown*>(context_),
                             static_cast<IUnknown*>(device_)})
        if (object)
            object->Release();
    // Every test ends with every layer object released.
    EXPECT_EQ(diagnostics::LiveObjects(), 0);
    if (window_)
        SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    diagnostics::Reset();
}

void D3D11Test::OpenWindowAndDevice(int width, int height)
{
    // The tests run headless; CTest sets this too.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    diagnostics::Reset();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    window_ = SDL_CreateWindow("d3d11 test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    const DXGI_SWAP_CHAIN_DESC desc = ProgramSwapChainDesc();
    ASSERT_EQ(D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                            D3D11_SDK_VERSION, &desc, &swapChain_, &device_, nullptr, &context_),
              S_OK);
}

DXGI_SWAP_CHAIN_DESC D3D11Test::ProgramSwapChainDesc() const
{
    return {.BufferDesc = {kWidth, kHeight, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                           DXGI_MODE_SCALING_UNSPECIFIED},
            .SampleDesc = {1, 0}, .BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT, .BufferCount = 1,
            .OutputWindow = win32::HandleFromWindow(window_), .Windowed = TRUE,
            .SwapEffect = DXGI_SWAP_EFFECT_DISCARD, .Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH};
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

// What a creating call made, which must succeed.
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

Owned<ID3D11Texture2D> D3D11Test::MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width, UINT height,
                                              const void* texels, UINT pitch)
{
    const D3D11_TEXTURE2D_DESC desc = {width, height, 1, 1, format, {1, 0}, D3D11_USAGE_DEFAULT, bindFlags, 0, 0};
    const D3D11_SUBRESOURCE_DATA data = {texels, pitch, 0};
    return Made<ID3D11Texture2D>([&](auto out) { return device_->CreateTexture2D(&desc, texels ? &data : nullptr, out); });
}

Owned<ID3D11RenderTargetView> D3D11Test::MakeTargetView(ID3D11Texture2D* texture)
{
    return Made<ID3D11RenderTargetView>([&](auto out) { return device_->CreateRenderTargetView(texture, nullptr, out); });
}

Owned<ID3D11ShaderResourceView> D3D11Test::MakeShaderView(ID3D11Texture2D* texture)
{
    return Made<ID3D11ShaderResourceView>([&](auto out) { return device_->CreateShaderResourceView(texture, nullptr, out); });
}

Owned<ID3D11VertexShader> D3D11Test::MakeVertexShader(const Code& code)
{
    return Made<ID3D11VertexShader>([&](auto out) { return device_->CreateVertexShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11GeometryShader> D3D11Test::MakeGeometryShader(const Code& code)
{
    return Made<ID3D11GeometryShader>([&](auto out) { return device_->CreateGeometryShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11PixelShader> D3D11Test::MakePixelShader(const Code& code)
{
    return Made<ID3D11PixelShader>([&](auto out) { return device_->CreatePixelShader(code.data(), code.size(), nullptr, out); });
}

Owned<ID3D11InputLayout> D3D11Test::MakeLayout(const Code& vertexCode, UINT slot)
{
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, slot, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, slot, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    return Made<ID3D11InputLayout>(
        [&](auto out) { return device_->CreateInputLayout(elements, 2, vertexCode.data(), vertexCode.size(), out); });
}

Owned<ID3D11SamplerState> D3D11Test::MakeSampler(D3D11_TEXTURE_ADDRESS_MODE address)
{
    const D3D11_SAMPLER_DESC desc = {D3D11_FILTER_MIN_MAG_MIP_POINT, address, address, address, 0, 0,
                                     D3D11_COMPARISON_NEVER, {0, 0, 0, 0}, 0, D3D11_FLOAT32_MAX};
    return Made<ID3D11SamplerState>([&](auto out) { return device_->CreateSamplerState(&desc, out); });
}

Target D3D11Test::MakeTarget(const Texel& clear, UINT width, UINT height)
{
    Target target;
    const UINT bindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
    target.texture = MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, bindFlags, width, height);
    target.rtv = MakeTargetView(target.texture.get());
    target.srv = MakeShaderView(target.texture.get());
    context_->ClearRenderTargetView(target.rtv.get(), clear.data());
    return target;
}

void D3D11Test::BindTarget(const Texel& clear, UINT width, UINT height)
{
    target_ = MakeTarget(clear, width, height);
    context_->OMSetRenderTargets(1, target_.rtv.address(), nullptr);
    SetViewport(width, height);
}

void D3D11Test::BindStages(const Code& vs, const Code& ps, const Code& gs)
{
    context_->IASetInputLayout(MakeLayout(vs).get());
    context_->VSSetShader(MakeVertexShader(vs).get(), nullptr, 0);
    context_->GSSetShader(gs.empty() ? nullptr : MakeGeometryShader(gs).get(), nullptr, 0);
    context_->PSSetShader(MakePixelShader(ps).get(), nullptr, 0);
}

void D3D11Test::BindColourPipeline(const std::vector<Vertex>& vertices, const Constants& constants)
{
    BindStages(Pipeline("vs_colour"), Pipeline("ps_colour"));
    constants_ = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(Constants), &constants);
    context_->VSSetConstantBuffers(0, 1, constants_.address());
    if (!vertices.empty())
        BindVertices(vertices);
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

void D3D11Test::BindStrip()
{
    BindVertices({{-1, 1, 0.5f, 0, 0, 0}, {1, 1, 0.5f, 1, 0, 0}, {-1, -1, 0.5f, 2, 0, 0}, {1, -1, 0.5f, 3, 0, 0}});
    context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
}

void D3D11Test::BindVertices(const std::vector<Vertex>& vertices, UINT offset)
{
    Owned<ID3D11Buffer> buffer =
        MakeBuffer(D3D11_BIND_VERTEX_BUFFER, static_cast<UINT>(vertices.size() * sizeof(Vertex)), vertices.data());
    const UINT stride = sizeof(Vertex);
    context_->IASetVertexBuffers(0, 1, buffer.address(), &stride, &offset);
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
    DXGI_FORMAT format{};
    Texel texel{-1, -1, -1, -1};
    const bool read = d3d11::ReadTexels(texture, &bytes, &width, &height, &format);
    const std::size_t size = format == DXGI_FORMAT_R32G32B32A32_FLOAT ? 16 : 4;
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * size;
    if (!read || x >= width || y >= height || bytes.size() < at + size) {
        ADD_FAILURE() << "no texel " << x << "," << y;
    } else if (format == DXGI_FORMAT_R8G8B8A8_UNORM) {
        for (std::size_t c = 0; c < 4; ++c)
            texel[c] = bytes[at + c] / 255.0f;
    } else {
        std::memcpy(texel.data(), bytes.data() + at, size); // RGBA32F, or D32 into [0]
    }
    return texel;
}

std::vector<diagnostics::JournalEntry> D3D11Test::Entries(const std::string& operation)
{
    std::vector<diagnostics::JournalEntry> journal = diagnostics::TakeJournal();
    std::erase_if(journal, [&](const diagnostics::JournalEntry& entry) { return entry.operation != operation; });
    return journal;
}

std::vector<Vertex> Rectangle(float left, float top, float right, float bottom, float z)
{
    return {{left, top, z}, {right, top, z}, {left, bottom, z}, {right, top, z}, {right, bottom, z}, {left, bottom, z}};
}

} // namespace d3d11_test
