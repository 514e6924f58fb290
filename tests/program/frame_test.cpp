#include "app/frame.h"

#include "app/window.h"
#include "gfx/device_objects.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "program_fixture.h"
#include "resources/scene_resources.h"
#include "scene/scene_constants.h"

#include <algorithm>
#include <string>

namespace {

using Frame = ProgramTest;

std::string Dump(const char* vs, const char* gs, const char* ps, const char* constant)
{
    return std::string("pVShader   = ") + vs + "\npGShader   = " + gs + "\npPShader   = " + ps +
           "\npConstant  = " + constant + "\npRSStage   = 00000000\n";
}

template <class T>
T* FakePointer(std::uintptr_t value)
{
    return reinterpret_cast<T*>(value);
}

} // namespace

TEST_F(Frame, DumpShowsTheLow32BitsOfEachAddress)
{
    EXPECT_EQ(CaptureOutput(PrintPipelineState), kEmptyDump);

    pVShader = FakePointer<ID3D11VertexShader>(0x00007F12ABCDEF01u);
    pPShader = FakePointer<ID3D11PixelShader>(0x10u);
    const std::string output = CaptureOutput(PrintPipelineState);
    pVShader = nullptr;
    pPShader = nullptr;
    EXPECT_EQ(output, Dump("ABCDEF01", "00000000", "00000010", "00000000"));
}

TEST_F(Frame, RendersOnlyWhileTheFourTestedObjectsExist)
{
    StartProgram();
    EXPECT_EQ(CaptureOutput(RunFrame), "");
    EXPECT_EQ(sceneConstants.time, 0.01666666567325592f);
    EXPECT_EQ(sceneConstants.passMode, 2.0f) << "a rendered frame ends with pass 2's selector";

    // Missing the quad alone does not stop rendering.
    pVertexScreen->Release();
    pVertexScreen = nullptr;
    EXPECT_EQ(CaptureOutput(RunFrame), "");
    const float clock = sceneConstants.time;
    EXPECT_GT(clock, 0.02f);

    // Without the geometry stage the frame prints the dump and the clock
    // stands still.
    pGShader->Release();
    pGShader = nullptr;
    for (int frame = 0; frame < 3; ++frame) {
        const std::string output = CaptureOutput(RunFrame);
        EXPECT_NE(output.find("pGShader   = 00000000\n"), std::string::npos);
        EXPECT_EQ(output.find("pVShader   = 00000000\n"), std::string::npos);
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 5);
    }
    EXPECT_EQ(sceneConstants.time, clock);
}

TEST_F(Frame, F5ReloadsAndRestartsTheClock)
{
    StartProgram();
    for (int frame = 0; frame < 3; ++frame)
        RunFrame();
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    // Pressed and released before the frame: still one reload.
    EXPECT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
    EXPECT_EQ(sceneConstants.time, 0.01666666567325592f);
    EXPECT_EQ(CaptureOutput(RunFrame), "");

    // Held down: a reload on every frame.
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    for (int frame = 0; frame < 3; ++frame)
        EXPECT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    GetAsyncKeyState(VK_F5); // consume the press
    EXPECT_EQ(CaptureOutput(RunFrame), "");
}

TEST_F(Frame, WindowProcedureEndsTheLoopOnCloseDestroyAndEsc)
{
    for (UINT message : {UINT(WM_CLOSE), UINT(WM_DESTROY)}) {
        EXPECT_EQ(WindowProcedure(mainWindow, message, 0, 0), 0);
        MSG queued = {};
        ASSERT_TRUE(PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(queued.message, UINT(WM_QUIT));
    }

    diagnostics::EnableJournal(true);
    WindowProcedure(mainWindow, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    WindowProcedure(mainWindow, WM_KEYDOWN, VK_F5, 0);
    const auto journal = diagnostics::TakeJournal();
    int quits = 0, defaults = 0;
    for (const auto& entry : journal) {
        quits += entry.operation == "PostQuitMessage";
        defaults += entry.operation == "DefWindowProcA";
    }
    EXPECT_EQ(quits, 1) << "only Esc asks to quit";
    EXPECT_EQ(defaults, 2) << "both key-downs reach default processing";
    MSG queued = {};
    ASSERT_TRUE(PeekMessageA(&queued, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(queued.message, UINT(WM_QUIT));
}

TEST_F(Frame, WindowProcedureSwallowsScreenSaverAndMasksTheImeWindows)
{
    diagnostics::EnableJournal(true);
    for (WPARAM command : {WPARAM(SC_SCREENSAVE), WPARAM(SC_SCREENSAVE | 0xF), WPARAM(SC_MONITORPOWER),
                           WPARAM(SC_MONITORPOWER | 0x2)})
        EXPECT_EQ(WindowProcedure(mainWindow, WM_SYSCOMMAND, command, 2), 0);
    auto journal = diagnostics::TakeJournal();
    for (const auto& entry : journal)
        EXPECT_NE(entry.operation, "DefWindowProcA") << entry.arguments;

    WindowProcedure(mainWindow, WM_IME_SETCONTEXT, 1, static_cast<LPARAM>(0xFFFFFFFF));
    journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].operation, "DefWindowProcA");
    EXPECT_NE(journal[0].arguments.find("lParam=0x3FFFFFF0"), std::string::npos) << journal[0].arguments;
}
