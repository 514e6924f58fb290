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
    Owned(Owned&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Owned& operator=(Owned&& other) noexcept { std::swap(object_, other.object_); return *this; }
    ~Owned() { Reset(); }
    void Reset() { if (object_) object_->Release(); object_ = nullptr; }
    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T** out() { Reset(); return &object_; }
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

// A render target that is also a shader input.
struct Target {
    Owned<ID3D11Texture2D> texture;
    Owned<ID3D11RenderTargetView> rtv;
    Owned<ID3D11ShaderResourceView> srv;
};

class D3D11Test : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 1280, kHeight = 720;

    void SetUp() override;
    void TearDown() override;

    // A hidden GL window of this client size; on it the device, context and
    // swap chain from the program's descriptor.
    void OpenWindowAndDevice(int width, int height);
    DXGI_SWAP_CHAIN_DESC ProgramSwapChainDesc() const;

    // Compiles an entry point of a file under tests/data; the profile is the
    // entry point's first two letters + "_4_0" unless given. Empty on failure.
    static Code Compile(const std::string& file, const std::string& entry, std::string profile = "",
                        const D3D10_SHADER_MACRO* defines = nullptr);
    // An entry point of tests/data/d3d11/pipeline.fx.
    static Code Pipeline(const std::string& entry) { return Compile("d3d11/pipeline.fx", entry); }

    Owned<ID3D11Buffer> MakeBuffer(UINT bindFlags, UINT byteWidth, const void* data);
    Owned<ID3D11Texture2D> MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width = kWidth,
                                       UINT height = kHeight, const void* texels = nullptr, UINT pitch = 0);
    Owned<ID3D11RenderTargetView> MakeTargetView(ID3D11Texture2D* texture);
    Owned<ID3D11ShaderResourceView> MakeShaderView(ID3D11Texture2D* texture);
    Owned<ID3D11VertexShader> MakeVertexShader(const Code& code);
    Owned<ID3D11GeometryShader> MakeGeometryShader(const Code& code);
    Owned<ID3D11PixelShader> MakePixelShader(const Code& code);
    // POSITION and NORMAL, as the program's layout, from input slot `slot`.
    Owned<ID3D11InputLayout> MakeLayout(const Code& vertexCode, UINT slot = 0);
    Owned<ID3D11SamplerState> MakeSampler(D3D11_TEXTURE_ADDRESS_MODE address = D3D11_TEXTURE_ADDRESS_CLAMP);
    // A float target, also a shader input, cleared to `clear`.
    Target MakeTarget(const Texel& clear, UINT width = kWidth, UINT height = kHeight);
    // Makes target_ and binds it alone, with a viewport over it.
    void BindTarget(const Texel& clear, UINT width = kWidth, UINT height = kHeight);
    Texel At(UINT x, UINT y) { return ReadTexel(target_.texture.get(), x, y); }

    // The stages (no geometry stage if `gs` is empty) with the program's
    // layout from `vs`; only the context keeps them.
    void BindStages(const Code& vs, const Code& ps, const Code& gs = {});
    // vs_colour and ps_colour, `constants` at b0 of the vertex stage (kept in
    // constants_), the vertices as a triangle list (none if empty).
    void BindColourPipeline(const std::vector<Vertex>& vertices, const Constants& constants);
    // The four-vertex strip over the viewport, clockwise: (-1, 1), (1, 1),
    // (-1, -1), (1, -1) at z 0.5, vertex i with the normal (i, 0, 0).
    void BindStrip();
    // Replaces the vertices at slot 0.
    void BindVertices(const std::vector<Vertex>& vertices, UINT offset = 0);
    void SetViewport(UINT width = kWidth, UINT height = kHeight);

    // The texel (x, y) of a float, 8-bit or depth texture (depth in [0]).
    Texel ReadTexel(ID3D11Texture2D* texture, UINT x, UINT y);
    // Operations in the journal, in order, that have this name.
    static std::vector<diagnostics::JournalEntry> Entries(const std::string& operation);

    SDL_Window* window_ = nullptr;
    IDXGISwapChain* swapChain_ = nullptr;
    ID3D11Device* device_ = nullptr;
    ID3D11DeviceContext* context_ = nullptr;
    // Released before the device.
    Target target_;
    Owned<ID3D11Buffer> constants_;
};

// Two triangles covering the rectangle between NDC corners, clockwise as
// Direct3D sees them (y up in NDC: top-left, top-right, bottom-left, ...).
std::vector<Vertex> Rectangle(float left, float top, float right, float bottom, float z = 0.5f);

inline ::testing::AssertionResult TexelEq(const Texel& actual, const Texel& expected)
{
    if (actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(actual) << ", expected "
                                         << ::testing::PrintToString(expected);
}

} // namespace d3d11_test
