// Cost of one frame through the Direct3D 11 layer next to the GL driver's.
//
// The frame is the program's: pass 1 draws a mesh of a few thousand
// triangles (24-byte vertices, 16-bit indices) through vertex, geometry and
// pixel stages into a 1280 x 720 RGBA32F target with a D32 depth buffer;
// pass 2 draws a four-vertex quad into the back buffer, sampling that
// target; then Present. Each frame ends with glFinish so the driver's work
// is inside the frame.
//
// The layer's own CPU time is the frame's submission time minus the time
// spent inside GL calls and SDL_GL_SwapWindow (gl_timing.h).
// Prints figures; asserts nothing.

#include "bench/gl_timing.h"
#include "bench/report.h"
#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/hlsl/shader_container.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using bench::Clock;
using bench::Milliseconds;
using bench::Percentile;

struct Vertex {
    float position[3];
    float normal[3];
};

struct Constants {
    float worldViewProjection[16];
    float passMode[4];
};

std::vector<std::uint8_t> Container(hlsl::ShaderStage stage, const char* glsl, std::vector<hlsl::StageVariable> inputs,
                                    std::vector<hlsl::StageVariable> outputs, bool samples)
{
    hlsl::ShaderContainer c;
    c.stage = stage;
    c.entryPoint = "main";
    c.glsl = glsl;
    c.inputs = std::move(inputs);
    c.outputs = std::move(outputs);
    c.constantBuffers = {{"Scene", 0, sizeof(Constants), hlsl::ConstantBufferBinding(stage, 0)}};
    if (samples)
        c.samplers = {{0, 0, hlsl::TextureUnit(stage, 0)}};
    c.geometryMaxVertices = stage == hlsl::ShaderStage::Geometry ? 3 : 0;
    return hlsl::SerializeContainer(c);
}

hlsl::StageVariable Variable(const char* semantic, std::uint32_t location, const char* macro, bool system = false)
{
    hlsl::StageVariable v;
    v.semantic = semantic;
    v.location = location;
    v.locationMacro = macro;
    v.systemValue = system;
    return v;
}

const char* kVertexGlsl = R"(#version 450
#ifndef VS_OUT_NORMAL0
#define VS_OUT_NORMAL0 0
#endif
layout(location = 0) in vec3 in_POSITION0;
layout(location = 1) in vec3 in_NORMAL0;
layout(binding = 0, std140) uniform fxsc_vs_cb0 { layout(row_major) mat4 wvp; vec4 passMode; } scene;
layout(location = VS_OUT_NORMAL0) out vec4 out_NORMAL0;
void main()
{
    gl_Position = vec4(in_POSITION0, 1.0) * scene.wvp;
    out_NORMAL0 = vec4(in_NORMAL0, 0.0);
}
)";

const char* kGeometryGlsl = R"(#version 450
#ifndef GS_IN_NORMAL0
#define GS_IN_NORMAL0 0
#endif
#ifndef GS_OUT_NORMAL0
#define GS_OUT_NORMAL0 0
#endif
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
layout(binding = 14, std140) uniform fxsc_gs_cb0 { layout(row_major) mat4 wvp; vec4 passMode; } scene;
layout(location = GS_IN_NORMAL0) in vec4 in_NORMAL0[];
layout(location = GS_OUT_NORMAL0) out vec4 out_NORMAL0;
void main()
{
    for (int i = 0; i < 3; ++i) {
        gl_Position = gl_in[i].gl_Position;
        out_NORMAL0 = in_NORMAL0[i];
        EmitVertex();
    }
    EndPrimitive();
}
)";

const char* kPixelGlsl = R"(#version 450
#ifndef PS_IN_NORMAL0
#define PS_IN_NORMAL0 0
#endif
layout(binding = 28, std140) uniform fxsc_ps_cb0 { layout(row_major) mat4 wvp; vec4 passMode; } scene;
layout(binding = 32) uniform sampler2D t0_s0;
layout(location = PS_IN_NORMAL0) in vec4 in_NORMAL0;
layout(location = 0) out vec4 out_SV_Target0;
void main()
{
    if (scene.passMode.x < 1.0)
        out_SV_Target0 = vec4(normalize(in_NORMAL0.xyz) * 0.5 + 0.5, gl_FragCoord.z);
    else
        out_SV_Target0 = texture(t0_s0, gl_FragCoord.xy / vec2(1280.0, 720.0)).wzyx;
}
)";

// A UV sphere of radius 0.8: rings x segments quads, two triangles each,
// clockwise seen from outside.
void Sphere(int rings, int segments, std::vector<Vertex>* vertices, std::vector<std::uint16_t>* indices)
{
    const double pi = 3.14159265358979323846;
    for (int r = 0; r <= rings; ++r) {
        const double theta = pi * r / rings;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2 * pi * s / segments;
            const float n[3] = {static_cast<float>(std::sin(theta) * std::cos(phi)),
                static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta) * std::sin(phi))};
            vertices->push_back({{0.8f * n[0], 0.8f * n[1], 0.8f * n[2] + 2.0f}, {n[0], n[1], n[2]}});
        }
    }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const auto a = static_cast<std::uint16_t>(r * (segments + 1) + s);
            const auto b = static_cast<std::uint16_t>(a + segments + 1);
            indices->insert(indices->end(), {a, static_cast<std::uint16_t>(a + 1), b, static_cast<std::uint16_t>(a + 1),
                                             static_cast<std::uint16_t>(b + 1), b});
        }
}

template <class T>
void Release(T*& object)
{
    if (object)
        object->Release();
    object = nullptr;
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 1264, 681, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);

    DXGI_SWAP_CHAIN_DESC swapChainDesc = {{1280, 720, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM,
                                           DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED, DXGI_MODE_SCALING_UNSPECIFIED},
                                          {1, 0},
                                          DXGI_USAGE_RENDER_TARGET_OUTPUT,
                                          1,
                                          win32::HandleFromWindow(window),
                                          TRUE,
                                          DXGI_SWAP_EFFECT_DISCARD,
                                          DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH};
    IDXGISwapChain* swapChain = nullptr;
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    if (D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                      &swapChainDesc, &swapChain, &device, nullptr, &context) != S_OK) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }

    ID3D11Texture2D* backBuffer = nullptr;
    ID3D11RenderTargetView* backBufferRTV = nullptr;
    ID3D11Texture2D* depthStencilTex = nullptr;
    ID3D11DepthStencilView* depthStencilView = nullptr;
    ID3D11Texture2D* depthTex = nullptr;
    ID3D11RenderTargetView* depthRTV = nullptr;
    ID3D11ShaderResourceView* depthSRV = nullptr;
    ID3D11SamplerState* sampler = nullptr;
    swapChain->GetBuffer(0, IID_ID3D11Texture2D, reinterpret_cast<void**>(&backBuffer));
    device->CreateRenderTargetView(backBuffer, nullptr, &backBufferRTV);
    const D3D11_TEXTURE2D_DESC depthStencilDesc = {1280, 720, 1, 1, DXGI_FORMAT_D32_FLOAT, {1, 0},
                                                   D3D11_USAGE_DEFAULT, D3D11_BIND_DEPTH_STENCIL, 0, 0};
    device->CreateTexture2D(&depthStencilDesc, nullptr, &depthStencilTex);
    device->CreateDepthStencilView(depthStencilTex, nullptr, &depthStencilView);
    const D3D11_TEXTURE2D_DESC depthDesc = {1280, 720, 1, 1, DXGI_FORMAT_R32G32B32A32_FLOAT, {1, 0},
                                            D3D11_USAGE_DEFAULT, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE,
                                            0, 0};
    device->CreateTexture2D(&depthDesc, nullptr, &depthTex);
    device->CreateRenderTargetView(depthTex, nullptr, &depthRTV);
    device->CreateShaderResourceView(depthTex, nullptr, &depthSRV);
    D3D11_SAMPLER_DESC samplerDesc{};
    samplerDesc.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    samplerDesc.AddressU = samplerDesc.AddressV = samplerDesc.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    samplerDesc.ComparisonFunc = D3D11_COMPARISON_NEVER;
    samplerDesc.MaxLOD = D3D11_FLOAT32_MAX;
    device->CreateSamplerState(&samplerDesc, &sampler);
    const D3D11_VIEWPORT viewport = {0, 0, 1280, 720, 0, 1};
    context->RSSetViewports(1, &viewport);

    const auto vsCode
        = Container(hlsl::ShaderStage::Vertex, kVertexGlsl, {Variable("POSITION", 0, ""), Variable("NORMAL", 1, "")},
            {Variable("SV_POSITION", 0, "", true), Variable("NORMAL", 0, "VS_OUT_NORMAL0")}, false);
    const auto gsCode = Container(hlsl::ShaderStage::Geometry, kGeometryGlsl,
        {Variable("SV_POSITION", 0, "", true), Variable("NORMAL", 0, "GS_IN_NORMAL0")},
        {Variable("SV_POSITION", 0, "", true), Variable("NORMAL", 0, "GS_OUT_NORMAL0")}, false);
    const auto psCode = Container(hlsl::ShaderStage::Pixel, kPixelGlsl, {Variable("NORMAL", 0, "PS_IN_NORMAL0")},
                                  {Variable("SV_TARGET", 0, "")}, true);
    ID3D11VertexShader* vs = nullptr;
    ID3D11GeometryShader* gs = nullptr;
    ID3D11PixelShader* ps = nullptr;
    ID3D11InputLayout* layout = nullptr;
    device->CreateVertexShader(vsCode.data(), vsCode.size(), nullptr, &vs);
    device->CreateGeometryShader(gsCode.data(), gsCode.size(), nullptr, &gs);
    device->CreatePixelShader(psCode.data(), psCode.size(), nullptr, &ps);
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
    };
    device->CreateInputLayout(elements, 2, vsCode.data(), vsCode.size(), &layout);

    std::vector<Vertex> vertices;
    std::vector<std::uint16_t> indices;
    Sphere(48, 64, &vertices, &indices);
    const Vertex quad[4]
        = {{{-1, 1, 1}, {0, 0, 0}}, {{1, 1, 1}, {0, 0, 0}}, {{-1, -1, 1}, {0, 0, 0}}, {{1, -1, 1}, {0, 0, 0}}};
    const auto makeBuffer = [&](UINT bind, std::size_t bytes, const void* data) {
        const D3D11_BUFFER_DESC desc = {static_cast<UINT>(bytes), D3D11_USAGE_DEFAULT, bind, 0, 0, 0};
        const D3D11_SUBRESOURCE_DATA initial = {data, 0, 0};
        ID3D11Buffer* buffer = nullptr;
        device->CreateBuffer(&desc, data ? &initial : nullptr, &buffer);
        return buffer;
    };
    ID3D11Buffer* constant = makeBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(Constants), nullptr);
    ID3D11Buffer* vertexBuffer
        = makeBuffer(D3D11_BIND_VERTEX_BUFFER, vertices.size() * sizeof(Vertex), vertices.data());
    ID3D11Buffer* indexBuffer = makeBuffer(D3D11_BIND_INDEX_BUFFER, indices.size() * 2, indices.data());
    ID3D11Buffer* quadBuffer = makeBuffer(D3D11_BIND_VERTEX_BUFFER, sizeof quad, quad);
    const UINT indexCount = static_cast<UINT>(indices.size());

    // A perspective-ish projection, row-vector convention: w = z.
    Constants constants = {{1.0f, 0, 0, 0, 0, 1.7f, 0, 0, 0, 0, 0.5f, 1, 0, 0, 0, 0}, {0, 0, 0, 0}};
    const UINT stride = sizeof(Vertex), offset = 0;
    const float white[4] = {1, 1, 1, 1}, background[4] = {0, 0.125f, 0.3f, 1};

    const auto frame = [&] {
        context->ClearRenderTargetView(depthRTV, white);
        context->ClearDepthStencilView(depthStencilView, D3D11_CLEAR_DEPTH, 1.0f, 0);
        context->OMSetRenderTargets(1, &depthRTV, depthStencilView);
        context->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
        context->IASetIndexBuffer(indexBuffer, DXGI_FORMAT_R16_UINT, 0);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context->VSSetShader(vs, nullptr, 0);
        context->GSSetShader(gs, nullptr, 0);
        context->PSSetShader(ps, nullptr, 0);
        context->VSSetConstantBuffers(0, 1, &constant);
        context->GSSetConstantBuffers(0, 1, &constant);
        context->PSSetConstantBuffers(0, 1, &constant);
        context->PSSetSamplers(0, 1, &sampler);
        constants.passMode[0] = 0;
        context->UpdateSubresource(constant, 0, nullptr, &constants, 0, 0);
        context->PSSetShaderResources(0, 1, &depthSRV);
        context->DrawIndexed(indexCount, 0, 0);

        context->ClearRenderTargetView(backBufferRTV, background);
        context->ClearDepthStencilView(depthStencilView, D3D11_CLEAR_DEPTH, 1.0f, 0);
        context->OMSetRenderTargets(1, &backBufferRTV, nullptr);
        context->IASetIndexBuffer(nullptr, DXGI_FORMAT_UNKNOWN, 0);
        context->IASetVertexBuffers(0, 1, &quadBuffer, &stride, &offset);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        context->IASetInputLayout(layout);
        constants.passMode[0] = 2;
        context->UpdateSubresource(constant, 0, nullptr, &constants, 0, 0);
        context->PSSetShaderResources(0, 1, &depthSRV);
        context->GSSetShader(nullptr, nullptr, 0);
        context->Draw(4, 0);
        swapChain->Present(0, 0);
    };

    for (int i = 0; i < 30; ++i)
        frame();
    glFinish();
    bench::HookGlEntryPoints();

    constexpr int kFrames = 400;
    std::vector<double> wall, submit, layerOwn, driverCalls, finish;
    long calls = 0;
    for (int i = 0; i < kFrames; ++i) {
        bench::ResetGlTally();
        const Clock::time_point start = Clock::now();
        frame();
        const Clock::time_point submitted = Clock::now();
        glFinish();
        const Clock::time_point finished = Clock::now();
        wall.push_back(Milliseconds(finished - start));
        submit.push_back(Milliseconds(submitted - start));
        layerOwn.push_back(Milliseconds(submitted - start - bench::GlTime()));
        driverCalls.push_back(Milliseconds(bench::GlTime()));
        finish.push_back(Milliseconds(finished - submitted));
        calls = bench::GlCalls();
    }

    // The same frames with the call journal on, for its cost; the journal
    // also shows whether any draw was skipped.
    diagnostics::EnableJournal(true);
    std::vector<double> journalled;
    int skippedDraws = 0;
    for (int i = 0; i < 100; ++i) {
        bench::ResetGlTally();
        const Clock::time_point start = Clock::now();
        frame();
        journalled.push_back(Milliseconds(Clock::now() - start - bench::GlTime()));
        glFinish();
        for (const diagnostics::JournalEntry& entry : diagnostics::TakeJournal())
            if (entry.arguments.find("skipped=") != std::string::npos)
                ++skippedDraws;
    }
    diagnostics::EnableJournal(false);

    std::printf("layer_frame_bench: %zu vertices, %u triangles into RGBA32F 1280x720 + D32, quad to a 1280x720 back "
                "buffer presented into 1264x681; %d frames, %ld GL calls per frame\n",
                vertices.size(), indexCount / 3, kFrames, calls);
    std::printf("%-44s %9s %9s\n", "per frame (ms)", "median", "p99");
    const auto row = [](const char* name, const std::vector<double>& values) {
        std::printf("%-44s %9.3f %9.3f\n", name, Percentile(values, 0.5), Percentile(values, 0.99));
    };
    row("wall time, submission to glFinish", wall);
    row("  submission (all layer calls, Present)", submit);
    row("  layer's own CPU (submission - GL - swap)", layerOwn);
    row("  GL driver: inside GL calls and the swap", driverCalls);
    row("  GL driver: glFinish wait", finish);
    row("layer's own CPU with the journal on", journalled);
    std::printf("draws skipped: %d of %d\n", skippedDraws, 200);

    for (ID3D11Buffer** buffer : {&constant, &vertexBuffer, &indexBuffer, &quadBuffer})
        Release(*buffer);
    Release(layout);
    Release(vs);
    Release(gs);
    Release(ps);
    Release(sampler);
    Release(depthSRV);
    Release(depthRTV);
    Release(depthTex);
    Release(depthStencilView);
    Release(depthStencilTex);
    Release(backBufferRTV);
    Release(backBuffer);
    Release(swapChain);
    Release(context);
    Release(device);
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return 0;
}
