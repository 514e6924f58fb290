#pragma once

// Virtual-key codes and the asynchronous key table. The table is fed only by
// the event intake (messages.cpp), never from SDL_GetKeyboardState: that
// snapshot misses a press and release that fall between two pumps, and under
// the offscreen driver no window has focus.
//
// Two sources report keys. SDL's key events come only while one of our
// windows has the focus; they make the key messages. A keyboard-wide source
// (XInput 2 raw events on X11, keyboard_x11.h) reports every key whatever
// window has the focus, as GetAsyncKeyState does on Windows. While that
// source runs it alone feeds the table: one press reaches both sources, and
// taking the table from one of them counts the press once whatever order the
// two copies arrive in. Without it (no X server, SDL's offscreen driver) SDL's
// events feed the table, and keys are seen only while a window has focus.

#include "platform/include/wintypes.h"

#include <SDL_keyboard.h>

namespace win32 {

// The Windows virtual-key code for an SDL key, 0 for keys without one. Letters
// and digits follow the layout (the key's symbol), falling back to the key's
// position when the layout gives them no Latin symbol, as Windows does.
int VirtualKeyFromSdl(const SDL_Keysym& key);
// The SDL key that produces a virtual-key code (left-hand keys for the
// generic Shift, Ctrl and Alt codes); SDLK_UNKNOWN when there is none.
SDL_Keycode SdlKeyFromVirtualKey(int virtualKey);

// The code key messages carry: a modifier's generic code (Shift, Ctrl, Alt)
// rather than its side's, any other key unchanged.
int GenericVirtualKey(int virtualKey);

// Records a key event of a window (from SDL). Returns whether the key was
// down before it as the window's messages saw it, for the previous-state bit
// of the key message.
bool NoteKeyTransition(int virtualKey, bool down, bool repeat);
// Records a key event of the keyboard-wide source.
void NoteKeyboardWideTransition(int virtualKey, bool down, bool repeat);
// Whether the keyboard-wide source is running, and so alone feeds the table.
void SetKeyboardWideSource(bool running);
void ClearKeyTable();

} // namespace win32
