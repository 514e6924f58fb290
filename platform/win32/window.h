#pragma once

// Window classes and windows. A window is an SDL window whose ID is its
// handle (window_handle.h); the records here add what Windows keeps beside
// it: the class's procedure and the outer rectangle the program asked for.

#include "platform/include/win32.h"

#include <SDL_stdinc.h>

#include <vector>

namespace win32 {

// SDL's video subsystem is started by the first window creation; false when
// no display can be opened.
bool EnsureVideo();
bool VideoReady();

// The handle of a window created here, null for any other ID.
HWND OwnWindowFromId(Uint32 windowId);
std::vector<HWND> LiveWindows();

// The window a key event goes to: the one SDL says has the keyboard focus,
// otherwise the one that last gained focus or was shown (under the offscreen
// driver nothing ever has focus). Null when no window is left.
HWND KeyboardTarget(Uint32 focusWindowId);
void NoteFocus(HWND window);

// Shrinks each new window's client area so that client plus decorations is
// the outer size given at creation, as soon as the window system reports its
// decorations (some never do: then the client area is the outer size).
void FitPendingWindows();

// Destroys, as DestroyWindow does (WM_DESTROY first), each window the display
// says another client has destroyed.
void DestroyVanishedWindows();

// Destroys every window without calling procedures, and forgets all classes.
void ResetWindowsAndClasses();

} // namespace win32
