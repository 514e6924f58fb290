#pragma once

// The one mapping between the program's window handles and SDL windows: a
// handle is the SDL window ID, so both directions need no table.

#include "platform/include/wintypes.h"

struct SDL_Window;

namespace win32 {

HWND HandleFromWindow(SDL_Window* window);
// Null when the handle names no live window.
SDL_Window* WindowFromHandle(HWND handle);

} // namespace win32
