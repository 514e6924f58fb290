// The program's static descriptors are laid out as the Windows headers lay
// them out on 64-bit Windows.
#include "platform/api.h"

#include <gtest/gtest.h>

#include <cstddef>

TEST(ApiHeader, StructuresHaveWindowsLayout)
{
    EXPECT_EQ(sizeof(GUID), 16u);
    EXPECT_EQ(sizeof(WNDCLASSEXA), 80u);
    EXPECT_EQ(offsetof(WNDCLASSEXA, lpfnWndProc), 8u);
    EXPECT_EQ(offsetof(WNDCLASSEXA, hIconSm), 72u);
    EXPECT_EQ(sizeof(MSG), 48u);
    EXPECT_EQ(sizeof(DXGI_SWAP_CHAIN_DESC), 72u);
    EXPECT_EQ(offsetof(DXGI_SWAP_CHAIN_DESC, OutputWindow), 48u);
    EXPECT_EQ(sizeof(D3D11_BUFFER_DESC), 24u);
    EXPECT_EQ(sizeof(D3D11_TEXTURE2D_DESC), 44u);
    EXPECT_EQ(sizeof(D3D11_DEPTH_STENCIL_VIEW_DESC), 16u);
    EXPECT_EQ(sizeof(D3D11_SAMPLER_DESC), 52u);
    EXPECT_EQ(sizeof(D3D11_VIEWPORT), 24u);
    EXPECT_EQ(sizeof(D3D11_INPUT_ELEMENT_DESC), 32u);
    EXPECT_EQ(sizeof(D3DPRESENT_PARAMETERS), 64u);
    EXPECT_EQ(offsetof(D3DPRESENT_PARAMETERS, hDeviceWindow), 32u);
}

TEST(ApiHeader, ValuesMatchTheWindowsHeaders)
{
    EXPECT_EQ(E_FAIL, static_cast<HRESULT>(0x80004005u));
    EXPECT_EQ(E_INVALIDARG, static_cast<HRESULT>(0x80070057u));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), static_cast<HRESULT>(0x80070002u));
    EXPECT_EQ(D3DERR_INVALIDCALL, static_cast<HRESULT>(0x8876086Cu));
    EXPECT_EQ(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, 0x40100);
    EXPECT_EQ(CS_VREDRAW | CS_HREDRAW | CS_CLASSDC, 0x43);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(IDI_APPLICATION), 32512u);
    EXPECT_EQ(D3D10_SHADER_ENABLE_STRICTNESS, 0x800);
}
