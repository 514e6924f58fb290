#pragma once

// A device on a hidden GL window, made as the program makes it, and small
// builders for what the layer tests draw with. Shader containers are built
// by hand from GLSL that follows the compiler's conventions, so these tests
// do not depend on the compiler.

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/hlsl/shader_container.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

struct SDL_Window;

namespace d3d11_test {

using Texel = std::array<float, 4>;

// Owns one reference of a platform object.
template <class T>
class Owned {
public:
    Owned() = default;
    explicit Owned(T* object) : object_(object) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& other) noexcept : object_(other.Detach()) {}
    Owned& operator=(Owned&& other) noexcept
    {
        if (this != &other) {
            Reset();
            object_ = other.Detach();
        }
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
    T* Detach()
    {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

private:
    T* object_ = nullptr;
};

// The 24-byte vertex of the program: position, then normal. The test vertex
// shader adds the normal to its colour, so a normal of zero keeps the
// constant colour.
struct Vertex {
    float x, y, z;
    float nx = 0, ny = 0, nz = 0;
};

// A stage variable of a hand-built container.
hlsl::StageVariable Varying(const char* semantic, std::uint32_t index, std::uint32_t location, const char* macro);
hlsl::StageVariable VertexInput(const char* semantic, std::uint32_t location, std::uint32_t components = 3);
hlsl::StageVariable Position();
hlsl::StageVariable Target(std::uint32_t index);

std::vector<std::uint8_t> Container(hlsl::ShaderStage stage, const std::string& glsl,
                                    std::vector<hlsl::StageVariable> inputs, std::vector<hlsl::StageVariable> outputs,
                                    std::vector<hlsl::ConstantBuffer> constantBuffers = {},
                                    std::vector<hlsl::CombinedSampler> samplers = {});

// Vertex stage: POSITION + offset from constant buffer 0, COLOR0 = constant
// colour + NORMAL.
std::vector<std::uint8_t> ColourVertexShader();
// Pixel stage: writes COLOR0.
std::vector<std::uint8_t> ColourPixelShader();
// Pixel stage: writes its own constant buffer 0's first vector. Its block has
// the vertex stage's block name, as the compiler names blocks by slot.
std::vector<std::uint8_t> ConstantPixelShader();
// Pixel stage: writes texture slot 0 sampled through sampler slot 0 at the
// pixel's own texel.
std::vector<std::uint8_t> TexturePixelShader();

// Constant buffer 0 of the colour vertex shader.
struct VertexConstants {
    float offset[4];
    float colour[4];
};

class D3D11Test : public ::testing::Test {
protected:
    static constexpr UINT kWidth = 1280;
    static constexpr UINT kHeight = 720;

    void SetUp() override;
    void TearDown() override;

    // Opens a hidden GL window of the given client size, without a device.
    void OpenWindow(int width, int height);
    // Creates the device, context and swap chain on the window, with the
    // program's swap chain descriptor.
    void CreateDevice();
    void ReleaseDevice();

    DXGI_SWAP_CHAIN_DESC ProgramSwapChainDesc() const;

    ID3D11Buffer* MakeBuffer(UINT bindFlags, UINT byteWidth, const void* data);
    ID3D11Buffer* MakeVertexBuffer(const std::vector<Vertex>& vertices);
    ID3D11Texture2D* MakeTexture(DXGI_FORMAT format, UINT bindFlags, UINT width = kWidth, UINT height = kHeight);
    ID3D11RenderTargetView* MakeTargetView(ID3D11Texture2D* texture);
    ID3D11ShaderResourceView* MakeShaderView(ID3D11Texture2D* texture);
    ID3D11DepthStencilView* MakeDepthView(ID3D11Texture2D* texture);
    ID3D11VertexShader* MakeVertexShader(const std::vector<std::uint8_t>& code);
    ID3D11GeometryShader* MakeGeometryShader(const std::vector<std::uint8_t>& code);
    ID3D11PixelShader* MakePixelShader(const std::vector<std::uint8_t>& code);
    // POSITION and NORMAL, as the program's layout.
    ID3D11InputLayout* MakeLayout(const std::vector<std::uint8_t>& vertexCode);
    ID3D11SamplerState* MakePointSampler();

    // Binds the colour shaders, the layout, a constant buffer and the
    // vertices as a triangle list, and a full-target viewport.
    void BindColourPipeline(const std::vector<Vertex>& vertices, const VertexConstants& constants);
    // The three shader stages, and `constants` at slot 0 of each, as the
    // program binds its block.
    void BindStages(ID3D11VertexShader* vs, ID3D11GeometryShader* gs, ID3D11PixelShader* ps,
                    ID3D11Buffer* constants);
    void SetViewport(UINT width = kWidth, UINT height = kHeight);

    Texel ReadTexel(ID3D11Texture2D* texture, UINT x, UINT y);
    float ReadDepth(ID3D11Texture2D* texture, UINT x, UINT y);
    // Operations in the journal, in order, that have this name.
    static std::vector<diagnostics::JournalEntry> Entries(const std::string& operation);

    SDL_Window* window_ = nullptr;
    IDXGISwapChain* swapChain_ = nullptr;
    ID3D11Device* device_ = nullptr;
    ID3D11DeviceContext* context_ = nullptr;

    // What BindColourPipeline creates; released before the device.
    Owned<ID3D11VertexShader> colourVS_;
    Owned<ID3D11PixelShader> colourPS_;
    Owned<ID3D11InputLayout> layout_;
    Owned<ID3D11Buffer> vertices_;
    Owned<ID3D11Buffer> constants_;
};

// Two triangles covering the rectangle between NDC corners, clockwise as
// Direct3D sees them (y up in NDC, so top-left, top-right, bottom-left...).
std::vector<Vertex> Rectangle(float left, float top, float right, float bottom, float z);

::testing::AssertionResult TexelEq(const Texel& actual, const Texel& expected);

} // namespace d3d11_test
