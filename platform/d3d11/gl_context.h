#pragma once

// The OpenGL 4.5 core context behind one Direct3D device. The device, its
// immediate context, its swap chain and every object they create share it;
// it lives until the last of them is released.
//
// It also keeps what belongs to the GL context rather than to any one
// Direct3D object: the framebuffers made for sets of render targets, the
// linked programs (see program_cache.h), the stand-ins bound for empty slots,
// and the few GL bindings that are cached to avoid redundant calls.

#include "platform/d3d11/program_cache.h"
#include "platform/include/d3d11.h"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

struct SDL_Window;

namespace d3d11 {

// The textures of one framebuffer: colour attachments by slot, and depth.
struct FramebufferKey {
    std::array<GLuint, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> colors{};
    GLuint depth = 0;
    bool operator==(const FramebufferKey&) const = default;
};

class GlContext {
public:
    // A 4.5 core context on the window, made current; null when the window
    // cannot have one.
    static std::shared_ptr<GlContext> Create(SDL_Window* window);
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    // Makes this context current. False once its window is gone (SDL takes
    // the window's GL surface with it); callers then skip their GL work.
    bool Bind();
    // Makes this context current on its window for presentation; null when
    // the window is gone.
    SDL_Window* BindWindow();

    GLuint Framebuffer(const FramebufferKey& key);
    void BindDrawFramebuffer(GLuint framebuffer);
    // Drops every framebuffer that uses the texture, before it is deleted.
    void ForgetTexture(GLuint texture);

    ProgramCache& Programs() { return programs_; }
    void UseProgram(GLuint program);
    void ForgetCurrentProgram() { currentProgram_ = kUnknownBinding; }

    // The one vertex array object: GL draws nothing without one.
    GLuint VertexArray() const { return vertexArray_; }
    // Bound for empty slots: a 1 x 1 texture of (0, 0, 0, 0), a sampler
    // with Direct3D's default sampler state, a uniform buffer of zeros.
    GLuint EmptyTexture() const { return emptyTexture_; }
    GLuint DefaultSampler() const { return defaultSampler_; }
    GLuint EmptyUniformBuffer() const { return emptyUniformBuffer_; }

    // Direct3D clears ignore the scissor rectangle and the write masks.
    void PrepareClear();

    void SetSwapInterval(int interval);

private:
    GlContext(void* context, std::uint32_t windowId);
    void SetInitialState();

    static constexpr GLuint kUnknownBinding = ~GLuint{0};

    void* context_;
    std::uint32_t windowId_;
    struct CachedFramebuffer {
        FramebufferKey key;
        GLuint framebuffer;
    };
    std::vector<CachedFramebuffer> framebuffers_;
    ProgramCache programs_;
    GLuint boundDrawFramebuffer_ = kUnknownBinding;
    GLuint currentProgram_ = kUnknownBinding;
    GLuint vertexArray_ = 0;
    GLuint emptyTexture_ = 0;
    GLuint defaultSampler_ = 0;
    GLuint emptyUniformBuffer_ = 0;
    int swapInterval_ = -1;
};

// Reports GL errors after an operation in builds made with
// FXDEMO_D3D11_GL_CHECKS; nothing otherwise.
#ifdef FXDEMO_D3D11_GL_CHECKS
void CheckGlErrors(const char* operation);
#else
inline void CheckGlErrors(const char*) {}
#endif

} // namespace d3d11
