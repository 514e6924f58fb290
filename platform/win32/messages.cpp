#include "platform/win32/messages.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/keyboard.h"
#include "platform/win32/keyboard_x11.h"
#include "platform/win32/window.h"
#include "platform/win32/x11_windows.h"

#include <SDL.h>

#include <algorithm>
#include <deque>
#include <string>

namespace win32 {

namespace {

constexpr UINT kWmKeyUp = 0x0101;
constexpr UINT kWmSysKeyDown = 0x0104;
constexpr UINT kWmSysKeyUp = 0x0105;

std::deque<MSG> queue;
// Windows keeps the quit request as a flag beside the queue, not as a queued
// message: WM_QUIT is handed out only once nothing else is waiting.
bool quitRequested = false;
int quitExitCode = 0;

void TakeKeyEvent(const SDL_KeyboardEvent& event)
{
    const int virtualKey = VirtualKeyFromSdl(event.keysym);
    if (virtualKey == 0)
        return;
    const bool down = event.type == SDL_KEYDOWN;
    const bool wasDown = NoteKeyTransition(virtualKey, down, event.repeat != 0);
    const HWND target = KeyboardTarget(event.windowID);
    if (!target)
        return;
    // lParam: repeat count 1, bit 30 the previous state, bit 31 set on release.
    const LPARAM lParam = down ? (wasDown ? 0x40000001 : 0x00000001) : 0xC0000001;
    PostWindowMessage(target, down ? WM_KEYDOWN : kWmKeyUp, static_cast<WPARAM>(GenericVirtualKey(virtualKey)), lParam);
}

void TakeWindowEvent(const SDL_WindowEvent& event)
{
    const HWND window = OwnWindowFromId(event.windowID);
    if (!window)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
        PostWindowMessage(window, WM_CLOSE, 0, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        NoteFocus(window);
        break;
    default:
        break;
    }
}

void TakeEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TakeKeyEvent(event.key);
        break;
    case SDL_WINDOWEVENT:
        TakeWindowEvent(event.window);
        break;
    case SDL_SYSWMEVENT:
        TakeX11Event(*event.syswm.msg);
        break;
    case SDL_QUIT:
        // The session asks the application to end: every window is asked to
        // close, as Windows does at log-off.
        for (const HWND window : LiveWindows())
            PostWindowMessage(window, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
}

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax)
{
    if (window && message.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message.message >= filterMin && message.message <= filterMax;
}

} // namespace

void TakeEvents()
{
    if (!VideoReady())
        return;
    SDL_PumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0)
        TakeEvent(event);
    TakeKeyboardWideKeys();
    DestroyVanishedWindows();
    // Decorations are often known only once a window is on screen and the
    // window manager has answered, which the pump has just taken in.
    FitPendingWindows();
}

void PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = VideoReady() ? SDL_GetTicks() : 0;
    queue.push_back(posted);
}

void DropMessagesFor(HWND window)
{
    std::erase_if(queue, [window](const MSG& message) { return message.hwnd == window; });
}

void ClearMessageQueue()
{
    queue.clear();
    quitRequested = false;
    quitExitCode = 0;
}

} // namespace win32

BOOL WINAPI PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeMessage)
{
    if (!message)
        return FALSE;
    win32::TakeEvents();
    const bool remove = (removeMessage & PM_REMOVE) != 0;
    auto& queue = win32::queue;
    const auto found = std::find_if(queue.begin(), queue.end(), [&](const MSG& queued) {
        return win32::Matches(queued, window, filterMin, filterMax);
    });
    if (found != queue.end()) {
        *message = *found;
        if (remove)
            queue.erase(found);
        return TRUE;
    }
    // WM_QUIT passes every filter.
    if (win32::quitRequested) {
        *message = MSG{};
        message->message = WM_QUIT;
        message->wParam = static_cast<WPARAM>(win32::quitExitCode);
        message->time = win32::VideoReady() ? SDL_GetTicks() : 0;
        if (remove)
            win32::quitRequested = false;
        return TRUE;
    }
    return FALSE;
}

BOOL WINAPI TranslateMessage(const MSG* message)
{
    // No character messages are generated; key messages still report that
    // they were translatable.
    if (!message)
        return FALSE;
    switch (message->message) {
    case WM_KEYDOWN:
    case win32::kWmKeyUp:
    case win32::kWmSysKeyDown:
    case win32::kWmSysKeyUp:
        return TRUE;
    default:
        return FALSE;
    }
}

void WINAPI PostQuitMessage(int exitCode)
{
    diagnostics::Record("PostQuitMessage", "exitCode=" + std::to_string(exitCode));
    win32::quitRequested = true;
    win32::quitExitCode = exitCode;
}
