#pragma once

// The Direct3D 9 object and device. Nothing here touches a GPU: the device
// exists only so that D3DXCreateTeapot has something to be called on, and it
// keeps the Direct3D 9 object that made it alive, as Direct3D 9 does.

#include "platform/diagnostics/ref_counted.h"
#include "platform/include/d3d9.h"

#include <cstdint>
#include <string>

namespace d3d9 {

// A result code or flag word as journal entries show it: "0x8876086C".
std::string HexCode(std::uint32_t value);

class Direct3D9;

class Direct3DDevice9 final : public diagnostics::RefCounted<IDirect3DDevice9> {
public:
    Direct3DDevice9(Direct3D9* owner, HWND focusWindow, const D3DPRESENT_PARAMETERS& parameters);
    ~Direct3DDevice9() override;

    HWND FocusWindow() const { return focusWindow_; }
    const D3DPRESENT_PARAMETERS& PresentationParameters() const { return parameters_; }

private:
    Direct3D9* owner_;
    HWND focusWindow_;
    D3DPRESENT_PARAMETERS parameters_;
};

class Direct3D9 final : public diagnostics::RefCounted<IDirect3D9> {
public:
    Direct3D9() : RefCounted("IDirect3D9") {}

    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                           D3DPRESENT_PARAMETERS* presentationParameters,
                                           IDirect3DDevice9** device) override;
};

} // namespace d3d9
