// Class registration, window creation and the debugger output the program's
// start-up uses.

#include "win32_fixture.h"

#include <SDL.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

LRESULT CALLBACK OtherProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam) + 1;
}

// Sets (or, for a null value, removes) environment variables and puts the
// old values back when it goes.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values)
    {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old != nullptr, old ? old : ""});
            value ? setenv(name, value, 1) : unsetenv(name);
        }
    }
    ~ScopedEnvironment()
    {
        for (const Saved& saved : saved_)
            saved.present ? setenv(saved.name, saved.value.c_str(), 1) : unsetenv(saved.name);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    struct Saved {
        const char* name;
        bool present;
        std::string value;
    };
    std::vector<Saved> saved_;
};

using RegisterClass = Win32Test;
using CreateWindow = Win32Test;

TEST_F(RegisterClass, RefusesMalformedRecordsAndTakenNames)
{
    EXPECT_EQ(RegisterClassExA(nullptr), 0);
    WNDCLASSEXA windowClass = TestClass();
    windowClass.cbSize = 48; // the 32-bit record size
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass = TestClass(nullptr);
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass = TestClass();
    windowClass.lpszClassName = nullptr;
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);

    // None of those took the name; once taken it is taken whatever its case.
    windowClass = TestClass();
    const ATOM first = RegisterClassExA(&windowClass);
    EXPECT_NE(first, 0);
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass.lpszClassName = "TEST";
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    windowClass.lpszClassName = "second";
    const ATOM second = RegisterClassExA(&windowClass);
    EXPECT_NE(second, 0);
    EXPECT_NE(second, first);
}

TEST_F(RegisterClass, KeepsItsOwnCopyOfTheRecord)
{
    char name[] = "test";
    WNDCLASSEXA windowClass = TestClass();
    windowClass.lpszClassName = name;
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    windowClass.lpfnWndProc = OtherProcedure;
    name[0] = 'b';

    const HWND window = CreateTestWindow("test");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CreateTestWindow("best"), nullptr);
    const MSG message{window, WM_KEYDOWN, VK_F5, 0, 0, {}};
    EXPECT_EQ(DispatchMessageA(&message), kKeyDownResult);
}

TEST_F(CreateWindow, InjectedFaultsFailTheChosenCallAndEveryCallIsJournalled)
{
    diagnostics::EnableJournal(true);
    diagnostics::InjectFault("RegisterClassExA", 1, E_FAIL);
    const WNDCLASSEXA windowClass = TestClass();
    EXPECT_EQ(RegisterClassExA(&windowClass), 0);
    EXPECT_NE(RegisterClassExA(&windowClass), 0);
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
}

TEST_F(CreateWindow, MakesAHiddenGlWindowWithTheTitleThatShowWindowShows)
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

    // The window takes the GL 4.5 core context the swap chain will need.
    SDL_GLContext context = SDL_GL_CreateContext(sdl);
    ASSERT_NE(context, nullptr) << SDL_GetError();
    int major = 0, minor = 0, profile = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    EXPECT_EQ(major * 10 + minor, 45);
    EXPECT_EQ(profile, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_DeleteContext(context);
}

TEST_F(CreateWindow, TheGivenSizeIsTheOuterSize)
{
    const HWND window = OpenProgramWindow();
    ASSERT_NE(window, nullptr);
    Drain(); // lets the window system report its decorations
    SDL_Window* sdl = win32::WindowFromHandle(window);
    int width = 0, height = 0, top = 0, left = 0, bottom = 0, right = 0;
    SDL_GetWindowSize(sdl, &width, &height);
    if (SDL_GetWindowBordersSize(sdl, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0; // no decorations reported
    EXPECT_EQ(width + left + right, 1280);
    EXPECT_EQ(height + top + bottom, 720);
    EXPECT_LE(width, 1280);
    EXPECT_LE(height, 720);
}

TEST_F(CreateWindow, FailsForAnUnknownClassOrWithNoDisplay)
{
    EXPECT_EQ(CreateTestWindow(), nullptr);
    const WNDCLASSEXA windowClass = TestClass();
    const ATOM atom = RegisterClassExA(&windowClass);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(CreateTestWindow("other"), nullptr);
    EXPECT_NE(CreateTestWindow("TEST"), nullptr);
    EXPECT_NE(CreateTestWindow(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom))), nullptr);

    // A display that cannot be opened; video starts again on the next try.
    win32::ResetForTests();
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    {
        // No X display and no Wayland socket, not even the default one.
        const ScopedEnvironment noDisplay({{"SDL_VIDEODRIVER", "x11"}, {"DISPLAY", nullptr},
                                           {"WAYLAND_DISPLAY", nullptr}, {"XDG_RUNTIME_DIR", nullptr}});
        EXPECT_EQ(CreateTestWindow(), nullptr);
        // With no driver named, SDL would fall back to one that shows nothing.
        const ScopedEnvironment noDriver({{"SDL_VIDEODRIVER", nullptr}});
        EXPECT_EQ(CreateTestWindow(), nullptr);
    }
    EXPECT_NE(CreateTestWindow(), nullptr);
}

TEST(SystemCalls, DebugOutputGoesToStandardErrorUnchanged)
{
    testing::internal::CaptureStderr();
    OutputDebugStringA("ERROR : Can't Create Window");
    OutputDebugStringA(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR : Can't Create Window");
}

} // namespace
