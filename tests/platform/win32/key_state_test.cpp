// GetAsyncKeyState's two bits: 0x8000 while the key is down, 1 when it was
// pressed since the previous query of that key.

#include "win32_fixture.h"

#include "platform/win32/keyboard_x11.h"

#include <SDL.h>
#include <X11/keysym.h>

namespace {

using KeyState = Win32Test;

unsigned State(int key)
{
    return static_cast<unsigned short>(GetAsyncKeyState(key));
}

TEST_F(KeyState, HighBitWhileDownLowBitOnlyOnTheFirstQueryAfterAPress)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    EXPECT_EQ(State(VK_F5), 0u);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    EXPECT_EQ(State(VK_F5), 0x8001u);
    EXPECT_EQ(State(VK_F5), 0x8000u);
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    EXPECT_EQ(State(VK_F5), 0u);
}

TEST_F(KeyState, APressReleasedBeforeTheQueryIsReportedOncePerKey)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    for (const int key : {VK_ESCAPE, VK_F5}) {
        ASSERT_TRUE(win32::InjectKey(key, true));
        ASSERT_TRUE(win32::InjectKey(key, false));
    }
    EXPECT_EQ(State(VK_F5), 1u);
    EXPECT_EQ(State(VK_F5), 0u);
    EXPECT_EQ(State(VK_ESCAPE), 1u); // reading F5 left Esc's bit alone
}

TEST_F(KeyState, AutoRepeatKeepsTheKeyDownWithoutCountingAsAPress)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    EXPECT_EQ(State(VK_F5), 0x8001u);
    SDL_Event repeat{};
    repeat.type = SDL_KEYDOWN;
    repeat.key.state = SDL_PRESSED;
    repeat.key.repeat = 1;
    repeat.key.keysym.sym = SDLK_F5;
    repeat.key.keysym.scancode = SDL_SCANCODE_F5;
    ASSERT_EQ(SDL_PushEvent(&repeat), 1);
    EXPECT_EQ(State(VK_F5), 0x8000u);

    // Both key-downs reach the window; the repeat says the key was down.
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].lParam & 0x40000000, 0);
    EXPECT_NE(messages[1].lParam & 0x40000000, 0);
}

TEST_F(KeyState, EitherSideCountsForTheGenericModifier)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    ASSERT_TRUE(win32::InjectKey(0xA1 /* right shift */, true));
    EXPECT_EQ(State(0x10), 0x8001u);
    EXPECT_EQ(State(0xA1), 0x8001u);
    EXPECT_EQ(State(0xA0), 0u);
    ASSERT_TRUE(win32::InjectKey(0xA0, true));
    ASSERT_TRUE(win32::InjectKey(0xA1, false));
    EXPECT_EQ(State(0x10), 0x8001u); // still down: the left one is
    ASSERT_TRUE(win32::InjectKey(0xA0, false));
    EXPECT_EQ(State(0x10), 0u);
    // Key messages name the generic code.
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0].wParam, 0x10u);
    EXPECT_EQ(messages[1].wParam, 0x10u);
}

TEST_F(KeyState, QueryingTakesInputWithoutLosingItsMessages)
{
    // Keys are tracked even before there is a window to receive them.
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    EXPECT_EQ(State(VK_F5), 0x8001u);
    EXPECT_TRUE(Drain().empty());

    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true));
    EXPECT_EQ(State(VK_ESCAPE), 0x8001u);
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].hwnd, window);
    EXPECT_EQ(messages[0].message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(messages[0].wParam, static_cast<WPARAM>(VK_ESCAPE));
}

// A keyboard-wide source (XInput 2 raw events on X11) sees every key
// whatever window has the focus; the focused window's own events see the same
// presses again. Each press must count once, in whatever order the two copies
// arrive and whenever the program queries in between.
using KeyboardWideKeys = Win32Test;

TEST_F(KeyboardWideKeys, APressSeenBothWaysCountsOnceInEitherOrder)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    // The window's copy first.
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    win32::InjectKeyboardWideKey(VK_F5, true);
    EXPECT_EQ(State(VK_F5), 0x8001u);
    EXPECT_EQ(State(VK_F5), 0x8000u);
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    win32::InjectKeyboardWideKey(VK_F5, false);
    EXPECT_EQ(State(VK_F5), 0u);

    // The keyboard-wide copy of a whole press and release first, a query,
    // and only then the window's copy: no second press.
    win32::InjectKeyboardWideKey(VK_F5, true);
    win32::InjectKeyboardWideKey(VK_F5, false);
    EXPECT_EQ(State(VK_F5), 1u);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    EXPECT_EQ(State(VK_F5), 0u);
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    EXPECT_EQ(State(VK_F5), 0u);

    // Each of those presses still reached the window once.
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(Numbers(messages), (std::vector<UINT>{WM_KEYDOWN, 0x0101, WM_KEYDOWN, 0x0101}));
}

TEST_F(KeyboardWideKeys, KeysPressedInAnotherWindowAreSeenButNotSentToOurs)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    win32::InjectKeyboardWideKey(VK_F5, true);
    EXPECT_EQ(State(VK_F5), 0x8001u);
    win32::InjectKeyboardWideKey(VK_F5, false);
    win32::InjectKeyboardWideKey(VK_ESCAPE, true);
    win32::InjectKeyboardWideKey(VK_ESCAPE, false);
    EXPECT_EQ(State(VK_F5), 0u);
    EXPECT_EQ(State(VK_ESCAPE), 1u);
    // Esc acts only through the window's messages, and none came.
    EXPECT_TRUE(Drain().empty());
}

TEST_F(KeyboardWideKeys, TheKeyboardDecidesWhetherAKeyIsDown)
{
    ASSERT_NE(OpenProgramWindow(), nullptr);
    // The keyboard-wide press may come before the window's: the key message
    // still says the key was up before it.
    win32::InjectKeyboardWideKey(VK_ESCAPE, true);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true));
    const auto messages = Drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam & 0x40000000, 0);
    EXPECT_EQ(State(VK_ESCAPE), 0x8001u);
    // A release only the window saw (as when it loses the focus with the key
    // held) leaves the key down until the keyboard releases it.
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, false));
    EXPECT_EQ(State(VK_ESCAPE), 0x8000u);
    win32::InjectKeyboardWideKey(VK_ESCAPE, false);
    EXPECT_EQ(State(VK_ESCAPE), 0u);
}

TEST(KeysymMapping, KeysMapToTheirWindowsVirtualKeys)
{
    struct Case {
        unsigned long keysym;
        int virtualKey;
    };
    // Virtual-key codes as Windows documents them.
    const Case cases[] = {
        {XK_F5, 0x74},        {XK_F1, 0x70},       {XK_F12, 0x7B},      {XK_Escape, 0x1B},
        {XK_a, 'A'},          {XK_A, 'A'},         {XK_z, 'Z'},         {XK_0, '0'},
        {XK_9, '9'},          {XK_space, 0x20},    {XK_Return, 0x0D},   {XK_BackSpace, 0x08},
        {XK_Tab, 0x09},       {XK_Prior, 0x21},    {XK_Next, 0x22},     {XK_Left, 0x25},
        {XK_Down, 0x28},      {XK_Delete, 0x2E},   {XK_KP_7, 0x67},     {XK_KP_Home, 0x67},
        {XK_KP_Insert, 0x60}, {XK_KP_Add, 0x6B},   {XK_KP_Enter, 0x0D}, {XK_Num_Lock, 0x90},
        {XK_Shift_L, 0xA0},   {XK_Shift_R, 0xA1},  {XK_Control_R, 0xA3}, {XK_Alt_L, 0xA4},
        {XK_Greek_alpha, 0},  {XK_VoidSymbol, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(win32::VirtualKeyFromKeysym(c.keysym), c.virtualKey) << "keysym 0x" << std::hex << c.keysym;
}

} // namespace
