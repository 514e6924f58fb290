#pragma once

// Shared set-up for the window-system tests: a clean layer per test, the
// program's window class and window, and a window procedure that records what
// reaches it.

#include "platform/api.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "platform/win32/window_handle.h"

#include <gtest/gtest.h>

#include <vector>

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    bool windowAlive; // whether the window still existed when it arrived
};

inline std::vector<Received> received;

constexpr LRESULT kKeyDownResult = 0x4B;

// Shaped like the program's procedure: destruction ends the message loop,
// everything else but key-downs goes to default processing. Key-downs return
// a marker so that tests can see the result travel back.
inline LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back({window, message, wParam, win32::WindowFromHandle(window) != nullptr});
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return message == WM_KEYDOWN ? kKeyDownResult : DefWindowProcA(window, message, wParam, lParam);
}

inline WNDCLASSEXA TestClass(WNDPROC procedure = RecordingProcedure)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_CLASSDC;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = "test";
    return windowClass;
}

inline HWND CreateTestWindow(LPCSTR className = "test")
{
    return CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, className, "test", WS_OVERLAPPEDWINDOW, 0, 0, 1280,
                           720, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

class Win32Test : public ::testing::Test {
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
        if (window)
            ShowWindow(window, SW_SHOW);
        return window;
    }

    // Everything PeekMessageA hands out until it reports an empty queue.
    static std::vector<MSG> Drain()
    {
        std::vector<MSG> messages;
        MSG message{};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            messages.push_back(message);
        return messages;
    }

    static std::vector<UINT> Numbers(const std::vector<MSG>& messages)
    {
        std::vector<UINT> numbers;
        for (const MSG& message : messages)
            numbers.push_back(message.message);
        return numbers;
    }
};
