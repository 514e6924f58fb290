#include "platform/d3d11/gl_context.h"

#include <SDL.h>

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <vector>

namespace d3d11 {

namespace {

// Direct3D reads an empty constant buffer slot as zeros; a block can be at
// most 4096 vectors.
constexpr GLsizeiptr kEmptyUniformBufferBytes = D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16;

bool IsCoreProfile45()
{
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 45)
        return false;
    GLint profile = 0;
    glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &profile);
    return (profile & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

} // namespace

std::shared_ptr<GlContext> GlContext::Create(SDL_Window* window)
{
    if (!window || !(SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL))
        return nullptr;
    // Our own hold on the GL library: SDL unloads it with the last GL window,
    // which would take this context with it.
    if (SDL_GL_LoadLibrary(nullptr) != 0)
        return nullptr;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!context) {
        SDL_GL_UnloadLibrary();
        return nullptr;
    }
    if (!IsCoreProfile45()) {
        SDL_GL_DeleteContext(context);
        SDL_GL_UnloadLibrary();
        return nullptr;
    }
    std::shared_ptr<GlContext> gl(new GlContext(context, SDL_GetWindowID(window)));
    gl->SetInitialState();
    return gl;
}

GlContext::GlContext(void* context, std::uint32_t windowId) : context_(context), windowId_(windowId) {}

GlContext::~GlContext()
{
    // After SDL's video subsystem has stopped, the context went with it.
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return;
    const bool bound = Bind();
    programs_.Clear(bound);
    if (bound) {
        for (const CachedFramebuffer& cached : framebuffers_)
            glDeleteFramebuffers(1, &cached.framebuffer);
        glDeleteVertexArrays(1, &vertexArray_);
        glDeleteTextures(1, &emptyTexture_);
        glDeleteSamplers(1, &defaultSampler_);
        glDeleteBuffers(1, &emptyUniformBuffer_);
    }
    SDL_GL_DeleteContext(static_cast<SDL_GLContext>(context_));
    SDL_GL_UnloadLibrary();
}

void GlContext::SetInitialState()
{
    // Direct3D's image conventions: row 0 at the top, gl_FragCoord equal to
    // SV_Position, depth from 0 to 1.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    // Direct3D's default rasterizer, depth-stencil and blend state. With the
    // upper-left origin, GL_CW selects the triangles Direct3D calls clockwise.
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    // nointerpolation values come from each primitive's first (leading)
    // vertex, where GL takes the last.
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glEnable(GL_DEPTH_TEST); // passes everything while no depth buffer is attached
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_PRIMITIVE_RESTART_FIXED_INDEX);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);

    glCreateVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);

    const float zero[4] = {0, 0, 0, 0};
    glCreateTextures(GL_TEXTURE_2D, 1, &emptyTexture_);
    glTextureStorage2D(emptyTexture_, 1, GL_RGBA32F, 1, 1);
    glTextureSubImage2D(emptyTexture_, 0, 0, 0, 1, 1, GL_RGBA, GL_FLOAT, zero);

    // D3D11's default sampler: trilinear, clamped, border white, all LODs.
    const float white[4] = {1, 1, 1, 1};
    glCreateSamplers(1, &defaultSampler_);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(defaultSampler_, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    glSamplerParameterfv(defaultSampler_, GL_TEXTURE_BORDER_COLOR, white);
    glSamplerParameterf(defaultSampler_, GL_TEXTURE_MIN_LOD, -FLT_MAX);
    glSamplerParameterf(defaultSampler_, GL_TEXTURE_MAX_LOD, FLT_MAX);

    const std::vector<unsigned char> zeros(kEmptyUniformBufferBytes);
    glCreateBuffers(1, &emptyUniformBuffer_);
    glNamedBufferStorage(emptyUniformBuffer_, kEmptyUniformBufferBytes, zeros.data(), 0);
}

bool GlContext::Bind()
{
    if (SDL_GL_GetCurrentContext() == context_)
        return true;
    SDL_Window* window = SDL_GetWindowFromID(windowId_);
    return window && SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context_)) == 0;
}

SDL_Window* GlContext::BindWindow()
{
    SDL_Window* window = SDL_GetWindowFromID(windowId_);
    if (!window)
        return nullptr;
    if (SDL_GL_GetCurrentContext() == context_ && SDL_GL_GetCurrentWindow() == window)
        return window;
    return SDL_GL_MakeCurrent(window, static_cast<SDL_GLContext>(context_)) == 0 ? window : nullptr;
}

GLuint GlContext::Framebuffer(const FramebufferKey& key)
{
    for (const CachedFramebuffer& cached : framebuffers_)
        if (cached.key == key)
            return cached.framebuffer;

    GLuint framebuffer = 0;
    glCreateFramebuffers(1, &framebuffer);
    std::array<GLenum, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> drawBuffers{};
    GLsizei drawBufferCount = 0;
    for (GLsizei slot = 0; slot < static_cast<GLsizei>(D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT); ++slot) {
        const GLuint texture = key.colors[static_cast<std::size_t>(slot)];
        const GLenum attachment = GL_COLOR_ATTACHMENT0 + static_cast<GLenum>(slot);
        drawBuffers[static_cast<std::size_t>(slot)] = texture ? attachment : GL_NONE;
        if (texture) {
            glNamedFramebufferTexture(framebuffer, attachment, texture, 0);
            drawBufferCount = slot + 1;
        }
    }
    if (drawBufferCount)
        glNamedFramebufferDrawBuffers(framebuffer, drawBufferCount, drawBuffers.data());
    else
        glNamedFramebufferDrawBuffer(framebuffer, GL_NONE);
    glNamedFramebufferReadBuffer(framebuffer, key.colors[0] ? GL_COLOR_ATTACHMENT0 : GL_NONE);
    if (key.depth)
        glNamedFramebufferTexture(framebuffer, GL_DEPTH_ATTACHMENT, key.depth, 0);
    framebuffers_.push_back({key, framebuffer});
    return framebuffer;
}

void GlContext::BindDrawFramebuffer(GLuint framebuffer)
{
    if (framebuffer == boundDrawFramebuffer_)
        return;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    boundDrawFramebuffer_ = framebuffer;
}

void GlContext::ForgetTexture(GLuint texture)
{
    const bool bound = Bind();
    std::erase_if(framebuffers_, [&](const CachedFramebuffer& cached) {
        const bool uses = cached.key.depth == texture
                       || std::find(cached.key.colors.begin(), cached.key.colors.end(), texture)
                              != cached.key.colors.end();
        if (uses) {
            if (bound)
                glDeleteFramebuffers(1, &cached.framebuffer);
            if (cached.framebuffer == boundDrawFramebuffer_)
                boundDrawFramebuffer_ = kUnknownBinding;
        }
        return uses;
    });
}

void GlContext::UseProgram(GLuint program)
{
    if (program == currentProgram_)
        return;
    glUseProgram(program);
    currentProgram_ = program;
}

void GlContext::PrepareClear()
{
    // GL clears obey these; Direct3D clears do not. Nothing here enables the
    // scissor test, but the masks are set for every clear (GL skips
    // unchanged state cheaply).
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
}

void GlContext::SetSwapInterval(int interval)
{
    if (interval == swapInterval_)
        return;
    SDL_GL_SetSwapInterval(interval);
    swapInterval_ = interval;
}

#ifdef FXDEMO_D3D11_GL_CHECKS
void CheckGlErrors(const char* operation)
{
    for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError())
        std::fprintf(stderr, "d3d11: GL error 0x%04X after %s\n", error, operation);
}
#endif

} // namespace d3d11
