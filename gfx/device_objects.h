#pragma once

#include "platform/api.h"

// Objects that live from start to exit. Each pointer owns one reference.
extern ID3D11Device* d3ddevice;
extern ID3D11DeviceContext* d3dcontext;
extern IDXGISwapChain* d3dswapchain;
extern ID3D11Texture2D* pBackBuffer;
extern ID3D11RenderTargetView* pBackBufferRTV;
extern ID3D11Texture2D* pDepthStencilTex;
extern ID3D11DepthStencilView* pDepthStencilView;
extern ID3D11Texture2D* pDepthTex; // the "Depth Buffer": four float channels
extern ID3D11RenderTargetView* pDepthRTV;
extern ID3D11ShaderResourceView* pDepthSRV;
extern ID3D11SamplerState* pSampler;
extern IDirect3D9* pD3D9;
extern IDirect3DDevice9* pD3D9Device; // only serves to generate the teapot

// Creates every object above for the main window, reporting the first step
// that fails and returning its result (0 on success). Objects made before a
// failure are kept for ReleaseDeviceObjects.
HRESULT CreateDeviceObjects(HWND window);

// Releases whatever exists, in a fixed order; safe in any state.
void ReleaseDeviceObjects();
