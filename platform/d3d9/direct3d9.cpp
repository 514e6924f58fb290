#include "platform/d3d9/direct3d9.h"

#include <cstdio>

namespace d3d9 {

namespace {

// The debug-runtime variant of the SDK version that the Windows headers pass
// when D3D_DEBUG_INFO is defined.
constexpr UINT kDebugSdkVersion = D3D_SDK_VERSION | 0x80000000u;

// The one adapter this layer reports.
constexpr UINT kAdapterCount = 1;

constexpr DWORD kVertexProcessingFlags =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;

constexpr int kMaxMultiSampleType = D3DMULTISAMPLE_16_SAMPLES;

bool IsDisplayFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A2R10G10B10:
        return true;
    default:
        return false;
    }
}

bool IsDepthStencilFormat(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D15S1:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D24X4S4:
    case D3DFMT_D16:
    case D3DFMT_D32F_LOCKABLE:
    case D3DFMT_D24FS8:
        return true;
    default:
        return false;
    }
}

bool IsSwapEffect(D3DSWAPEFFECT effect)
{
    return effect == D3DSWAPEFFECT_DISCARD || effect == D3DSWAPEFFECT_FLIP || effect == D3DSWAPEFFECT_COPY;
}

bool IsPresentationInterval(UINT interval, bool windowed)
{
    switch (interval) {
    case D3DPRESENT_INTERVAL_DEFAULT:
    case D3DPRESENT_INTERVAL_ONE:
    case D3DPRESENT_INTERVAL_IMMEDIATE:
        return true;
    case D3DPRESENT_INTERVAL_TWO:
    case D3DPRESENT_INTERVAL_THREE:
    case D3DPRESENT_INTERVAL_FOUR:
        return !windowed; // a windowed swap chain cannot wait for several refreshes
    default:
        return false;
    }
}

// The documented refusals of IDirect3D9::CreateDevice, in the order they are
// checked. Each gives D3DERR_INVALIDCALL; the message goes to the journal.
const char* ValidateCreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 const D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** device)
{
    // clang-format off
    if (!device)                                    return "the device out-pointer is null";
    if (!pp)                                        return "the presentation parameters are null";
    if (adapter >= kAdapterCount)                   return "no such adapter";
    if (deviceType != D3DDEVTYPE_HAL)               return "only the hardware device type is available";

    const DWORD vertexProcessing = behaviorFlags & kVertexProcessingFlags;
    if (vertexProcessing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
        vertexProcessing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vertexProcessing != D3DCREATE_MIXED_VERTEXPROCESSING)
                                                    return "exactly one vertex processing flag is required";
    if ((behaviorFlags & D3DCREATE_PUREDEVICE) && vertexProcessing != D3DCREATE_HARDWARE_VERTEXPROCESSING)
                                                    return "a pure device needs hardware vertex processing";

    const bool windowed = pp->Windowed != FALSE;
    if (!focusWindow && !windowed)                  return "a full-screen device needs a focus window";
    if (!focusWindow && !pp->hDeviceWindow)         return "neither a focus window nor a device window";
    if (pp->BackBufferCount > D3DPRESENT_BACK_BUFFERS_MAX)
                                                    return "more than three back buffers";
    if (!IsSwapEffect(pp->SwapEffect))              return "unknown swap effect";
    if (pp->SwapEffect == D3DSWAPEFFECT_COPY && pp->BackBufferCount > 1)
                                                    return "the copy swap effect allows one back buffer";
    if (static_cast<int>(pp->MultiSampleType) < 0 || pp->MultiSampleType > kMaxMultiSampleType)
                                                    return "unknown multisample type";
    if (pp->MultiSampleType != D3DMULTISAMPLE_NONE && pp->SwapEffect != D3DSWAPEFFECT_DISCARD)
                                                    return "multisampling needs the discard swap effect";
    // The adapter reports a single quality level for every sample count.
    if (pp->MultiSampleQuality != 0)                return "multisample quality beyond the levels reported";
    if (windowed && pp->BackBufferFormat != D3DFMT_UNKNOWN && !IsDisplayFormat(pp->BackBufferFormat))
                                                    return "back buffer format not usable in a window";
    if (!windowed && !IsDisplayFormat(pp->BackBufferFormat))
                                                    return "full-screen back buffer format is not a display format";
    if (!windowed && (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0))
                                                    return "a full-screen back buffer needs a size";
    if (windowed && pp->FullScreen_RefreshRateInHz != 0)
                                                    return "a windowed device has no refresh rate";
    if (!IsPresentationInterval(pp->PresentationInterval, windowed))
                                                    return "presentation interval not available";
    if (pp->EnableAutoDepthStencil && !IsDepthStencilFormat(pp->AutoDepthStencilFormat))
                                                    return "automatic depth-stencil format is not a depth format";
    // clang-format on
    return nullptr;
}

} // namespace

std::string HexCode(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

Direct3DDevice9::Direct3DDevice9(Direct3D9* owner, HWND focusWindow, const D3DPRESENT_PARAMETERS& parameters)
    : RefCounted("IDirect3DDevice9"),
      owner_(diagnostics::AddRefAs<Direct3D9>(owner)),
      focusWindow_(focusWindow),
      parameters_(parameters)
{
}

Direct3DDevice9::~Direct3DDevice9()
{
    owner_->Release();
}

HRESULT STDMETHODCALLTYPE Direct3D9::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                                                  DWORD behaviorFlags, D3DPRESENT_PARAMETERS* presentationParameters,
                                                  IDirect3DDevice9** device)
{
    if (device)
        *device = nullptr;
    std::string arguments = "d3d=" + diagnostics::ObjectLabel(this) + " adapter=" + std::to_string(adapter) +
                            " type=" + std::to_string(static_cast<int>(deviceType)) + " flags=" + HexCode(behaviorFlags);

    HRESULT hr = S_OK;
    if (diagnostics::ShouldFail("CreateDevice", &hr)) {
        diagnostics::Record("CreateDevice", arguments + " result=" + HexCode(static_cast<std::uint32_t>(hr)));
        return hr;
    }
    if (const char* refusal =
            ValidateCreateDevice(adapter, deviceType, focusWindow, behaviorFlags, presentationParameters, device)) {
        diagnostics::Record("CreateDevice", arguments + " result=" +
                                                HexCode(static_cast<std::uint32_t>(D3DERR_INVALIDCALL)) +
                                                " reason=\"" + refusal + "\"");
        return D3DERR_INVALIDCALL;
    }

    // Windowed presentation with no device window presents into the focus
    // window; the window itself is only carried.
    auto* created = new Direct3DDevice9(this, focusWindow, *presentationParameters);
    *device = created;
    diagnostics::Record("CreateDevice", arguments + " result=" + HexCode(0) + " device=" + diagnostics::ObjectLabel(created));
    return S_OK;
}

} // namespace d3d9

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    const std::string arguments = "version=" + std::to_string(sdkVersion);
    HRESULT ignored = S_OK;
    if (diagnostics::ShouldFail("Direct3DCreate9", &ignored) ||
        (sdkVersion != D3D_SDK_VERSION && sdkVersion != d3d9::kDebugSdkVersion)) {
        diagnostics::Record("Direct3DCreate9", arguments + " result=null");
        return nullptr;
    }
    auto* created = new d3d9::Direct3D9();
    diagnostics::Record("Direct3DCreate9", arguments + " result=" + diagnostics::ObjectLabel(created));
    return created;
}
