// Preloaded (LD_PRELOAD) into the real fxdemo executable by startup_bench;
// the program itself is unchanged.
//
// It stands in front of three SDL functions the platform layer calls and, on
// the descriptor named by FXDEMO_BENCH_PROBE_FD, reports moments of the
// start-up on CLOCK_MONOTONIC, in nanoseconds:
//   "loaded <ns>"   the executable and the libraries it links are loaded
//                   (this library's initialiser, just before main);
//   "window <ns>"   the first SDL_CreateWindow has returned (CreateWindowExA);
//   "context <ns>"  the first SDL_GL_CreateContext has returned (the GL
//                   context of D3D11CreateDeviceAndSwapChain);
//   "present <ns>"  the first SDL_GL_SwapWindow (the first Present) and a
//                   glFinish have returned: the first frame is presented;
// and, just before it asks the program to close,
//   "worker <KiB>"  the peak resident memory of the compiler's worker process.
// After FXDEMO_BENCH_FRAMES swaps (default 10) it asks the window to close, as
// a click on its close button would, so the program ends normally.

#include <SDL.h>
#include <dlfcn.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

int ReportDescriptor()
{
    const char* text = std::getenv("FXDEMO_BENCH_PROBE_FD");
    return text ? std::atoi(text) : -1;
}

void Report(const std::string& line)
{
    static const int descriptor = ReportDescriptor();
    if (descriptor < 0)
        return;
    const std::string text = line + "\n";
    [[maybe_unused]] const ssize_t written = write(descriptor, text.data(), text.size());
}

void ReportMoment(const char* what)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    Report(std::string(what) + " " + std::to_string(static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec));
}

// The worker is this thread's only child; its VmHWM in KiB, or -1.
long WorkerPeakKiB()
{
    const long thread = syscall(SYS_gettid);
    std::ifstream children("/proc/self/task/" + std::to_string(thread) + "/children");
    long worker = 0;
    if (!(children >> worker))
        return -1;
    std::ifstream status("/proc/" + std::to_string(worker) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

template <class Function>
Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

[[gnu::constructor]] void Loaded()
{
    ReportMoment("loaded");
}

} // namespace

extern "C" SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags)
{
    using Create = SDL_Window* (*)(const char*, int, int, int, int, Uint32);
    static const auto real = Next<Create>("SDL_CreateWindow");
    static bool reported = false;
    SDL_Window* window = real(title, x, y, w, h, flags);
    if (!reported) {
        reported = true;
        ReportMoment("window");
    }
    return window;
}

extern "C" SDL_GLContext SDL_GL_CreateContext(SDL_Window* window)
{
    using Create = SDL_GLContext (*)(SDL_Window*);
    static const auto real = Next<Create>("SDL_GL_CreateContext");
    static bool reported = false;
    SDL_GLContext context = real(window);
    if (!reported) {
        reported = true;
        ReportMoment("context");
    }
    return context;
}

extern "C" void SDL_GL_SwapWindow(SDL_Window* window)
{
    using Swap = void (*)(SDL_Window*);
    using Finish = void (*)();
    static const auto real = Next<Swap>("SDL_GL_SwapWindow");
    static const int closeAfter =
        std::getenv("FXDEMO_BENCH_FRAMES") ? std::atoi(std::getenv("FXDEMO_BENCH_FRAMES")) : 10;
    static int swaps = 0;

    real(window);
    ++swaps;
    if (swaps == 1) {
        const auto finish = reinterpret_cast<Finish>(SDL_GL_GetProcAddress("glFinish"));
        if (finish)
            finish();
        ReportMoment("present");
    }
    if (swaps == closeAfter) {
        Report("worker " + std::to_string(WorkerPeakKiB()));
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.timestamp = SDL_GetTicks();
        event.window.windowID = SDL_GetWindowID(window);
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&event);
    }
}
