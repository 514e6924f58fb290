#include "platform/win32/x11_windows.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cstring>
#include <set>

#include <unistd.h>

namespace win32 {

namespace {

bool watching = false;
XErrorHandler previousErrorHandler = nullptr;
XIOErrorHandler previousConnectionHandler = nullptr;
std::set<unsigned long> ownWindows;      // every X window we created, destroyed or not
std::set<unsigned long> vanishedWindows; // those the server says are gone

// An error that says a window or drawable does not exist: the core ones, and
// an extension's own (GLX names its bad drawables, XInput its windows).
bool SaysResourceIsGone(const XErrorEvent& error)
{
    return error.error_code == BadWindow || error.error_code == BadDrawable || error.error_code >= FirstExtensionError;
}

int OnError(Display* display, XErrorEvent* error)
{
    if (SaysResourceIsGone(*error) && ownWindows.count(error->resourceid)) {
        vanishedWindows.insert(error->resourceid);
        return 0;
    }
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// Xlib ends the process when this returns; its own handler's exit would run
// exit-time code that talks to the server that is gone. Say why, and end.
int OnConnectionLost(Display*)
{
    static const char kMessage[] = "the connection to the X server was lost: the program ends\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    ::_exit(1);
}

} // namespace

void StartX11WindowWatch()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (watching || !driver || std::strcmp(driver, "x11") != 0)
        return;
    watching = true;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    previousErrorHandler = XSetErrorHandler(OnError);
    previousConnectionHandler = XSetIOErrorHandler(OnConnectionLost);
}

unsigned long NoteX11Window(SDL_Window* window)
{
    if (!watching)
        return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    ownWindows.insert(info.info.x11.window);
    return info.info.x11.window;
}

void TakeX11Event(const SDL_SysWMmsg& message)
{
    if (message.subsystem != SDL_SYSWM_X11)
        return;
    const XEvent& event = message.msg.x11.event;
    if (event.type == DestroyNotify && ownWindows.count(event.xdestroywindow.window))
        vanishedWindows.insert(event.xdestroywindow.window);
}

bool X11WindowVanished(unsigned long window)
{
    return window != 0 && vanishedWindows.count(window) != 0;
}

void StopX11WindowWatch()
{
    if (!watching)
        return;
    XSetErrorHandler(previousErrorHandler);
    XSetIOErrorHandler(previousConnectionHandler);
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
    ownWindows.clear();
    vanishedWindows.clear();
    watching = false;
}

} // namespace win32
