#include "platform/d3d11/swap_chain.h"

#include "platform/d3d11/journal.h"
#include "platform/diagnostics/diagnostics.h"

#include <SDL.h>

#include <malloc.h>

namespace d3d11 {

namespace {

constexpr UINT kMaxSyncInterval = 4;

} // namespace

SwapChain::SwapChain(std::shared_ptr<GlContext> gl, const DXGI_SWAP_CHAIN_DESC& desc, UINT width, UINT height)
    : RefCounted("IDXGISwapChain"), gl_(std::move(gl))
{
    const D3D11_TEXTURE2D_DESC bufferDesc = {
        width,
        height,
        1,
        1,
        desc.BufferDesc.Format,
        {1, 0},
        D3D11_USAGE_DEFAULT,
        (desc.BufferUsage & DXGI_USAGE_RENDER_TARGET_OUTPUT) ? UINT{D3D11_BIND_RENDER_TARGET} : 0u,
        0,
        0,
    };
    backBuffer_ = Ref<Texture2D>::Adopt(new Texture2D(gl_, bufferDesc, nullptr));
}

HRESULT SwapChain::Present(UINT syncInterval, UINT flags)
{
    HRESULT result = S_OK;
    const char* skipped = nullptr;
    SDL_Window* window = nullptr;
    if (syncInterval > kMaxSyncInterval || flags != 0) {
        result = DXGI_ERROR_INVALID_CALL;
    } else if (!(window = gl_->BindWindow())) {
        // The program presents once more in the frame after its window is
        // destroyed; there is nothing left to show.
        skipped = "the window is gone";
    }
    int width = 0, height = 0;
    if (window)
        SDL_GL_GetDrawableSize(window, &width, &height);
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Add("sync_interval", syncInterval).Hex("flags", flags).Result(result);
        if (window)
            fields.Add("drawable_width", width).Add("drawable_height", height);
        if (skipped)
            fields.Add("skipped", skipped);
        diagnostics::Record("Present", fields.Take());
    }
    if (!window)
        return result;

    // Interval 0 never waits for the display.
    gl_->SetSwapInterval(syncInterval ? 1 : 0);
    const D3D11_TEXTURE2D_DESC& desc = backBuffer_->Desc();
    FramebufferKey key;
    key.colors[0] = backBuffer_->Name();
    // Row 0 of the back buffer is the top; row 0 of the window is the bottom.
    glBlitNamedFramebuffer(gl_->Framebuffer(key), 0, 0, 0, static_cast<GLint>(desc.Width),
                           static_cast<GLint>(desc.Height), 0, height, width, 0, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window);
    CheckGlErrors("Present");
    // A reload frees what the compiles and the driver's code generation for
    // the new programs took (a large effect file, a long geometry stage:
    // tens of MB). glibc keeps freed memory of that size for the next
    // allocations instead of returning it; give it back once the first frame
    // with the new programs is out.
    if (gl_->Programs().TakeNewlyLinked())
        malloc_trim(0);
    return S_OK;
}

HRESULT SwapChain::GetBuffer(UINT buffer, REFIID riid, void** surface)
{
    HRESULT result = S_OK;
    if (surface)
        *surface = nullptr;
    if (!diagnostics::ShouldFail("GetBuffer", &result)) {
        if (!surface || buffer != 0) {
            result = DXGI_ERROR_INVALID_CALL;
        } else if (!(riid == IID_ID3D11Texture2D)) {
            result = E_NOINTERFACE;
        } else {
            backBuffer_->AddRef();
            *surface = static_cast<ID3D11Texture2D*>(backBuffer_.get());
        }
    }
    if (diagnostics::JournalEnabled())
        diagnostics::Record("GetBuffer",
            Fields()
                .Add("buffer", buffer)
                .Add("interface", riid == IID_ID3D11Texture2D ? "ID3D11Texture2D" : "other")
                .Result(result)
                .Object("surface", surface ? *surface : nullptr)
                .Take());
    return result;
}

HRESULT SwapChain::SetFullscreenState(BOOL fullscreen, IDXGIOutput* target)
{
    // Windowed only: there is no exclusive full-screen mode to switch to.
    const HRESULT result = fullscreen ? DXGI_ERROR_UNSUPPORTED : S_OK;
    if (diagnostics::JournalEnabled())
        diagnostics::Record("SetFullscreenState",
                            Fields().Add("fullscreen", fullscreen).Object("output", target).Result(result).Take());
    return result;
}

} // namespace d3d11
