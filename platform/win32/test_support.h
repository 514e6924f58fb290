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

// Puts a click on the window's close button into SDL's event queue.
bool InjectClose(HWND window);

} // namespace win32
