#pragma once

// Virtual-key codes and the asynchronous key table. The table is fed only by
// the event intake (messages.cpp) from SDL key events, never from
// SDL_GetKeyboardState: that snapshot misses a press and release that fall
// between two pumps, and under the offscreen driver no window has focus.

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

// Records a key transition. Returns whether the key was down before it, for
// the previous-state bit of the key message.
bool NoteKeyTransition(int virtualKey, bool down, bool repeat);
void ClearKeyTable();

} // namespace win32
