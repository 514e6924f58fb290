#include "app/frame.h"
#include "app/window.h"
#include "gfx/device_objects.h"
#include "platform/api.h"
#include "resources/scene_resources.h"

namespace {

constexpr int kWindowWidth = 1280; // outer size, borders included
constexpr int kWindowHeight = 720;
constexpr DWORD kFramePause = 16;  // milliseconds

} // namespace

int main(int, char**, char**)
{
    windowClass.hInstance = GetModuleHandleA(nullptr);
    if (!RegisterClassExA(&windowClass))
        return 1;

    mainWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0,
                                 kWindowWidth, kWindowHeight, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!mainWindow) {
        OutputDebugStringA("ERROR : Can't Create Window");
        return 0;
    }
    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);

    if (CreateDeviceObjects(mainWindow) == 0) {
        LoadSceneResources();
        // A frame still runs, and the pause is still taken, after the quit
        // message has been seen.
        bool running = true;
        while (running) {
            running = DrainMessages();
            RunFrame();
            Sleep(kFramePause);
        }
    }

    ReleaseSceneResources();
    ReleaseDeviceObjects();
    return 0;
}
