// The message flow the program's loop relies on: input and close requests
// become queued messages, dispatch reaches the class's procedure, closing
// destroys through default processing, and WM_QUIT comes last.

#include "win32_fixture.h"

#include <SDL.h>

namespace {

using MessageFlow = Win32Test;

TEST_F(MessageFlow, CloseThroughDefaultProcessingDestroysTheWindowAndEndsTheLoop)
{
    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true)); // not yet taken in
    EXPECT_EQ(DefWindowProcA(window, WM_CLOSE, 0, 0), 0);

    // WM_DESTROY arrived at once, while the window still existed.
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, window);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_TRUE(received[0].windowAlive);
    EXPECT_EQ(win32::WindowFromHandle(window), nullptr);
    EXPECT_EQ(ShowWindow(window, SW_SHOW), FALSE);

    // The procedure's PostQuitMessage(0) comes out once, with no window; the
    // dead window's input went with it.
    const auto messages = Drain();
    ASSERT_EQ(Numbers(messages), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].hwnd, nullptr);
}

TEST_F(MessageFlow, QuitComesAfterEverythingElseQueuedAndCarriesTheExitCode)
{
    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true));
    ASSERT_TRUE(win32::InjectClose(window));
    PostQuitMessage(7);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true)); // input after the request still comes first

    const auto messages = Drain();
    ASSERT_EQ(Numbers(messages), (std::vector<UINT>{WM_KEYDOWN, WM_CLOSE, WM_KEYDOWN, WM_QUIT}));
    EXPECT_EQ(messages[3].wParam, 7u);
    MSG message{};
    EXPECT_EQ(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE), FALSE);
}

TEST_F(MessageFlow, KeysArriveAsKeyDownWithTheirVirtualKeyCodes)
{
    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    const int keys[] = {VK_ESCAPE, VK_F5, 0x70 /* F1 */, 'A', 'Z', '0', '9', 0x26 /* up */, 0x0D /* return */};
    for (const int key : keys)
        ASSERT_TRUE(win32::InjectKey(key, true)) << key;

    diagnostics::EnableJournal(true);
    std::vector<WPARAM> codes;
    MSG message{};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(message.hwnd, window);
        EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
        EXPECT_NE(TranslateMessage(&message), FALSE);
        EXPECT_EQ(DispatchMessageA(&message), kKeyDownResult);
        codes.push_back(message.wParam);
    }
    EXPECT_EQ(codes, (std::vector<WPARAM>(std::begin(keys), std::end(keys))));
    ASSERT_EQ(received.size(), std::size(keys));
    EXPECT_EQ(received[0].wParam, 27u);
    const auto journal = diagnostics::TakeJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0].operation, "DispatchMessageA");
    EXPECT_EQ(journal[0].arguments, "message=0x0100 wParam=27");
}

TEST_F(MessageFlow, CloseRequestsArriveAsWmCloseAndLeaveTheWindow)
{
    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(win32::InjectClose(window));
    SDL_Event quit{};
    quit.type = SDL_QUIT; // the session ending asks every window to close
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    const auto messages = Drain();
    ASSERT_EQ(Numbers(messages), (std::vector<UINT>{WM_CLOSE, WM_CLOSE}));
    EXPECT_EQ(messages[0].hwnd, window);
    EXPECT_EQ(messages[1].hwnd, window);
    EXPECT_NE(win32::WindowFromHandle(window), nullptr);

    // Default processing ignores other commands, but the system menu's close
    // (whatever its low four bits) becomes WM_CLOSE, which the recording
    // procedure passes on to default processing.
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_IME_SETCONTEXT, 1, 0x3FFFFFF0), 0);
    EXPECT_TRUE(received.empty());
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, 0xF060 /* SC_CLOSE */ | 0x2, 0), 0);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(received[1].message, static_cast<UINT>(WM_DESTROY));
}

} // namespace
