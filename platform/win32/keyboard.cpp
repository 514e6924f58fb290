#include "platform/win32/keyboard.h"

#include "platform/include/win32.h"
#include "platform/win32/messages.h"
#include "platform/watch/effect_watch.h"

#include <array>
#include <cstdint>

namespace win32 {

namespace {

// Virtual-key codes the layer needs beyond what the program declares.
constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kVkMenu = 0x12;
constexpr int kVkF1 = 0x70;
constexpr int kVkLeftShift = 0xA0;
constexpr int kVkRightShift = 0xA1;
constexpr int kVkLeftControl = 0xA2;
constexpr int kVkRightControl = 0xA3;
constexpr int kVkLeftMenu = 0xA4;
constexpr int kVkRightMenu = 0xA5;

struct KeyPair {
    SDL_Keycode sdl;
    int virtualKey;
};

// Keys other than letters, digits and F1-F12, which are ranges.
constexpr KeyPair kNamedKeys[] = {
    {SDLK_BACKSPACE, 0x08},
    {SDLK_TAB, 0x09},
    {SDLK_RETURN, 0x0D},
    {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, 0x20},
    {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},
    {SDLK_LEFT, 0x25},
    {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},
    {SDLK_PRINTSCREEN, 0x2C},
    {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},
    {SDLK_KP_0, 0x60},
    {SDLK_KP_1, 0x61},
    {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},
    {SDLK_KP_6, 0x66},
    {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},
    {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_KP_ENTER, 0x0D},
    {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},
    {SDLK_LSHIFT, kVkLeftShift},
    {SDLK_RSHIFT, kVkRightShift},
    {SDLK_LCTRL, kVkLeftControl},
    {SDLK_RCTRL, kVkRightControl},
    {SDLK_LALT, kVkLeftMenu},
    {SDLK_RALT, kVkRightMenu},
};

// The generic code Windows reports in key messages for a left or right
// modifier, and the pair it stands for in GetAsyncKeyState.
struct Modifier {
    int generic;
    int left;
    int right;
};
constexpr Modifier kModifiers[] = {
    {kVkShift, kVkLeftShift, kVkRightShift},
    {kVkControl, kVkLeftControl, kVkRightControl},
    {kVkMenu, kVkLeftMenu, kVkRightMenu},
};

struct KeyState {
    bool down = false;              // GetAsyncKeyState's bit 15
    bool pressedSinceQuery = false; // and its bit 0
    bool windowDown = false;        // as the window's key messages saw it
};

std::array<KeyState, 256> keyTable;
bool keyboardWideSource = false;

int VirtualKeyFromKeycode(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return kVkF1 + (key - SDLK_F1);
    for (const KeyPair& pair : kNamedKeys)
        if (pair.sdl == key)
            return pair.virtualKey;
    return 0;
}

// Letters and digits by position (US layout), for layouts whose symbols on
// those keys are not Latin.
int VirtualKeyFromPosition(SDL_Scancode scancode)
{
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0)
        return '0';
    return 0;
}

const Modifier* ModifierFor(int virtualKey)
{
    for (const Modifier& modifier : kModifiers)
        if (virtualKey == modifier.generic || virtualKey == modifier.left || virtualKey == modifier.right)
            return &modifier;
    return nullptr;
}

} // namespace

int VirtualKeyFromSdl(const SDL_Keysym& key)
{
    const int virtualKey = VirtualKeyFromKeycode(key.sym);
    return virtualKey != 0 ? virtualKey : VirtualKeyFromPosition(key.scancode);
}

SDL_Keycode SdlKeyFromVirtualKey(int virtualKey)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z')
        return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9')
        return SDLK_0 + (virtualKey - '0');
    if (virtualKey >= kVkF1 && virtualKey < kVkF1 + 12)
        return SDLK_F1 + (virtualKey - kVkF1);
    if (const Modifier* modifier = ModifierFor(virtualKey); modifier && virtualKey == modifier->generic)
        virtualKey = modifier->left;
    for (const KeyPair& pair : kNamedKeys)
        if (pair.virtualKey == virtualKey)
            return pair.sdl;
    return SDLK_UNKNOWN;
}

int GenericVirtualKey(int virtualKey)
{
    const Modifier* modifier = ModifierFor(virtualKey);
    return modifier ? modifier->generic : virtualKey;
}

namespace {

bool InTable(int virtualKey)
{
    return virtualKey > 0 && virtualKey < static_cast<int>(keyTable.size());
}

// The asynchronous state: down follows the latest transition, and any press
// that is not an auto-repeat sets the pressed-since-query bit.
void SetAsyncState(int virtualKey, bool down, bool repeat)
{
    KeyState& key = keyTable[virtualKey];
    key.down = down;
    if (down && !repeat)
        key.pressedSinceQuery = true;
    // A modifier's generic code is down while either side is.
    if (const Modifier* modifier = ModifierFor(virtualKey)) {
        KeyState& generic = keyTable[modifier->generic];
        generic.down = keyTable[modifier->left].down || keyTable[modifier->right].down;
        if (down && !repeat)
            generic.pressedSinceQuery = true;
    }
}

} // namespace

bool NoteKeyTransition(int virtualKey, bool down, bool repeat)
{
    if (!InTable(virtualKey))
        return false;
    KeyState& key = keyTable[virtualKey];
    const bool wasDown = key.windowDown;
    key.windowDown = down;
    if (!keyboardWideSource)
        SetAsyncState(virtualKey, down, repeat);
    return wasDown;
}

void NoteKeyboardWideTransition(int virtualKey, bool down, bool repeat)
{
    if (keyboardWideSource && InTable(virtualKey))
        SetAsyncState(virtualKey, down, repeat);
}

void SetKeyboardWideSource(bool running)
{
    keyboardWideSource = running;
}

void ClearKeyTable()
{
    keyTable = {};
}

} // namespace win32

SHORT WINAPI GetAsyncKeyState(int virtualKey)
{
    // Take in whatever SDL has gathered so the answer is current even when the
    // program has not drained its messages; the messages stay queued.
    win32::TakeEvents();
    if (virtualKey <= 0 || virtualKey >= static_cast<int>(win32::keyTable.size()))
        return 0;
    win32::KeyState& key = win32::keyTable[virtualKey];
    // With --watch, saving the effect file presses F5.
    if (virtualKey == VK_F5 && effect_watch::TakeSave())
        key.pressedSinceQuery = true;
    const unsigned state = (key.down ? 0x8000u : 0u) | (key.pressedSinceQuery ? 1u : 0u);
    key.pressedSinceQuery = false;
    return static_cast<SHORT>(static_cast<std::uint16_t>(state));
}
