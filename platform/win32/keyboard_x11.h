#pragma once

// The keyboard-wide key source on X11 (keyboard.h): XInput 2 raw key events,
// selected on the root window through a connection of our own. The X server
// sends them whatever window has the focus, synthetic XTEST input included;
// core key events, and so SDL's, go only to the focused window. Under any
// other SDL video driver (Wayland, offscreen) nothing starts and keys are
// seen only through the focused window.

struct SDL_Window;

namespace win32 {

// Opens the connection to the display the window is on and selects raw key
// presses and releases, when SDL's video driver is x11 and the server has
// XInput 2; from then on the source feeds GetAsyncKeyState's table. Does
// nothing when it is already running.
void StartKeyboardWideKeys(SDL_Window* window);
// Takes the key events that have arrived, without waiting for any.
void TakeKeyboardWideKeys();
// Closes the connection; SDL's events feed the table again.
void StopKeyboardWideKeys();

// The virtual-key code for an X keysym, 0 for keys without one.
int VirtualKeyFromKeysym(unsigned long keysym);

// For the layer's tests: a transition the next TakeKeyboardWideKeys reports
// as if the keyboard-wide source had seen it. The source counts as running
// until it is stopped.
void QueueKeyboardWideKey(int virtualKey, bool down);

} // namespace win32
