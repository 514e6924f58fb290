#pragma once

// The thread's message queue. SDL events become Windows messages in one
// place, TakeEvents, which both PeekMessageA and GetAsyncKeyState call: it
// drains SDL's queue completely, feeding the key table and queueing the
// messages, so neither caller can lose what the other needs, and then takes
// the keyboard-wide key events (keyboard_x11.h). Nothing else in the process
// may read SDL's event queue.

#include "platform/include/win32.h"

namespace win32 {

void TakeEvents();
void PostWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A destroyed window's queued messages go with it.
void DropMessagesFor(HWND window);
void ClearMessageQueue();

} // namespace win32
