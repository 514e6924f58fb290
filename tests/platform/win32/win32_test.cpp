// Windows, messages and key state over SDL, as the program's start-up, its
// message loop and its F5 polling use them. On SDL's offscreen driver, except
// OnX11, which needs a display with window decorations.

#include <gtest/gtest.h> // before Xlib.h, whose None and Bool are macros

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/keyboard_x11.h"
#include "platform/win32/test_support.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

namespace {

std::vector<UINT> received; // by the procedure below
bool destroyedWhileAlive = false;
constexpr LRESULT kKeyDownResult = 0x4B;
constexpr UINT kWmKeyUp = 0x0101;

// Shaped like the program's procedure: destruction ends the message loop,
// everything else but key-downs goes to default processing. Key-downs return
// a marker, to see the result travel back through DispatchMessageA.
LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back(message);
    if (message == WM_DESTROY) {
        destroyedWhileAlive = win32::WindowFromHandle(window) != nullptr;
        PostQuitMessage(0);
        return 0;
    }
    return message == WM_KEYDOWN ? kKeyDownResult : DefWindowProcA(window, message, wParam, lParam);
}

WNDCLASSEXA TestClass()
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_CLASSDC;
    windowClass.lpfnWndProc = RecordingProcedure;
    windowClass.lpszClassName = "test";
    return windowClass;
}

// The program's window: 1280 x 720 outer size at the origin.
HWND CreateTestWindow(LPCSTR className = "test")
{
    return CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, className, "test", WS_OVERLAPPEDWINDOW, 0, 0, 1280,
                           720, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

// Everything PeekMessageA hands out until it reports an empty queue, and
// the message numbers of some messages.
std::vector<MSG> Drain()
{
    std::vector<MSG> messages;
    for (MSG message{}; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);)
        messages.push_back(message);
    return messages;
}
std::vector<UINT> Numbers(const std::vector<MSG>& messages)
{
    std::vector<UINT> numbers(messages.size());
    std::transform(messages.begin(), messages.end(), numbers.begin(), [](const MSG& m) { return m.message; });
    return numbers;
}

class Win32 : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override
    {
        win32::ResetForTests();
        diagnostics::Reset();
        diagnostics::EnableJournal(false);
        received.clear();
    }
    // The program's start: class, window, shown.
    static HWND OpenProgramWindow()
    {
        const WNDCLASSEXA windowClass = TestClass();
        const HWND window = RegisterClassExA(&windowClass) ? CreateTestWindow() : nullptr;
        EXPECT_NE(window, nullptr);
        ShowWindow(window, SW_SHOW);
        return window;
    }
};

// GetAsyncKeyState's SHORT: its most significant bit while the key is down
// makes it negative; bit 0 says it was pressed since the previous query.
constexpr int kUp = 0, kPressed = 1, kDown = -0x8000, kDownPressed = -0x8000 + 1;

using KeyState = Win32;

TEST_F(KeyState, BitsAndKeyMessagesFollowPressRepeatAndRelease)
{
    OpenProgramWindow();
    struct Step {
        const char* action;   // "down", "repeat", "up", "tap" or nothing
        int state;            // GetAsyncKeyState(VK_F5) after it
        UINT message;         // the key message it posts, 0 for none
        std::uint32_t lParam; // repeat count 1, bit 30 previous state, bit 31 released
    };
    const Step steps[] = {
        {"", kUp, 0, 0},
        {"down", kDownPressed, WM_KEYDOWN, 0x00000001},
        {"", kDown, 0, 0},
        {"repeat", kDown, WM_KEYDOWN, 0x40000001}, // auto-repeat is no new press
        {"up", kUp, kWmKeyUp, 0xC0000001},
        {"tap", kPressed, 0, 0}, // pressed and released between two queries
        {"", kUp, 0, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(&step - steps);
        const std::string action = step.action;
        SDL_Event repeat{};
        repeat.type = SDL_KEYDOWN, repeat.key.state = SDL_PRESSED, repeat.key.repeat = 1;
        repeat.key.keysym.sym = SDLK_F5, repeat.key.keysym.scancode = SDL_SCANCODE_F5;
        EXPECT_TRUE(action == "repeat" ? SDL_PushEvent(&repeat) == 1 : true);
        EXPECT_TRUE(action == "down" || action == "tap" ? win32::InjectKey(VK_F5, true) : true);
        EXPECT_TRUE(action == "up" || action == "tap" ? win32::InjectKey(VK_F5, false) : true);
        EXPECT_EQ(GetAsyncKeyState(VK_F5), step.state);
        const std::vector<MSG> messages = Drain();
        if (step.message == 0)
            continue;
        ASSERT_GE(messages.size(), 1u);
        EXPECT_EQ(messages[0].message, step.message);
        EXPECT_EQ(messages[0].wParam, WPARAM{VK_F5});
        EXPECT_EQ(static_cast<std::uint32_t>(messages[0].lParam), step.lParam);
    }

    // Each key keeps its own pressed bit; keys are tracked even with no
    // window, and a query leaves the key messages queued.
    win32::ResetForTests();
    for (const int key : {VK_ESCAPE, VK_F5})
        EXPECT_TRUE(win32::InjectKey(key, true) && win32::InjectKey(key, false));
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kPressed);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kUp);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kPressed);
    const HWND window = OpenProgramWindow();
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true));
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kDownPressed);
    const std::vector<MSG> messages = Drain();
    ASSERT_EQ(Numbers(messages), std::vector<UINT>{WM_KEYDOWN});
    EXPECT_EQ(messages[0].hwnd, window);
}

TEST_F(KeyState, EitherSideCountsForTheGenericModifier)
{
    OpenProgramWindow();
    // Shift 0x10 (left 0xA0, right 0xA1), Control 0x11 (0xA2, 0xA3).
    for (const auto& [generic, left, right] : {std::tuple{0x10, 0xA0, 0xA1}, std::tuple{0x11, 0xA2, 0xA3}}) {
        SCOPED_TRACE(generic);
        ASSERT_TRUE(win32::InjectKey(right, true));
        EXPECT_EQ(GetAsyncKeyState(generic), kDownPressed);
        EXPECT_EQ(GetAsyncKeyState(right), kDownPressed);
        EXPECT_EQ(GetAsyncKeyState(left), kUp);
        ASSERT_TRUE(win32::InjectKey(left, true) && win32::InjectKey(right, false));
        EXPECT_EQ(GetAsyncKeyState(generic), kDownPressed); // still down: the left one is
        EXPECT_EQ(GetAsyncKeyState(right), kUp);
        ASSERT_TRUE(win32::InjectKey(left, false));
        EXPECT_EQ(GetAsyncKeyState(generic), kUp);
        for (const MSG& message : Drain())
            EXPECT_EQ(message.wParam, WPARAM(generic)) << "key messages name the generic code";
    }
}

// A keyboard-wide source (XInput 2 raw events on X11) sees every key whatever
// window has the focus; the focused window's own events see the same presses
// again. Each press counts once, in whatever order the copies arrive.
TEST_F(KeyState, KeyboardWideKeysCountOnceAndAloneDecideWhetherAKeyIsDown)
{
    OpenProgramWindow();
    ASSERT_TRUE(win32::InjectKey(VK_F5, true)); // the window's copy first
    win32::InjectKeyboardWideKey(VK_F5, true);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kDownPressed);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kDown);
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    win32::InjectKeyboardWideKey(VK_F5, false);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kUp);
    // The keyboard-wide copy of a whole press first, a query, then the
    // window's copy: no second press.
    win32::InjectKeyboardWideKey(VK_F5, true);
    win32::InjectKeyboardWideKey(VK_F5, false);
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kPressed);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    EXPECT_EQ(GetAsyncKeyState(VK_F5), kUp);
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    EXPECT_EQ(Numbers(Drain()), (std::vector<UINT>{WM_KEYDOWN, kWmKeyUp, WM_KEYDOWN, kWmKeyUp}));

    // Keys pressed in another window are seen but never sent to ours.
    win32::InjectKeyboardWideKey(VK_ESCAPE, true);
    win32::InjectKeyboardWideKey(VK_ESCAPE, false);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kPressed);
    EXPECT_TRUE(Drain().empty());

    // The keyboard-wide press may come first: the window's key-down still
    // says the key was up. A release only the window saw (it lost the focus
    // with the key held) leaves the key down until the keyboard releases it.
    win32::InjectKeyboardWideKey(VK_ESCAPE, true);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true));
    const std::vector<MSG> messages = Drain();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].lParam, 1);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kDownPressed);
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, false));
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kDown);
    win32::InjectKeyboardWideKey(VK_ESCAPE, false);
    EXPECT_EQ(GetAsyncKeyState(VK_ESCAPE), kUp);
}

TEST(KeysymMapping, KeysMapToTheirWindowsVirtualKeys)
{
    // Virtual-key codes as Windows documents them.
    const std::pair<unsigned long, int> cases[] = {
        {XK_F5, 0x74}, {XK_F1, 0x70}, {XK_F12, 0x7B}, {XK_Escape, 0x1B}, {XK_a, 'A'}, {XK_A, 'A'}, {XK_z, 'Z'},
        {XK_0, '0'}, {XK_9, '9'}, {XK_space, 0x20}, {XK_Return, 0x0D}, {XK_BackSpace, 0x08}, {XK_Tab, 0x09},
        {XK_Prior, 0x21}, {XK_Next, 0x22}, {XK_Left, 0x25}, {XK_Down, 0x28}, {XK_Delete, 0x2E}, {XK_KP_7, 0x67},
        {XK_KP_Home, 0x67}, {XK_KP_Insert, 0x60}, {XK_KP_Add, 0x6B}, {XK_KP_Enter, 0x0D}, {XK_Num_Lock, 0x90},
        {XK_Shift_L, 0xA0}, {XK_Shift_R, 0xA1}, {XK_Control_L, 0xA2}, {XK_Control_R, 0xA3}, {XK_Alt_L, 0xA4},
        {XK_Alt_R, 0xA5}, {XK_Greek_alpha, 0}, {XK_VoidSymbol, 0}};
    for (const auto& [keysym, virtualKey] : cases)
        EXPECT_EQ(win32::VirtualKeyFromKeysym(keysym), virtualKey) << "keysym 0x" << std::hex << keysym;
}

using Messages = Win32;

TEST_F(Messages, InputAndCloseRequestsAreQueuedInOrderAndQuitComesLast)
{
    const HWND window = OpenProgramWindow();
    const int keys[] = {VK_ESCAPE, VK_F5, 'A', 'Z', '0', '9', 0x26 /* up */, 0x0D /* return */};
    for (const int key : keys)
        ASSERT_TRUE(win32::InjectKey(key, true)) << key;
    ASSERT_TRUE(win32::InjectClose(window));
    SDL_Event quit{};
    quit.type = SDL_QUIT; // the session ending asks every window to close
    ASSERT_EQ(SDL_PushEvent(&quit), 1);
    PostQuitMessage(7);
    ASSERT_TRUE(win32::InjectKey(VK_F5, true)); // input after the request still comes first

    // A filter takes the first message inside its range, either end included,
    // past the others; without PM_REMOVE the message stays queued.
    for (const auto& [low, high] : {std::pair<UINT, UINT>{WM_CLOSE, WM_KEYDOWN - 1}, {1, WM_CLOSE}}) {
        MSG peeked{};
        ASSERT_TRUE(PeekMessageA(&peeked, window, low, high, 0 /* PM_NOREMOVE */));
        EXPECT_EQ(peeked.message, UINT{WM_CLOSE}) << low << ".." << high;
    }

    diagnostics::EnableJournal(true);
    std::vector<MSG> messages = Drain();
    ASSERT_EQ(messages.size(), std::size(keys) + 4);
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].hwnd, messages[i].message == WM_QUIT ? nullptr : window);
        if (i < std::size(keys)) {
            EXPECT_EQ(messages[i].message, UINT{WM_KEYDOWN});
            EXPECT_EQ(messages[i].wParam, WPARAM(keys[i]));
            EXPECT_NE(TranslateMessage(&messages[i]), FALSE);
            EXPECT_EQ(DispatchMessageA(&messages[i]), kKeyDownResult);
        }
    }
    EXPECT_EQ(received, std::vector<UINT>(std::size(keys), WM_KEYDOWN));
    const auto journal = diagnostics::TakeJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal[0].operation, "DispatchMessageA");
    EXPECT_EQ(journal[0].arguments, "message=0x0100 wParam=27");
    const std::vector<MSG> rest(messages.begin() + std::size(keys), messages.end());
    EXPECT_EQ(Numbers(rest), (std::vector<UINT>{WM_CLOSE, WM_CLOSE, WM_KEYDOWN, WM_QUIT}));
    EXPECT_EQ(rest[3].wParam, 7u);
    EXPECT_NE(win32::WindowFromHandle(window), nullptr) << "a close request alone leaves the window";
}

TEST_F(Messages, DefaultProcessingOfCloseDestroysTheWindowAndEndsTheLoop)
{
    const HWND window = OpenProgramWindow();
    // Default processing ignores these; the system menu's close (whatever its
    // low four bits) becomes WM_CLOSE, and WM_CLOSE destroys the window.
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_EQ(DefWindowProcA(window, WM_IME_SETCONTEXT, 1, 0x3FFFFFF0), 0);
    EXPECT_TRUE(received.empty());
    ASSERT_TRUE(win32::InjectKey(VK_ESCAPE, true)); // not yet taken in
    EXPECT_EQ(DefWindowProcA(window, WM_SYSCOMMAND, 0xF060 /* SC_CLOSE */ | 0x2, 0), 0);
    EXPECT_EQ(received, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
    EXPECT_TRUE(destroyedWhileAlive) << "WM_DESTROY arrives while the window still exists";
    EXPECT_EQ(win32::WindowFromHandle(window), nullptr);
    EXPECT_EQ(ShowWindow(window, SW_SHOW), FALSE);
    // The procedure's PostQuitMessage(0) comes out once, with no window; the
    // dead window's input went with it.
    const auto messages = Drain();
    ASSERT_EQ(Numbers(messages), std::vector<UINT>{WM_QUIT});
    EXPECT_EQ(messages[0].wParam, 0u);
    EXPECT_EQ(messages[0].hwnd, nullptr);
}

using Windows = Win32;

TEST_F(Windows, ClassNamesIgnoreCaseFaultsFailTheChosenCallAndCallsAreJournalled)
{
    diagnostics::EnableJournal(true);
    diagnostics::InjectFault("RegisterClassExA", 1, E_FAIL);
    WNDCLASSEXA windowClass = TestClass();
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    const ATOM atom = RegisterClassExA(&windowClass);
    ASSERT_NE(atom, 0);
    diagnostics::InjectFault("CreateWindowExA", 1, E_FAIL);
    EXPECT_EQ(CreateTestWindow(), nullptr);
    EXPECT_NE(CreateTestWindow(), nullptr);
    const auto journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_EQ(journal[0].operation, "RegisterClassExA");
    EXPECT_EQ(journal[0].arguments, "class=test style=0x43");
    EXPECT_EQ(journal[3].operation, "CreateWindowExA");
    EXPECT_EQ(journal[3].arguments,
              "class=test title=test exStyle=0x40100 style=0xCF0000 x=0 y=0 width=1280 height=720");

    // A window names its class by name, in any case, or by atom.
    windowClass.lpszClassName = "TEST";
    EXPECT_EQ(RegisterClassExA(&windowClass), 0) << "the name is taken";
    windowClass.lpszClassName = "second";
    EXPECT_NE(RegisterClassExA(&windowClass), 0);
    EXPECT_EQ(CreateTestWindow("other"), nullptr);
    const MSG message{CreateTestWindow("TEST"), WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&message), kKeyDownResult) << "the class's own procedure";
    EXPECT_NE(CreateTestWindow(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom))), nullptr);
}

TEST_F(Windows, CreateMakesAHiddenWindowThatShowWindowShowsAndNeedsADisplay)
{
    const WNDCLASSEXA windowClass = TestClass();
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const HWND window = CreateTestWindow();
    SDL_Window* sdl = win32::WindowFromHandle(window);
    ASSERT_NE(sdl, nullptr);
    EXPECT_STREQ(SDL_GetWindowTitle(sdl), "test");
    EXPECT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
    EXPECT_EQ(ShowWindow(window, SW_SHOW), FALSE); // it was hidden
    EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_SHOWN);
    EXPECT_NE(ShowWindow(window, SW_SHOW), FALSE);
    EXPECT_NE(UpdateWindow(window), FALSE);

    // With no X display and no Wayland socket, not even the default one,
    // there is no window; with no driver named, SDL would fall back to one
    // that shows nothing. Video starts again on the next try.
    win32::ResetForTests();
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const char* names[] = {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
    std::vector<std::string> saved; // empty: not set
    for (const char* name : names)
        saved.push_back(std::getenv(name) ? std::getenv(name) : ""), unsetenv(name);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    EXPECT_EQ(CreateTestWindow(), nullptr);
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(CreateTestWindow(), nullptr);
    for (std::size_t i = 0; i < std::size(names); ++i)
        saved[i].empty() ? unsetenv(names[i]) : setenv(names[i], saved[i].c_str(), 1);
    EXPECT_NE(CreateTestWindow(), nullptr);
}

TEST(SystemCalls, DebugOutputGoesToStandardErrorUnchanged)
{
    testing::internal::CaptureStderr();
    OutputDebugStringA("ERROR : Can't Create Window");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR : Can't Create Window");
}

// On a display, the window manager's frame is part of the size the program
// asked for: the client area is the outer size less the borders on both
// sides, and starts inside the frame. Run on a private Xvfb display, where
// the test plays the window manager and reports the frame's extents.
using OnX11 = Win32;

TEST_F(OnX11, TheGivenSizeIsTheOuterSize)
{
    SDL_Window* sdl = win32::WindowFromHandle(OpenProgramWindow());
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) << SDL_GetError();
    Display* display = info.info.x11.display;
    const long extents[4] = {3, 7, 20, 5}; // _NET_FRAME_EXTENTS: left, right, top, bottom
    XChangeProperty(display, info.info.x11.window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), XA_CARDINAL,
                    32, PropModeReplace, reinterpret_cast<const unsigned char*>(extents), 4);
    XSync(display, False);
    int width = 0, height = 0, x = 0, y = 0;
    for (int tries = 0; tries < 200 && width != 1280 - 3 - 7; ++tries) {
        Drain(); // takes in the window manager's answer
        SDL_Delay(10);
        SDL_GetWindowSize(sdl, &width, &height);
    }
    EXPECT_EQ(width, 1280 - 3 - 7);
    EXPECT_EQ(height, 720 - 20 - 5);
    SDL_GetWindowPosition(sdl, &x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 20);
}

} // namespace
