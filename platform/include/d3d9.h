#pragma once

// The Direct3D 9 entry point and device creation; the device only serves to
// generate the teapot mesh.

#include "platform/include/wintypes.h"

#define D3D_SDK_VERSION 32

enum D3DDEVTYPE {
    D3DDEVTYPE_HAL = 1,
};

enum D3DFORMAT {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_D16 = 80,
};

enum D3DMULTISAMPLE_TYPE {
    D3DMULTISAMPLE_NONE = 0,
};

enum D3DSWAPEFFECT {
    D3DSWAPEFFECT_DISCARD = 1,
};

#define D3DCREATE_FPU_PRESERVE 0x00000002L
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040L
#define D3DPRESENT_INTERVAL_ONE 0x00000001L
#define D3DLOCK_READONLY 0x00000010L

#define D3DERR_NOTAVAILABLE ((HRESULT)0x8876086AL)
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086CL)

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct IDirect3DDevice9 : IUnknown {
protected:
    ~IDirect3DDevice9() = default;
};

struct IDirect3D9 : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                                                   DWORD behaviorFlags, D3DPRESENT_PARAMETERS* presentationParameters,
                                                   IDirect3DDevice9** device) = 0;

protected:
    ~IDirect3D9() = default;
};

typedef IDirect3DDevice9* LPDIRECT3DDEVICE9;

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion);
