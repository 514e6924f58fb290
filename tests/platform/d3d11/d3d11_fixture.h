#pragma once

// A device on a hidden GL window, made as the program makes it, and small
// builders for what the layer tests draw with. Shaders come from the HLSL
// files under tests/data, compiled as the program compiles main.fx.

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

struct SDL_Window;

namespace d3d11_test {

using Texel = std::array<float, 4>;
using Code = std::vector<std::uint8_t>;

// Owns one reference of a platform object.
template <class T>
class Owned {
public:
    Owned() = default;
    explicit Owned(T* object) : object_(object) {}
    Owned(Owned&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    Owned& operator=(Owned&& other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Owned() { Reset(); }
    void Reset()
    {
        if (object_)
            object_->Release();
        object_ = nullptr;
    }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T** out()
    {
        Reset();
        return &object_;
    }
    T* const* address() const { return &object_; }

private:
    T* object_ = nullptr;
};

// The 24-byte vertex of the program: position, then normal.
struct Vertex {
    float x, y, z;
    float nx = 0, ny = 0, nz = 0;
};

// b0 of tests/data/d3d11/pipeline.fx.
struct Constants {
    float offset[4];
    float colour[4];
};

// A float render target that is also a shader input.
struct Target {
    Owned<ID3D11Texture2D> texture;
    Owned<ID3D11RenderTargetView> rtv;
    Owned<ID3D11ShaderResourceView> srv;
};

class D3D11Test : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 1280;
    static constexpr UINT kHeight = 720;

    void SetUp() override;
    void TearDown() override;

    // Opens a hidden GL window of the given client size, without a device.
    void OpenWindow(int width, int height);
    // The device, context and swap chain on the window, from the program's
    // swap chain descriptor.
    void CreateDevice();
    void ReleaseDevice();
    DXGI_SWAP_CHAIN_DESC ProgramSwapChainDesc() const;

    // Compiles an entry point of a file under tests/data; the profile is the
    // entry point's first two letters + "_4_0" unless given. Empty on failure.
    static Code Compile(const std::string& file, const std::string& entry, std::string profile = "",
                        const D3D10_SHADER_MACRO* defines = nullptr);
    // An entry point of tests/data/d3d11/pipeline.fx.
    static Code Pipeline(const std::string& entry) { return Compile("d3d11/pipeline.fx", entry); }

    Owned<ID3D11Buffer> MakeBuffer(UINT bindFlags, UINT byteWidth, const void* data);
    Owned<ID3D11Buffer> MakeVertexBuffer(const std::vector<Vertex>& vertices);
    Owned<ID3D11Texture2D> MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width = kWidth,
                                       UINT height = kHeight, const void* texels = nullptr, UINT pitch = 0);
    Owned<ID3D11RenderTargetView> MakeTargetView(ID3D11Texture2D* texture);
    Owned<ID3D11ShaderResourceView> MakeShaderView(ID3D11Texture2D* texture);
    Owned<ID3D11DepthStencilView> MakeDepthView(ID3D11Texture2D* texture);
    Owned<ID3D11VertexShader> MakeVertexShader(const Code& code);
    Owned<ID3D11GeometryShader> MakeGeometryShader(const Code& code);
    Owned<ID3D11PixelShader> MakePixelShader(const Code& code);
    // POSITION and NORMAL, as the program's layout.
    Owned<ID3D11InputLayout> MakeLayout(const Code& vertexCode);
    Owned<ID3D11SamplerState> MakeSampler(D3D11_TEXTURE_ADDRESS_MODE address = D3D11_TEXTURE_ADDRESS_CLAMP);
    // A kWidth x kHeight float target cleared to `clear`.
    Target MakeTarget(const Texel& clear);

    // vs_colour and ps_colour with the program's layout, `constants` at b0
    // of the vertex stage, the vertices as a triangle list (none if empty)
    // and a full-target viewport.
    void BindColourPipeline(const std::vector<Vertex>& vertices, const Constants& constants);
    // Replaces the vertices at slot 0.
    void BindVertices(const std::vector<Vertex>& vertices, UINT offset = 0);
    void SetViewport(UINT width = kWidth, UINT height = kHeight);

    Texel ReadTexel(ID3D11Texture2D* texture, UINT x, UINT y);
    float ReadDepth(ID3D11Texture2D* texture, UINT x, UINT y);
    // Operations in the journal, in order, that have this name.
    static std::vector<diagnostics::JournalEntry> Entries(const std::string& operation);

    SDL_Window* window_ = nullptr;
    IDXGISwapChain* swapChain_ = nullptr;
    ID3D11Device* device_ = nullptr;
    ID3D11DeviceContext* context_ = nullptr;

    // What BindColourPipeline makes; released before the device.
    Owned<ID3D11VertexShader> colourVS_;
    Owned<ID3D11PixelShader> colourPS_;
    Owned<ID3D11InputLayout> layout_;
    Owned<ID3D11Buffer> vertices_;
    Owned<ID3D11Buffer> constants_;
};

// Two triangles covering the rectangle between NDC corners, clockwise as
// Direct3D sees them (y up in NDC: top-left, top-right, bottom-left, ...).
std::vector<Vertex> Rectangle(float left, float top, float right, float bottom, float z);

::testing::AssertionResult TexelEq(const Texel& actual, const Texel& expected);

} // namespace d3d11_test
