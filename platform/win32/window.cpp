#include "platform/win32/window.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/keyboard_x11.h"
#include "platform/win32/messages.h"
#include "platform/win32/window_handle.h"
#include "platform/win32/x11_windows.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace win32 {

namespace {

constexpr DWORD kWsThickFrame = 0x00040000;
constexpr int kSwHide = 0;
constexpr WPARAM kScClose = 0xF060;
constexpr ATOM kFirstClassAtom = 0xC000;

struct WindowClass {
    ATOM atom;
    std::string name;
    std::string menuName;
    WNDCLASSEXA record; // its name pointers point into the strings above
};

struct Rect {
    int x, y, width, height;
};

struct Window {
    SDL_Window* sdl;
    WNDPROC procedure;
    Rect outer;
    bool fitPending = true;
    bool destroying = false;
    unsigned long x11Window = 0; // 0 under drivers other than x11
};

bool videoReady = false;
std::vector<WindowClass> classes;
ATOM nextAtom = kFirstClassAtom;
std::map<Uint32, Window> windows;
HWND activeWindow = nullptr;

Uint32 IdOf(HWND window)
{
    return static_cast<Uint32>(reinterpret_cast<std::uintptr_t>(window));
}

Window* Find(HWND window)
{
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(window);
    if (id == 0 || id > 0xFFFFFFFFu)
        return nullptr;
    const auto found = windows.find(static_cast<Uint32>(id));
    return found != windows.end() ? &found->second : nullptr;
}

bool IsAtom(LPCSTR name)
{
    return reinterpret_cast<std::uintptr_t>(name) <= 0xFFFF;
}

// Class names compare without regard to case, as on Windows.
bool SameName(const std::string& a, const char* b)
{
    const std::size_t length = std::char_traits<char>::length(b);
    return a.size() == length && std::equal(a.begin(), a.end(), b, [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// A class by name, or by the atom RegisterClassExA returned.
const WindowClass* FindClass(LPCSTR name)
{
    if (!name)
        return nullptr;
    for (const WindowClass& windowClass : classes) {
        if (IsAtom(name) ? windowClass.atom == reinterpret_cast<std::uintptr_t>(name) : SameName(windowClass.name, name))
            return &windowClass;
    }
    return nullptr;
}

std::string NameText(LPCSTR name)
{
    if (!name)
        return "null";
    if (IsAtom(name))
        return "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name));
    return name;
}

std::string Hex(unsigned long long value, int digits)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", digits, value);
    return text;
}

// SDL drivers that draw into memory and show nothing on any screen.
bool IsWindowless(const char* driver)
{
    for (const char* name : {"offscreen", "dummy", "evdev"})
        if (driver && std::strcmp(driver, name) == 0)
            return true;
    return false;
}

} // namespace

bool EnsureVideo()
{
    if (videoReady)
        return true;
    // A console program ends on Ctrl+C; SDL would otherwise turn the signal
    // into SDL_QUIT. Closing the last window must not produce a second close
    // request either: the window's own close event already does.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    // When no display can be opened, SDL goes on to its windowless drivers
    // and the program would run with a window nobody sees. Such a driver is
    // only taken when it is asked for by name (SDL_VIDEODRIVER).
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if ((!requested || !*requested) && IsWindowless(SDL_GetCurrentVideoDriver())) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    videoReady = true;
    StartX11WindowWatch();
    return true;
}

namespace {

// The surface the swap chain presents into; depth and stencil live in the
// program's own textures, never in the window's framebuffer.
void RequestGlSurface()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

void FitClientToOuterSize(Window& window)
{
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(window.sdl, &top, &left, &bottom, &right) != 0)
        return;
    if (top == 0 && left == 0 && bottom == 0 && right == 0)
        return;
    window.fitPending = false;
    SDL_SetWindowSize(window.sdl, std::max(1, window.outer.width - left - right),
                      std::max(1, window.outer.height - top - bottom));
    // SDL places the client area; the program placed the frame.
    SDL_SetWindowPosition(window.sdl, window.outer.x + left, window.outer.y + top);
}

LRESULT SendToProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    const Window* window = Find(handle);
    if (!window || !window->procedure)
        return 0;
    return window->procedure(handle, message, wParam, lParam);
}

// WM_DESTROY reaches the procedure while the window still exists; the SDL
// window goes afterwards.
void DestroyWindowAndNotify(HWND handle)
{
    Window* window = Find(handle);
    if (!window || window->destroying)
        return;
    window->destroying = true;
    SendToProcedure(handle, WM_DESTROY, 0, 0);
    window = Find(handle); // the procedure may have reset the layer
    if (!window)
        return;
    SDL_DestroyWindow(window->sdl);
    windows.erase(IdOf(handle));
    DropMessagesFor(handle);
    if (activeWindow == handle)
        activeWindow = nullptr;
    if (windows.empty())
        StopKeyboardWideKeys();
}

} // namespace

void DestroyVanishedWindows()
{
    std::vector<HWND> vanished;
    for (const auto& [id, window] : windows)
        if (X11WindowVanished(window.x11Window))
            vanished.push_back(OwnWindowFromId(id));
    for (const HWND handle : vanished)
        DestroyWindowAndNotify(handle);
}

bool VideoReady()
{
    return videoReady;
}

HWND OwnWindowFromId(Uint32 windowId)
{
    return windows.count(windowId) ? reinterpret_cast<HWND>(static_cast<std::uintptr_t>(windowId)) : nullptr;
}

std::vector<HWND> LiveWindows()
{
    std::vector<HWND> handles;
    for (const auto& [id, window] : windows)
        handles.push_back(OwnWindowFromId(id));
    return handles;
}

HWND KeyboardTarget(Uint32 focusWindowId)
{
    if (const HWND focused = OwnWindowFromId(focusWindowId))
        return focused;
    return Find(activeWindow) ? activeWindow : nullptr;
}

void NoteFocus(HWND window)
{
    activeWindow = window;
}

void FitPendingWindows()
{
    for (auto& [id, window] : windows)
        if (window.fitPending && (SDL_GetWindowFlags(window.sdl) & SDL_WINDOW_SHOWN))
            FitClientToOuterSize(window);
}

void ResetWindowsAndClasses()
{
    StopKeyboardWideKeys();
    for (auto& [id, window] : windows)
        SDL_DestroyWindow(window.sdl);
    windows.clear();
    classes.clear();
    nextAtom = kFirstClassAtom;
    activeWindow = nullptr;
    if (videoReady) {
        StopX11WindowWatch();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoReady = false;
    }
}

} // namespace win32

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* windowClass)
{
    using namespace win32;
    diagnostics::Record("RegisterClassExA",
                        windowClass ? "class=" + NameText(windowClass->lpszClassName) + " style=" +
                                          Hex(windowClass->style, 1)
                                    : "class=null");
    HRESULT result = S_OK;
    if (diagnostics::ShouldFail("RegisterClassExA", &result))
        return 0;

    if (!windowClass)
        return 0;
    if (windowClass->cbSize != sizeof(WNDCLASSEXA))
        return 0;
    if (!windowClass->lpfnWndProc)
        return 0;
    if (!windowClass->lpszClassName || IsAtom(windowClass->lpszClassName))
        return 0;
    if (FindClass(windowClass->lpszClassName))
        return 0;
    if (nextAtom == 0)
        return 0; // the atom table is full

    WindowClass& added = classes.emplace_back();
    added.atom = nextAtom++;
    added.name = windowClass->lpszClassName;
    added.record = *windowClass;
    added.record.lpszClassName = added.name.c_str();
    if (windowClass->lpszMenuName && !IsAtom(windowClass->lpszMenuName)) {
        added.menuName = windowClass->lpszMenuName;
        added.record.lpszMenuName = added.menuName.c_str();
    }
    return added.atom;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND, HMENU, HINSTANCE, LPVOID)
{
    using namespace win32;
    diagnostics::Record("CreateWindowExA", "class=" + NameText(className) + " title=" + NameText(windowName) +
                                               " exStyle=" + Hex(exStyle, 1) + " style=" + Hex(style, 1) +
                                               " x=" + std::to_string(x) + " y=" + std::to_string(y) +
                                               " width=" + std::to_string(width) +
                                               " height=" + std::to_string(height));
    HRESULT result = S_OK;
    if (diagnostics::ShouldFail("CreateWindowExA", &result))
        return nullptr;

    const WindowClass* windowClass = FindClass(className);
    if (!windowClass)
        return nullptr;
    if (!EnsureVideo())
        return nullptr; // no display
    RequestGlSurface();

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & kWsThickFrame)
        flags |= SDL_WINDOW_RESIZABLE;
    const Rect outer{x, y, std::max(1, width), std::max(1, height)};
    SDL_Window* sdl = SDL_CreateWindow(windowName && !IsAtom(windowName) ? windowName : "", outer.x, outer.y,
                                       outer.width, outer.height, flags);
    if (!sdl)
        return nullptr;
    Window& created = windows[SDL_GetWindowID(sdl)] = Window{sdl, windowClass->record.lpfnWndProc, outer};
    created.x11Window = NoteX11Window(sdl);
    // Keys from the whole keyboard while the process has a window, as
    // GetAsyncKeyState reports them on Windows.
    StartKeyboardWideKeys(sdl);
    return HandleFromWindow(sdl);
}

BOOL WINAPI ShowWindow(HWND handle, int command)
{
    using namespace win32;
    Window* window = Find(handle);
    if (!window)
        return FALSE;
    const bool wasVisible = (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_SHOWN) != 0;
    if (command == kSwHide) {
        SDL_HideWindow(window->sdl);
    } else {
        // Nothing paints a window before its swap chain presents; the class
        // background brush is not drawn.
        SDL_ShowWindow(window->sdl);
        SDL_RaiseWindow(window->sdl);
        activeWindow = handle;
        if (window->fitPending)
            FitClientToOuterSize(*window);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND handle)
{
    // There is no update region to paint: the swap chain owns the pixels.
    return win32::Find(handle) ? TRUE : FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG* message)
{
    using namespace win32;
    if (!message)
        return 0;
    diagnostics::Record("DispatchMessageA", "message=" + Hex(message->message, 4) +
                                                " wParam=" + std::to_string(message->wParam));
    return SendToProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT WINAPI DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    using namespace win32;
    if (diagnostics::JournalEnabled())
        diagnostics::Record("DefWindowProcA", "message=" + Hex(message, 4) + " wParam=" + std::to_string(wParam) +
                                                  " lParam=" + Hex(static_cast<unsigned long long>(lParam), 8));
    switch (message) {
    case WM_CLOSE:
        DestroyWindowAndNotify(handle);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == kScClose)
            SendToProcedure(handle, WM_CLOSE, 0, 0);
        return 0;
    default:
        return 0;
    }
}
