// GetAsyncKeyState's two bits: 0x8000 while the key is down, 1 when it was
// pressed since the previous query of that key.

#include "win32_fixture.h"

#include <SDL.h>

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

} // namespace
