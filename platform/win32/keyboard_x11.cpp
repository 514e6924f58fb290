#include "platform/win32/keyboard_x11.h"

#include "platform/win32/keyboard.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

#include <cstring>
#include <deque>
#include <utility>

namespace win32 {

namespace {

Display* keyDisplay = nullptr;
int inputOpcode = 0;
std::deque<std::pair<int, bool>> queuedKeys;
bool setupFailed = false;

struct KeysymPair {
    KeySym keysym;
    SDL_Keycode sdl;
};

// Keysyms beyond Latin-1 and F1-F12. Keypad keys count by position, whatever
// Num Lock makes them type, as SDL's keypad key codes do.
constexpr KeysymPair kNamedKeysyms[] = {
    {XK_BackSpace, SDLK_BACKSPACE},
    {XK_Tab, SDLK_TAB},
    {XK_ISO_Left_Tab, SDLK_TAB},
    {XK_Return, SDLK_RETURN},
    {XK_Pause, SDLK_PAUSE},
    {XK_Caps_Lock, SDLK_CAPSLOCK},
    {XK_Escape, SDLK_ESCAPE},
    {XK_Prior, SDLK_PAGEUP},
    {XK_Next, SDLK_PAGEDOWN},
    {XK_End, SDLK_END},
    {XK_Home, SDLK_HOME},
    {XK_Left, SDLK_LEFT},
    {XK_Up, SDLK_UP},
    {XK_Right, SDLK_RIGHT},
    {XK_Down, SDLK_DOWN},
    {XK_Print, SDLK_PRINTSCREEN},
    {XK_Insert, SDLK_INSERT},
    {XK_Delete, SDLK_DELETE},
    {XK_KP_0, SDLK_KP_0},
    {XK_KP_Insert, SDLK_KP_0},
    {XK_KP_1, SDLK_KP_1},
    {XK_KP_End, SDLK_KP_1},
    {XK_KP_2, SDLK_KP_2},
    {XK_KP_Down, SDLK_KP_2},
    {XK_KP_3, SDLK_KP_3},
    {XK_KP_Next, SDLK_KP_3},
    {XK_KP_4, SDLK_KP_4},
    {XK_KP_Left, SDLK_KP_4},
    {XK_KP_5, SDLK_KP_5},
    {XK_KP_Begin, SDLK_KP_5},
    {XK_KP_6, SDLK_KP_6},
    {XK_KP_Right, SDLK_KP_6},
    {XK_KP_7, SDLK_KP_7},
    {XK_KP_Home, SDLK_KP_7},
    {XK_KP_8, SDLK_KP_8},
    {XK_KP_Up, SDLK_KP_8},
    {XK_KP_9, SDLK_KP_9},
    {XK_KP_Prior, SDLK_KP_9},
    {XK_KP_Multiply, SDLK_KP_MULTIPLY},
    {XK_KP_Add, SDLK_KP_PLUS},
    {XK_KP_Subtract, SDLK_KP_MINUS},
    {XK_KP_Decimal, SDLK_KP_PERIOD},
    {XK_KP_Delete, SDLK_KP_PERIOD},
    {XK_KP_Divide, SDLK_KP_DIVIDE},
    {XK_KP_Enter, SDLK_KP_ENTER},
    {XK_Num_Lock, SDLK_NUMLOCKCLEAR},
    {XK_Scroll_Lock, SDLK_SCROLLLOCK},
    {XK_Shift_L, SDLK_LSHIFT},
    {XK_Shift_R, SDLK_RSHIFT},
    {XK_Control_L, SDLK_LCTRL},
    {XK_Control_R, SDLK_RCTRL},
    {XK_Alt_L, SDLK_LALT},
    {XK_Alt_R, SDLK_RALT},
    {XK_ISO_Level3_Shift, SDLK_RALT}, // AltGr
};

SDL_Keycode SdlKeyFromKeysym(KeySym keysym)
{
    // Printable Latin-1 keysyms are their ASCII codes, as SDL's key codes for
    // those keys are (letters in lower case).
    if (keysym >= XK_A && keysym <= XK_Z)
        return SDLK_a + static_cast<SDL_Keycode>(keysym - XK_A);
    if (keysym >= XK_space && keysym <= XK_asciitilde)
        return static_cast<SDL_Keycode>(keysym);
    if (keysym >= XK_F1 && keysym <= XK_F12)
        return SDLK_F1 + static_cast<SDL_Keycode>(keysym - XK_F1);
    for (const KeysymPair& pair : kNamedKeysyms)
        if (pair.keysym == keysym)
            return pair.sdl;
    return SDLK_UNKNOWN;
}

// The unshifted symbol of the first layout that gives the key a virtual-key
// code: letters follow the layout, and a layout without Latin letters falls
// back to the next one configured.
int VirtualKeyFromKeycode(Display* display, int keycode)
{
    if (keycode < 8 || keycode > 255)
        return 0;
    for (int group = 0; group < XkbNumKbdGroups; ++group) {
        const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), group, 0);
        if (keysym == NoSymbol)
            continue;
        if (const int virtualKey = VirtualKeyFromKeysym(keysym))
            return virtualKey;
    }
    return 0;
}

// Setting up must not end the process: Xlib's default error handler exits.
int NoteSetupError(Display*, XErrorEvent*)
{
    setupFailed = true;
    return 0;
}

void SetMaskBit(unsigned char* mask, int event)
{
    mask[event >> 3] = static_cast<unsigned char>(mask[event >> 3] | (1u << (event & 7)));
}

// Whether the server speaks XInput 2 and took the raw key selection.
bool SelectRawKeys(Display* display, int* opcode)
{
    int firstEvent = 0, firstError = 0;
    if (!XQueryExtension(display, "XInputExtension", opcode, &firstEvent, &firstError))
        return false;
    // Asking for 2.2 gets raw events whatever grabs are active (2.1 on).
    int major = 2, minor = 2;
    if (XIQueryVersion(display, &major, &minor) != Success || major < 2)
        return false;
    unsigned char mask[XIMaskLen(XI_LASTEVENT)] = {};
    SetMaskBit(mask, XI_RawKeyPress);
    SetMaskBit(mask, XI_RawKeyRelease);
    XIEventMask eventMask{};
    eventMask.deviceid = XIAllMasterDevices;
    eventMask.mask_len = static_cast<int>(sizeof mask);
    eventMask.mask = mask;
    setupFailed = false;
    const XErrorHandler previous = XSetErrorHandler(NoteSetupError);
    XISelectEvents(display, DefaultRootWindow(display), &eventMask, 1);
    XSync(display, False);
    XSetErrorHandler(previous);
    return !setupFailed;
}

} // namespace

int VirtualKeyFromKeysym(unsigned long keysym)
{
    SDL_Keysym key{};
    key.scancode = SDL_SCANCODE_UNKNOWN;
    key.sym = SdlKeyFromKeysym(keysym);
    return key.sym == SDLK_UNKNOWN ? 0 : VirtualKeyFromSdl(key);
}

void StartKeyboardWideKeys(SDL_Window* window)
{
    if (keyDisplay || !window)
        return;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0)
        return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    // A second connection: SDL reads its own and would take our events.
    Display* display = XOpenDisplay(XDisplayString(info.info.x11.display));
    if (!display)
        return;
    int opcode = 0;
    if (!SelectRawKeys(display, &opcode)) {
        XCloseDisplay(display);
        return;
    }
    keyDisplay = display;
    inputOpcode = opcode;
    SetKeyboardWideSource(true);
}

void TakeKeyboardWideKeys()
{
    while (!queuedKeys.empty()) {
        const auto [virtualKey, down] = queuedKeys.front();
        queuedKeys.pop_front();
        NoteKeyboardWideTransition(virtualKey, down, false);
    }
    if (!keyDisplay)
        return;
    // XPending reads what the socket holds and never waits.
    while (XPending(keyDisplay) > 0) {
        XEvent event;
        XNextEvent(keyDisplay, &event);
        if (event.type == MappingNotify) {
            // The layout changed: keysyms are looked up afresh.
            XRefreshKeyboardMapping(&event.xmapping);
            continue;
        }
        XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type != GenericEvent || cookie.extension != inputOpcode || !XGetEventData(keyDisplay, &cookie))
            continue;
        if (cookie.evtype == XI_RawKeyPress || cookie.evtype == XI_RawKeyRelease) {
            const auto* raw = static_cast<const XIRawEvent*>(cookie.data);
            NoteKeyboardWideTransition(VirtualKeyFromKeycode(keyDisplay, raw->detail),
                                       cookie.evtype == XI_RawKeyPress, (raw->flags & XIKeyRepeat) != 0);
        }
        XFreeEventData(keyDisplay, &cookie);
    }
}

void StopKeyboardWideKeys()
{
    queuedKeys.clear();
    SetKeyboardWideSource(false);
    if (keyDisplay) {
        XCloseDisplay(keyDisplay);
        keyDisplay = nullptr;
    }
}

void QueueKeyboardWideKey(int virtualKey, bool down)
{
    SetKeyboardWideSource(true);
    queuedKeys.emplace_back(virtualKey, down);
}

} // namespace win32
