#include "bench/gl_timing.h"

#include <SDL.h>
#include <dlfcn.h>
#include <epoxy/gl.h>

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace bench {

namespace {

Clock::duration glTime{};
long glCalls = 0;
Clock::duration swapTime{};

// Times the calls through one epoxy function pointer. The real function
// comes from SDL's GL loader rather than from the pointer itself: until an
// entry point's first call, epoxy's pointer leads to a resolver that would
// call back through the pointer, into the wrapper.
template <auto* Slot>
struct Hook;

template <class R, class... A, R (**Slot)(A...)>
struct Hook<Slot> {
    static inline R (*original)(A...) = nullptr;

    static R Call(A... args)
    {
        ++glCalls;
        const Clock::time_point start = Clock::now();
        if constexpr (std::is_void_v<R>) {
            original(args...);
            glTime += Clock::now() - start;
        } else {
            R result = original(args...);
            glTime += Clock::now() - start;
            return result;
        }
    }

    static void Install(const char* name)
    {
        if (original)
            return;
        original = reinterpret_cast<R (*)(A...)>(SDL_GL_GetProcAddress(name));
        if (!original) {
            std::fprintf(stderr, "gl_timing: no GL entry point %s\n", name);
            std::abort();
        }
        *Slot = &Call;
    }
};

#define FXBENCH_HOOK(name) Hook<&epoxy_##name>::Install(#name)

} // namespace

void HookGlEntryPoints()
{
    // Every entry point platform/d3d11 calls (scripts/bench checks that this
    // list keeps up with it), and the few more the hand-written frame calls.
    FXBENCH_HOOK(glAttachShader);
    FXBENCH_HOOK(glBindBuffersBase);
    FXBENCH_HOOK(glBindFramebuffer);
    FXBENCH_HOOK(glBindSampler);
    FXBENCH_HOOK(glBindTextureUnit);
    FXBENCH_HOOK(glBindVertexArray);
    FXBENCH_HOOK(glBlitNamedFramebuffer);
    FXBENCH_HOOK(glClearNamedFramebufferfv);
    FXBENCH_HOOK(glClipControl);
    FXBENCH_HOOK(glColorMask);
    FXBENCH_HOOK(glCompileShader);
    FXBENCH_HOOK(glCreateBuffers);
    FXBENCH_HOOK(glCreateFramebuffers);
    FXBENCH_HOOK(glCreateProgram);
    FXBENCH_HOOK(glCreateSamplers);
    FXBENCH_HOOK(glCreateShader);
    FXBENCH_HOOK(glCreateTextures);
    FXBENCH_HOOK(glCreateVertexArrays);
    FXBENCH_HOOK(glCullFace);
    FXBENCH_HOOK(glDeleteBuffers);
    FXBENCH_HOOK(glDeleteFramebuffers);
    FXBENCH_HOOK(glDeleteProgram);
    FXBENCH_HOOK(glDeleteSamplers);
    FXBENCH_HOOK(glDeleteShader);
    FXBENCH_HOOK(glDeleteTextures);
    FXBENCH_HOOK(glDeleteVertexArrays);
    FXBENCH_HOOK(glDepthFunc);
    FXBENCH_HOOK(glDepthMask);
    FXBENCH_HOOK(glDepthRangeArrayv);
    FXBENCH_HOOK(glDetachShader);
    FXBENCH_HOOK(glDisable);
    FXBENCH_HOOK(glDisableVertexArrayAttrib);
    FXBENCH_HOOK(glDrawArrays);
    FXBENCH_HOOK(glDrawElements);
    FXBENCH_HOOK(glDrawElementsBaseVertex);
    FXBENCH_HOOK(glEnable);
    FXBENCH_HOOK(glEnableVertexArrayAttrib);
    FXBENCH_HOOK(glFrontFace);
    FXBENCH_HOOK(glGetError);
    FXBENCH_HOOK(glGetIntegerv);
    FXBENCH_HOOK(glGetProgramInfoLog);
    FXBENCH_HOOK(glGetProgramiv);
    FXBENCH_HOOK(glGetShaderInfoLog);
    FXBENCH_HOOK(glGetShaderiv);
    FXBENCH_HOOK(glGetTextureImage);
    FXBENCH_HOOK(glGetUniformLocation);
    FXBENCH_HOOK(glLinkProgram);
    FXBENCH_HOOK(glNamedBufferStorage);
    FXBENCH_HOOK(glNamedBufferSubData);
    FXBENCH_HOOK(glNamedFramebufferDrawBuffer);
    FXBENCH_HOOK(glNamedFramebufferDrawBuffers);
    FXBENCH_HOOK(glNamedFramebufferReadBuffer);
    FXBENCH_HOOK(glNamedFramebufferTexture);
    FXBENCH_HOOK(glPixelStorei);
    FXBENCH_HOOK(glProgramUniform1ui);
    FXBENCH_HOOK(glProgramUniform1uiv);
    FXBENCH_HOOK(glProgramUniform4f);
    FXBENCH_HOOK(glSamplerParameterf);
    FXBENCH_HOOK(glSamplerParameterfv);
    FXBENCH_HOOK(glSamplerParameteri);
    FXBENCH_HOOK(glShaderSource);
    FXBENCH_HOOK(glTextureStorage2D);
    FXBENCH_HOOK(glTextureSubImage2D);
    FXBENCH_HOOK(glUseProgram);
    FXBENCH_HOOK(glVertexArrayAttribBinding);
    FXBENCH_HOOK(glVertexArrayAttribFormat);
    FXBENCH_HOOK(glVertexArrayAttribIFormat);
    FXBENCH_HOOK(glVertexArrayElementBuffer);
    FXBENCH_HOOK(glVertexArrayVertexBuffers);
    FXBENCH_HOOK(glViewport);
    FXBENCH_HOOK(glViewportArrayv);
}

#undef FXBENCH_HOOK

void ResetGlTally()
{
    glTime = {};
    glCalls = 0;
    swapTime = {};
}

Clock::duration GlTime()
{
    return glTime;
}

long GlCalls()
{
    return glCalls;
}

Clock::duration SwapTime()
{
    return swapTime;
}

double Milliseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::milli>(duration).count();
}

} // namespace bench

// The swap is the window system's and the driver's work, not ours.
extern "C" void SDL_GL_SwapWindow(SDL_Window* window)
{
    using Swap = void (*)(SDL_Window*);
    static const auto real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    ++bench::glCalls;
    const bench::Clock::time_point start = bench::Clock::now();
    real(window);
    const bench::Clock::duration spent = bench::Clock::now() - start;
    bench::glTime += spent;
    bench::swapTime += spent;
}
