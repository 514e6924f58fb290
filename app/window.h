#pragma once

#include "platform/api.h"

// The window class record: completed by static initialisation, except for the
// module handle, which main fills in.
extern WNDCLASSEXA windowClass;

// The main window, created once by main.
extern HWND mainWindow;

// Ends the message loop on close, destroy and Esc; swallows screen-saver and
// monitor-power requests; keeps the input-method editor's own windows hidden.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
