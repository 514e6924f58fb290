// The kernel32 and gdi32 calls, and the system icon and cursor: handles the
// program stores in its window class and never looks into.

#include "platform/include/win32.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

HINSTANCE__ processModule{};
HICON__ applicationIcon{};
HICON__ arrowCursor{};
HBRUSH__ blackBrush{};

// A Windows console shows every line the moment it is written, piped or not
// as far as the program can tell; the C library here would hold a pipe's or
// file's output in blocks until exit. Set before main runs, so the program's
// first line already goes out whole.
[[maybe_unused]] const bool lineBufferedOutput = std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ) == 0;

} // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName)
{
    // Only the process's own module can be named, by passing no name.
    return moduleName ? nullptr : &processModule;
}

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR iconName)
{
    return !instance && iconName == IDI_APPLICATION ? &applicationIcon : nullptr;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName)
{
    return !instance && cursorName == IDC_ARROW ? &arrowCursor : nullptr;
}

HGDIOBJ WINAPI GetStockObject(int object)
{
    return object == BLACK_BRUSH ? &blackBrush : nullptr;
}

void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void WINAPI OutputDebugStringA(LPCSTR text)
{
    if (text)
        std::fputs(text, stderr);
}
