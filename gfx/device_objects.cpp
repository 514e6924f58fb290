#include "gfx/device_objects.h"

#include "gfx/error_line.h"
#include "gfx/safe_release.h"
#include "gfx/mesh_buffers.h"

ID3D11Device* d3ddevice = nullptr;
ID3D11DeviceContext* d3dcontext = nullptr;
IDXGISwapChain* d3dswapchain = nullptr;
ID3D11Texture2D* pBackBuffer = nullptr;
ID3D11RenderTargetView* pBackBufferRTV = nullptr;
ID3D11Texture2D* pDepthStencilTex = nullptr;
ID3D11DepthStencilView* pDepthStencilView = nullptr;
ID3D11Texture2D* pDepthTex = nullptr;
ID3D11RenderTargetView* pDepthRTV = nullptr;
ID3D11ShaderResourceView* pDepthSRV = nullptr;
ID3D11SamplerState* pSampler = nullptr;
IDirect3D9* pD3D9 = nullptr;
IDirect3DDevice9* pD3D9Device = nullptr;
MeshBuffers meshBuffers = {};

namespace {

constexpr UINT kWidth = 1280;
constexpr UINT kHeight = 720;

// The output window is written in just before use.
DXGI_SWAP_CHAIN_DESC swapChainDesc = {
    .BufferDesc = {
        .Width = kWidth,
        .Height = kHeight,
        .RefreshRate = {.Numerator = 60, .Denominator = 1},
        .Format = DXGI_FORMAT_R8G8B8A8_UNORM,
        .ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
        .Scaling = DXGI_MODE_SCALING_UNSPECIFIED,
    },
    .SampleDesc = {.Count = 1, .Quality = 0},
    .BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT,
    .BufferCount = 1,
    .OutputWindow = nullptr,
    .Windowed = TRUE,
    .SwapEffect = DXGI_SWAP_EFFECT_DISCARD,
    .Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH,
};

const D3D11_TEXTURE2D_DESC depthStencilTexDesc = {
    .Width = kWidth,
    .Height = kHeight,
    .MipLevels = 1,
    .ArraySize = 1,
    .Format = DXGI_FORMAT_D32_FLOAT,
    .SampleDesc = {.Count = 1, .Quality = 0},
    .Usage = D3D11_USAGE_DEFAULT,
    .BindFlags = D3D11_BIND_DEPTH_STENCIL,
    .CPUAccessFlags = 0,
    .MiscFlags = 0,
};

const D3D11_TEXTURE2D_DESC depthBufferDesc = {
    .Width = kWidth,
    .Height = kHeight,
    .MipLevels = 1,
    .ArraySize = 1,
    .Format = DXGI_FORMAT_R32G32B32A32_FLOAT,
    .SampleDesc = {.Count = 1, .Quality = 0},
    .Usage = D3D11_USAGE_DEFAULT,
    .BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE,
    .CPUAccessFlags = 0,
    .MiscFlags = 0,
};

const D3D11_DEPTH_STENCIL_VIEW_DESC depthStencilViewDesc = {
    .Format = DXGI_FORMAT_D32_FLOAT,
    .ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D,
    .Flags = 0,
    .Texture2D = {.MipSlice = 0},
};

const D3D11_SHADER_RESOURCE_VIEW_DESC depthBufferViewDesc = {
    .Format = DXGI_FORMAT_R32G32B32A32_FLOAT,
    .ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D,
    .Texture2D = {.MostDetailedMip = 0, .MipLevels = 1},
};

const D3D11_SAMPLER_DESC samplerDesc = {
    .Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR,
    .AddressU = D3D11_TEXTURE_ADDRESS_WRAP,
    .AddressV = D3D11_TEXTURE_ADDRESS_WRAP,
    .AddressW = D3D11_TEXTURE_ADDRESS_WRAP,
    .MipLODBias = 0.0f,
    .MaxAnisotropy = 0,
    .ComparisonFunc = D3D11_COMPARISON_NEVER,
    .BorderColor = {0.0f, 0.0f, 0.0f, 0.0f},
    .MinLOD = 0.0f,
    .MaxLOD = D3D11_FLOAT32_MAX,
};

const D3D11_VIEWPORT viewport = {
    .TopLeftX = 0.0f,
    .TopLeftY = 0.0f,
    .Width = static_cast<FLOAT>(kWidth),
    .Height = static_cast<FLOAT>(kHeight),
    .MinDepth = 0.0f,
    .MaxDepth = 1.0f,
};

// Width and height 0: taken from the focus window.
const D3DPRESENT_PARAMETERS presentParameters = {
    .BackBufferWidth = 0,
    .BackBufferHeight = 0,
    .BackBufferFormat = D3DFMT_X8R8G8B8,
    .BackBufferCount = 1,
    .MultiSampleType = D3DMULTISAMPLE_NONE,
    .MultiSampleQuality = 0,
    .SwapEffect = D3DSWAPEFFECT_DISCARD,
    .hDeviceWindow = nullptr,
    .Windowed = TRUE,
    .EnableAutoDepthStencil = TRUE,
    .AutoDepthStencilFormat = D3DFMT_D16,
    .Flags = 0,
    .FullScreen_RefreshRateInHz = 0,
    .PresentationInterval = D3DPRESENT_INTERVAL_ONE,
};

} // namespace

HRESULT CreateDeviceObjects(HWND window)
{
    HRESULT hr;

    swapChainDesc.OutputWindow = window;
    hr = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                       D3D11_SDK_VERSION, &swapChainDesc, &d3dswapchain, &d3ddevice, nullptr,
                                       &d3dcontext);
    if (StepFailed(hr, 341, "D3D11CreateDeviceAndSwapChain"))
        return hr;

    hr = d3dswapchain->GetBuffer(0, IID_ID3D11Texture2D, reinterpret_cast<void**>(&pBackBuffer));
    if (StepFailed(hr, 347, "d3dswapchain GetBuffer"))
        return hr;

    hr = d3ddevice->CreateRenderTargetView(pBackBuffer, nullptr, &pBackBufferRTV);
    if (StepFailed(hr, 350, "CreateRenderTargetView Back Buffer"))
        return hr;

    hr = d3ddevice->CreateTexture2D(&depthStencilTexDesc, nullptr, &pDepthStencilTex);
    if (StepFailed(hr, 356, "CreateTexture2D DepthStencilView"))
        return hr;

    hr = d3ddevice->CreateDepthStencilView(pDepthStencilTex, &depthStencilViewDesc, &pDepthStencilView);
    if (StepFailed(hr, 359, "CreateDepthStencilView"))
        return hr;

    hr = d3ddevice->CreateTexture2D(&depthBufferDesc, nullptr, &pDepthTex);
    if (StepFailed(hr, 365, "CreateTexture2D"))
        return hr;

    hr = d3ddevice->CreateRenderTargetView(pDepthTex, nullptr, &pDepthRTV);
    if (StepFailed(hr, 368, "CreateRenderTargetView Depth Buffer"))
        return hr;

    hr = d3ddevice->CreateShaderResourceView(pDepthTex, &depthBufferViewDesc, &pDepthSRV);
    if (StepFailed(hr, 374, "CreateShaderResourceView Depth Buffer"))
        return hr;

    hr = d3ddevice->CreateSamplerState(&samplerDesc, &pSampler);
    if (StepFailed(hr, 380, "CreateSamplerState"))
        return hr;

    pD3D9 = Direct3DCreate9(D3D_SDK_VERSION);
    if (!pD3D9) {
        ErrorLineNull(386, "Direct3DCreate9");
        return E_FAIL;
    }

    // Without D3DCREATE_FPU_PRESERVE; the scene arithmetic reproduces the
    // single-precision rounding this implies wherever it matters.
    D3DPRESENT_PARAMETERS parameters = presentParameters;
    hr = pD3D9->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                             &pD3D9Device);
    if (StepFailed(hr, 389, "CreateDevice D3D9"))
        return hr;

    d3dcontext->RSSetViewports(1, &viewport);
    return 0;
}

void ReleaseDeviceObjects()
{
    SafeRelease(meshBuffers.indexBuffer);
    SafeRelease(meshBuffers.vertexBuffer);
    meshBuffers = {};

    SafeRelease(pD3D9Device);
    SafeRelease(pD3D9);

    SafeRelease(pSampler);
    SafeRelease(pDepthSRV);
    SafeRelease(pDepthRTV);
    SafeRelease(pDepthTex);
    SafeRelease(pDepthStencilView);
    SafeRelease(pDepthStencilTex);
    SafeRelease(pBackBufferRTV);
    SafeRelease(pBackBuffer);

    // A swap chain must not be released in full-screen mode.
    if (d3dswapchain)
        d3dswapchain->SetFullscreenState(FALSE, nullptr);
    SafeRelease(d3dswapchain);
    SafeRelease(d3dcontext);
    SafeRelease(d3ddevice);
}
