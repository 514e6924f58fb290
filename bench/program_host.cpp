#include "bench/program_host.h"

#include "app/window.h"
#include "bench/report.h"
#include "gfx/device_objects.h"
#include "platform/api.h"
#include "resources/scene_resources.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace bench {

namespace {

namespace fs = std::filesystem;

fs::path scratch;

bool Fail(const char* what)
{
    std::fprintf(stderr, "program host: %s\n", what);
    return false;
}

} // namespace

bool StartProgramWindow()
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);

    char pattern[] = "/tmp/fxdemo-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return Fail("no scratch directory");
    scratch = pattern;
    std::error_code error;
    fs::copy_file(fs::path(FXDEMO_SHADERS_DIR) / "main.fx", scratch / "main.fx", error);
    if (error)
        return Fail("cannot copy shaders/main.fx");
    fs::current_path(scratch);

    // The rows keep the original standard output; the program's lines go to
    // a file.
    std::fflush(stdout);
    const int original = dup(STDOUT_FILENO);
    std::FILE* results = original >= 0 ? fdopen(original, "w") : nullptr;
    if (!results || !std::freopen((scratch / "stdout.txt").c_str(), "w", stdout))
        return Fail("cannot move standard output aside");
    SetResults(results);

    // main's steps 1 to 6.
    windowClass.hInstance = GetModuleHandleA(nullptr);
    if (!RegisterClassExA(&windowClass))
        return Fail("RegisterClassExA failed");
    mainWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0, 1280,
                                 720, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!mainWindow)
        return Fail("CreateWindowExA failed");
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    if (CreateDeviceObjects(mainWindow) != 0)
        return Fail("CreateDeviceObjects failed");
    return true;
}

bool LoadProgramScene()
{
    LoadSceneResources();
    if (!(pVShader && pGShader && pPShader && pConstant && pInputLayout && pVertexScreen))
        return Fail("the shipped main.fx did not load");
    return true;
}

std::string ProgramOutput()
{
    std::fflush(stdout);
    std::ifstream in(scratch / "stdout.txt", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void StopProgram()
{
    ReleaseSceneResources();
    ReleaseDeviceObjects();
    std::fflush(stdout);
    if (!scratch.empty()) {
        fs::current_path(scratch.parent_path());
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
        scratch.clear();
    }
}

} // namespace bench
