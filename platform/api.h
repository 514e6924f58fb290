#pragma once

// The one header through which the program reaches the platform: the Windows
// SDK on Windows, our own declarations of the same names elsewhere.

#ifdef _WIN32
#include <windows.h>
#include <d3d11.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <d3d10shader.h> // the compile flags D3DX 11 takes
// D3DX 11 comes from the legacy DirectX SDK; toolchains without its headers
// (mingw-w64) get our declaration of the one entry point the program uses.
#if __has_include(<d3dx11.h>)
#include <d3dx11.h>
#else
#include "platform/windows/d3dx11_compile.h"
#endif
#else
#include "platform/include/win32.h"
#include "platform/include/d3d11.h"
#include "platform/include/d3d9.h"
#include "platform/include/d3dx9.h"
#include "platform/include/d3dx11.h"
#endif
