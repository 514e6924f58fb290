// F5 to the first presented frame: the program's own reload, as a user
// triggers it.
//
// Each reload is an F5 press and release put into the window system's queue,
// main's message drain, and the program's RunFrame, which sees the key,
// reloads (three compilations, the shader objects, the buffers, the teapot),
// steps the scene and renders and presents; glFinish ends it, so the frame
// has really been drawn. Between two reloads one ordinary frame runs.
//
// The time is split into the compiler's (the three D3DX11CompileFromFileA
// calls), the teapot generator's (D3DXCreateTeapot), the GL driver's (the GL
// calls, GLSL compilation and linking among them, the swap and glFinish;
// gl_timing.h), and the rest: the program's and the layer's own CPU time.
// The two platform functions are timed through the linker's --wrap, which
// sends the program's calls to the wrappers below (CMakeLists.txt names the
// symbols).
//
//   reload_bench [reloads]    (default 50)

#include "app/frame.h"
#include "bench/gl_timing.h"
#include "bench/program_host.h"
#include "bench/report.h"
#include "platform/api.h"
#include "platform/win32/test_support.h"
#include "resources/scene_resources.h"
#include "resources/teapot_mesh.h"
#include "scene/scene_constants.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using bench::Clock;

Clock::duration compileTime{};
int compileCalls = 0;
Clock::duration teapotTime{};

// A memory figure of this process from /proc/self/status, in MiB.
double StatusMiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(prefix, 0) == 0)
            return std::strtod(line.c_str() + prefix.size(), nullptr) / 1024.0;
    return 0;
}


} // namespace

#define FXBENCH_CONCAT(a, b) a##b
#define FXBENCH_PREFIXED(prefix, symbol) FXBENCH_CONCAT(prefix, symbol)
#define FXBENCH_WRAP(symbol) FXBENCH_PREFIXED(__wrap_, symbol)
#define FXBENCH_REAL(symbol) FXBENCH_PREFIXED(__real_, symbol)

extern "C" {

HRESULT FXBENCH_REAL(FXBENCH_COMPILE_SYMBOL)(LPCSTR, const D3D10_SHADER_MACRO*, LPD3D10INCLUDE, LPCSTR, LPCSTR, UINT,
                                             UINT, ID3DX11ThreadPump*, ID3D10Blob**, ID3D10Blob**, HRESULT*);

HRESULT FXBENCH_WRAP(FXBENCH_COMPILE_SYMBOL)(LPCSTR srcFile, const D3D10_SHADER_MACRO* defines,
                                             LPD3D10INCLUDE include, LPCSTR functionName, LPCSTR profile, UINT flags1,
                                             UINT flags2, ID3DX11ThreadPump* pump, ID3D10Blob** shader,
                                             ID3D10Blob** errorMessages, HRESULT* result)
{
    const Clock::time_point start = Clock::now();
    const HRESULT hr = FXBENCH_REAL(FXBENCH_COMPILE_SYMBOL)(srcFile, defines, include, functionName, profile, flags1,
                                                            flags2, pump, shader, errorMessages, result);
    compileTime += Clock::now() - start;
    ++compileCalls;
    return hr;
}

HRESULT FXBENCH_REAL(FXBENCH_TEAPOT_SYMBOL)(LPDIRECT3DDEVICE9, LPD3DXMESH*, LPD3DXBUFFER*);

HRESULT FXBENCH_WRAP(FXBENCH_TEAPOT_SYMBOL)(LPDIRECT3DDEVICE9 device, LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency)
{
    const Clock::time_point start = Clock::now();
    const HRESULT hr = FXBENCH_REAL(FXBENCH_TEAPOT_SYMBOL)(device, mesh, adjacency);
    teapotTime += Clock::now() - start;
    return hr;
}

} // extern "C"

int main(int argc, char** argv)
{
    const int reloads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    if (!bench::StartProgramWindow())
        return 1;
    bench::HookGlEntryPoints();

    // The first load and the first frame of the run, once: the compiler's
    // worker starts, glslang builds its tables, and Mesa generates code for
    // shaders and state it has not seen in this process.
    const Clock::time_point loadStart = Clock::now();
    if (!bench::LoadProgramScene())
        return 1;
    const Clock::time_point firstLoaded = Clock::now();
    const Clock::duration firstCompile = compileTime;
    RunFrame();
    glFinish();
    const Clock::time_point firstPresented = Clock::now();
    for (int i = 0; i < 5; ++i)
        RunFrame();
    glFinish();
    const double residentBefore = StatusMiB("VmRSS");

    constexpr int kWarmUp = 2;
    std::vector<double> total, compiler, teapot, driver, own, ordinary;
    int missed = 0;
    for (int reload = -kWarmUp; reload < reloads; ++reload) {
        compileTime = teapotTime = {};
        compileCalls = 0;
        bench::ResetGlTally();
        const Clock::time_point start = Clock::now();
        win32::InjectKey(VK_F5, true);
        win32::InjectKey(VK_F5, false);
        DrainMessages();
        RunFrame();
        const Clock::time_point submitted = Clock::now();
        const Clock::duration inDriver = bench::GlTime();
        glFinish();
        const Clock::time_point presented = Clock::now();

        // The frame after a reload is the clock's first step.
        if (compileCalls != 3 || sceneConstants.time != 0.01666666567325592f || !pVShader)
            ++missed;
        if (reload >= 0) {
            const Clock::duration whole = presented - start;
            const Clock::duration gl = inDriver + (presented - submitted);
            total.push_back(bench::Milliseconds(whole));
            compiler.push_back(bench::Milliseconds(compileTime));
            teapot.push_back(bench::Milliseconds(teapotTime));
            driver.push_back(bench::Milliseconds(gl));
            own.push_back(bench::Milliseconds(whole - compileTime - teapotTime - gl));
        }
        const Clock::time_point ordinaryStart = Clock::now();
        RunFrame();
        glFinish();
        if (reload >= 0)
            ordinary.push_back(bench::Milliseconds(Clock::now() - ordinaryStart));
    }
    const double residentAfter = StatusMiB("VmRSS");
    const std::string output = bench::ProgramOutput();
    std::size_t loaded = 0;
    for (std::size_t at = output.find("Loaded.\n"); at != std::string::npos; at = output.find("Loaded.\n", at + 1))
        ++loaded;

    const std::string name = "Reload: F5 to first presented frame";
    const auto row = [&](const std::string& figure, const std::vector<double>& values, const std::string& target = {}) {
        bench::Row(name, figure, bench::FormatMs(bench::Percentile(values, 0.5)),
                   bench::FormatMs(bench::Percentile(values, 0.99)), target);
    };
    const double totalMedian = bench::Percentile(total, 0.5), compilerMedian = bench::Percentile(compiler, 0.5);
    row("whole reload, to glFinish", total, bench::Verdict("under 100 ms", totalMedian < 100));
    row("in the compiler: 3 x D3DX11CompileFromFileA", compiler, bench::Verdict("under 30 ms", compilerMedian < 30));
    row("in the teapot generator: D3DXCreateTeapot", teapot);
    row("GL driver: GL calls (GLSL compile, link), swap, glFinish", driver);
    row("own CPU: program and layer, the key event included", own);
    row("for comparison: an ordinary frame between two reloads", ordinary);

    const std::string first = "Start-up, in-process: first load and first frame (one run)";
    bench::Row(first, "first load (LoadSceneResources)", bench::FormatMs(bench::Milliseconds(firstLoaded - loadStart)));
    bench::Row(first, "first load, in the compiler: 3 x D3DX11CompileFromFileA, the worker's start included",
               bench::FormatMs(bench::Milliseconds(firstCompile)));
    bench::Row(first, "first frame (RunFrame), to glFinish",
               bench::FormatMs(bench::Milliseconds(firstPresented - firstLoaded)));

    bench::Note("reload: " + std::to_string(reloads) + " reloads after " + std::to_string(kWarmUp)
                + " not counted; \"Loaded.\" printed " + std::to_string(loaded) + " times for "
                + std::to_string(reloads + kWarmUp + 1) + " loads"
                + (missed ? "; " + std::to_string(missed) + " F5 presses did not reload" : std::string()));
    bench::Note("reload: resident memory " + bench::FormatMiB(residentBefore) + " before the reloads, "
                + bench::FormatMiB(residentAfter) + " after");
    bench::StopProgram();
    return missed == 0 && loaded == static_cast<std::size_t>(reloads + kWarmUp + 1) ? 0 : 1;
}
