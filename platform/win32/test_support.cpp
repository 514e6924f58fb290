#include "platform/win32/test_support.h"

#include "platform/win32/keyboard.h"
#include "platform/win32/keyboard_x11.h"
#include "platform/win32/messages.h"
#include "platform/win32/window.h"

#include <SDL.h>

#include <cstdint>

namespace win32 {

void ResetForTests()
{
    ResetWindowsAndClasses();
    ClearMessageQueue();
    ClearKeyTable();
}

bool InjectKey(int virtualKey, bool down)
{
    const SDL_Keycode key = SdlKeyFromVirtualKey(virtualKey);
    if (key == SDLK_UNKNOWN || !EnsureVideo())
        return false;
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.timestamp = SDL_GetTicks();
    SDL_Window* focus = SDL_GetKeyboardFocus();
    event.key.windowID = focus ? SDL_GetWindowID(focus) : 0;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    return SDL_PushEvent(&event) == 1;
}

void InjectKeyboardWideKey(int virtualKey, bool down)
{
    QueueKeyboardWideKey(virtualKey, down);
}

bool InjectClose(HWND window)
{
    if (!EnsureVideo())
        return false;
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.timestamp = SDL_GetTicks();
    event.window.windowID = static_cast<Uint32>(reinterpret_cast<std::uintptr_t>(window));
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    return SDL_PushEvent(&event) == 1;
}

} // namespace win32
