#include "resources/scene_resources.h"

#include "gfx/d3d_buffer.h"
#include "gfx/device_objects.h"
#include "gfx/error_line.h"
#include "gfx/safe_release.h"
#include "resources/teapot_mesh.h"
#include "resources/vertex.h"
#include "scene/scene_constants.h"

#include <cstdio>

ID3D10Blob* pVSBlob = nullptr;
ID3D10Blob* pGSBlob = nullptr;
ID3D10Blob* pPSBlob = nullptr;
ID3D11VertexShader* pVShader = nullptr;
ID3D11GeometryShader* pGShader = nullptr;
ID3D11PixelShader* pPShader = nullptr;
ID3D11Buffer* pConstant = nullptr;
ID3D11InputLayout* pInputLayout = nullptr;
ID3D11Buffer* pVertexScreen = nullptr;
ID3D11RasterizerState* pRSStage = nullptr;

namespace {

const char kEffectFile[] = "main.fx";

const D3D11_INPUT_ELEMENT_DESC vertexLayout[] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 12, D3D11_INPUT_PER_VERTEX_DATA, 0},
};

// A triangle strip covering the screen at z = 1.
const Vertex screenQuad[4] = {
    {{-1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}},
    {{1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}},
    {{-1.0f, -1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}},
    {{1.0f, -1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}},
};

} // namespace

HRESULT CompileShaderFromFile(const char* fileName, const char* entryPoint, const char* profile, ID3D10Blob** code)
{
    ID3D10Blob* messages = nullptr;
    const HRESULT hr = D3DX11CompileFromFileA(fileName, nullptr, nullptr, entryPoint, profile,
                                              D3D10_SHADER_ENABLE_STRICTNESS, 0, nullptr, code, &messages, nullptr);
    if (hr < 0 && messages)
        std::printf("ERROR:%s : %s\n", "CompileShaderFromFile", static_cast<const char*>(messages->GetBufferPointer()));
    SafeRelease(messages);
    return hr;
}

void LoadSceneResources()
{
    ReleaseSceneResources();
    ResetSceneConstants();

    // All three stages compile before any shader object is made, so an
    // error in any stage leaves no shader objects at all.
    if (StepFailed(CompileShaderFromFile(kEffectFile, "vs_main", "vs_4_0", &pVSBlob), 408, "CompileShaderFromFile VS"))
        return;
    if (StepFailed(CompileShaderFromFile(kEffectFile, "gs_main", "gs_4_0", &pGSBlob), 410, "CompileShaderFromFile GS"))
        return;
    if (StepFailed(CompileShaderFromFile(kEffectFile, "ps_main", "ps_4_0", &pPSBlob), 412, "CompileShaderFromFile PS"))
        return;

    if (StepFailed(d3ddevice->CreateVertexShader(pVSBlob->GetBufferPointer(), pVSBlob->GetBufferSize(), nullptr,
                                                 &pVShader),
                   414, "CreateVertexShader"))
        return;
    if (StepFailed(d3ddevice->CreateGeometryShader(pGSBlob->GetBufferPointer(), pGSBlob->GetBufferSize(), nullptr,
                                                   &pGShader),
                   416, "CreateGeometryShader"))
        return;
    if (StepFailed(d3ddevice->CreatePixelShader(pPSBlob->GetBufferPointer(), pPSBlob->GetBufferSize(), nullptr,
                                                &pPShader),
                   418, "CreatePixelShader"))
        return;

    if (StepFailed(CreateD3DBuffer(D3D11_BIND_CONSTANT_BUFFER, sizeof(SceneConstants), &pConstant, nullptr), 422,
                   "D3DX11CreateBuffer:pConstant"))
        return;
    if (StepFailed(d3ddevice->CreateInputLayout(vertexLayout, 2, pVSBlob->GetBufferPointer(),
                                                pVSBlob->GetBufferSize(), &pInputLayout),
                   427, "CreateInputLayout"))
        return;
    if (StepFailed(CreateD3DBuffer(D3D11_BIND_VERTEX_BUFFER, sizeof screenQuad, &pVertexScreen, screenQuad), 434,
                   "D3DXCreateBuffer : pVertexScreen"))
        return;

    LoadTeapotMesh(&meshBuffers);
    std::printf("Loaded.\n");
}

void ReleaseSceneResources()
{
    SafeRelease(meshBuffers.indexBuffer);
    SafeRelease(meshBuffers.vertexBuffer);
    meshBuffers = {};

    SafeRelease(pVertexScreen);
    SafeRelease(pVShader);
    SafeRelease(pGShader);
    SafeRelease(pPShader);
    SafeRelease(pVSBlob);
    SafeRelease(pGSBlob);
    SafeRelease(pPSBlob);
    SafeRelease(pConstant);
    SafeRelease(pRSStage);
    SafeRelease(pInputLayout);
}
