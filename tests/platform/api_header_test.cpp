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
    EXPECT_EQ(sizeof(D3D11_CLASS_INSTANCE_DESC), 32u);
    EXPECT_EQ(offsetof(D3D11_CLASS_INSTANCE_DESC, BaseSampler), 24u);
    EXPECT_EQ(sizeof(D3DPRESENT_PARAMETERS), 64u);
    EXPECT_EQ(offsetof(D3DPRESENT_PARAMETERS, hDeviceWindow), 32u);
}
