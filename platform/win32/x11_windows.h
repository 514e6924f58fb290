#pragma once

// What the X server says about our windows beyond SDL's own events. Another
// client can destroy a window outright (xdotool windowclose, a window
// manager's kill); SDL reports nothing, and the requests it and the GL
// driver go on making for the window fail with errors whose default handling
// ends the process. Here the destruction is noticed, from the DestroyNotify
// event or from the first such error, so that the window can be destroyed as
// on Windows, with WM_DESTROY; errors about a vanished window are ignored.
// A connection that ends (the server went away) ends the process at once.

struct SDL_SysWMmsg;
struct SDL_Window;

namespace win32 {

// Under SDL's x11 driver: asks SDL for the raw X events and installs the
// error handlers. Does nothing under any other driver.
void StartX11WindowWatch();
// The X window behind an SDL window, remembered for the error handler; 0
// under any other driver.
unsigned long NoteX11Window(SDL_Window* window);
// Takes an X event SDL passed on (SDL_SYSWMEVENT).
void TakeX11Event(const SDL_SysWMmsg& message);
// Whether the server has said that this X window no longer exists.
bool X11WindowVanished(unsigned long window);
void StopX11WindowWatch();

} // namespace win32
