#include "app/window.h"

WNDCLASSEXA windowClass = {
    sizeof(WNDCLASSEXA),
    CS_VREDRAW | CS_HREDRAW | CS_CLASSDC,
    WindowProcedure,
    0,
    0,
    nullptr,
    LoadIconA(nullptr, IDI_APPLICATION),
    LoadCursorA(nullptr, IDC_ARROW),
    static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
    nullptr,
    "test",
    nullptr,
};

HWND mainWindow = nullptr;

namespace {

// The composition window, the guide and the four candidate windows.
constexpr LPARAM kImeOwnWindowsMask = 0x3FFFFFF0;

} // namespace

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_CLOSE:
        // Closing only asks the loop to stop; the window stays until exit.
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE)
            PostQuitMessage(0);
        break;
    case WM_SYSCOMMAND: {
        const WPARAM command = wParam & 0xFFF0;
        if (command == SC_MONITORPOWER || command == SC_SCREENSAVE)
            return 0;
        break;
    }
    case WM_IME_SETCONTEXT:
        lParam &= kImeOwnWindowsMask;
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
