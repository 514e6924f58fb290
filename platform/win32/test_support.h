#pragma once

// Hooks for the layer's tests; the program never includes this.

#include "platform/include/win32.h"

namespace win32 {

// Destroys every window (without calling window procedures), unregisters all
// classes, empties the message queue and the quit request, clears the key
// table and stops SDL's video subsystem, so the next window creation starts
// it again.
void ResetForTests();

// Puts a key press or release into SDL's event queue, as the keyboard would:
// it reaches the key table and the message queue through the same intake as
// real input. Starts SDL's video subsystem if needed. False for a
// virtual-key code that has no SDL key.
bool InjectKey(int virtualKey, bool down);

// Reports a key press or release as the keyboard-wide source would (keys
// pressed in any window, keyboard_x11.h), at the next intake of events. From
// then until the next reset that source alone feeds GetAsyncKeyState, as it
// does on an X display.
void InjectKeyboardWideKey(int virtualKey, bool down);

// Puts a click on the window's close button into SDL's event queue.
bool InjectClose(HWND window);

} // namespace win32
