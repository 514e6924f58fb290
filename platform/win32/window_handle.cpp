#include "platform/win32/window_handle.h"

#include <SDL.h>

namespace win32 {

HWND HandleFromWindow(SDL_Window* window)
{
    if (!window)
        return nullptr;
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(SDL_GetWindowID(window)));
}

SDL_Window* WindowFromHandle(HWND handle)
{
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    if (id == 0 || id > 0xFFFFFFFFu)
        return nullptr;
    return SDL_GetWindowFromID(static_cast<Uint32>(id));
}

} // namespace win32
