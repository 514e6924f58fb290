#include "app/frame.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "program_fixture.h"
#include "scene/scene_constants.h"

#include <string>

namespace {

using Frame = ProgramTest;

struct MessageCase {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    const char* journal; // the calls the procedure makes, one per line
};

const MessageCase kMessages[] = {
    {WM_CLOSE, 0, 0, "PostQuitMessage exitCode=0\n"},
    {WM_DESTROY, 0, 0, "PostQuitMessage exitCode=0\n"},
    {WM_KEYDOWN, VK_ESCAPE, 0x00010001,
     "PostQuitMessage exitCode=0\nDefWindowProcA message=0x0100 wParam=27 lParam=0x00010001\n"},
    {WM_KEYDOWN, VK_F5, 0, "DefWindowProcA message=0x0100 wParam=116 lParam=0x00000000\n"},
    {WM_SYSCOMMAND, SC_SCREENSAVE, 2, ""},
    {WM_SYSCOMMAND, SC_SCREENSAVE | 0xF, 2, ""},
    {WM_SYSCOMMAND, SC_MONITORPOWER | 0x2, 2, ""},
    {WM_IME_SETCONTEXT, 1, LPARAM{0xFFFFFFFF}, "DefWindowProcA message=0x0281 wParam=1 lParam=0x3FFFFFF0\n"},
};

} // namespace

TEST_F(Frame, WindowProcedureQuitsOnCloseDestroyAndEscSwallowsPowerCommandsAndMasksTheIme)
{
    diagnostics::EnableJournal(true);
    for (const MessageCase& c : kMessages) {
        SCOPED_TRACE(c.journal);
        EXPECT_EQ(WindowProcedure(mainWindow, c.message, c.wParam, c.lParam), 0);
        std::string journal;
        for (const auto& entry : diagnostics::TakeJournal())
            journal += entry.operation + " " + entry.arguments + "\n";
        EXPECT_EQ(journal, c.journal);
        MSG queued = {};
        const bool quit = PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE) && queued.message == WM_QUIT;
        EXPECT_EQ(quit, journal.starts_with("PostQuitMessage"));
    }
}

TEST_F(Frame, F5ReloadsAndRestartsTheClockOncePerPressOrEveryFrameWhileHeld)
{
    StartProgram();
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(CaptureOutput(RunFrame), "");
    EXPECT_EQ(sceneConstants.passMode, 2.0f) << "a rendered frame ends with pass 2's selector";
    // Pressed and released before the frame: still one reload.
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    EXPECT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
    EXPECT_EQ(sceneConstants.time, 0.016666666f) << "the clock restarted";
    EXPECT_EQ(CaptureOutput(RunFrame), "");

    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    GetAsyncKeyState(VK_F5); // consume the press
    EXPECT_EQ(CaptureOutput(RunFrame), "");
}
