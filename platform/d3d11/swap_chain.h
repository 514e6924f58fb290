#pragma once

// IDXGISwapChain: one back buffer (a layer texture) presented by scaling it
// into the window's drawable with a y flip, then swapping the window.
// Windowed only.

#include "platform/d3d11/gl_context.h"
#include "platform/d3d11/ref.h"
#include "platform/d3d11/texture.h"
#include "platform/diagnostics/ref_counted.h"
#include "platform/include/dxgi.h"

#include <memory>

namespace d3d11 {

class SwapChain final : public diagnostics::RefCounted<IDXGISwapChain> {
public:
    // The context is current; the back buffer is created here.
    SwapChain(std::shared_ptr<GlContext> gl, const DXGI_SWAP_CHAIN_DESC& desc, UINT width, UINT height);

    HRESULT STDMETHODCALLTYPE Present(UINT syncInterval, UINT flags) override;
    HRESULT STDMETHODCALLTYPE GetBuffer(UINT buffer, REFIID riid, void** surface) override;
    HRESULT STDMETHODCALLTYPE SetFullscreenState(BOOL fullscreen, IDXGIOutput* target) override;

private:
    ~SwapChain() override = default;

    std::shared_ptr<GlContext> gl_;
    Ref<Texture2D> backBuffer_;
};

} // namespace d3d11
