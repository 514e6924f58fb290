#pragma once

// Shared by the Direct3D 9 tests: the presentation parameters the program
// passes, a stand-in window, and a fixture that checks nothing leaks.

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"

#include <gtest/gtest.h>

inline D3DPRESENT_PARAMETERS ProgramPresentParameters()
{
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    return pp;
}

class D3D9Test : public ::testing::Test {
protected:
    void SetUp() override { diagnostics::Reset(); }

    void TearDown() override
    {
        diagnostics::Reset();
        EXPECT_EQ(diagnostics::LiveObjects("IDirect3D9"), 0);
        EXPECT_EQ(diagnostics::LiveObjects("IDirect3DDevice9"), 0);
        EXPECT_EQ(diagnostics::LiveObjects("ID3DXMesh"), 0);
    }

    // The window handle is only carried, never looked into.
    HWND Window() { return &window_; }

    // Creates the Direct3D 9 object and a device the way the program does.
    void CreateProgramDevice(IDirect3D9** d3d, IDirect3DDevice9** device)
    {
        *d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(*d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = ProgramPresentParameters();
        ASSERT_EQ((*d3d)->CreateDevice(0, D3DDEVTYPE_HAL, Window(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, device),
                  S_OK);
        ASSERT_NE(*device, nullptr);
    }

private:
    HWND__ window_{};
};
