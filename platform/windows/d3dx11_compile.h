#pragma once

// D3DX 11's compile-from-file entry point, declared from its documented
// signature for header sets that ship the d3dx11_43 import library but not
// the legacy D3DX 11 headers (mingw-w64 has d3dx9*.h but no d3dx11*.h). With
// the DirectX SDK's own <d3dx11.h> at hand, platform/api.h uses that instead.

#include <windows.h>
#include <d3dcommon.h>   // ID3D10Blob, ID3DInclude, D3D_SHADER_MACRO
#include <d3d10shader.h> // D3D10_SHADER_MACRO, D3D10_SHADER_* compile flags

// Asynchronous loading; the program always passes none, so the interface
// stays incomplete here.
struct ID3DX11ThreadPump;

// Exported by d3dx11_43.dll. The include handler parameter is the SDK's
// LPD3D10INCLUDE, which is ID3DInclude*.
extern "C" HRESULT WINAPI D3DX11CompileFromFileA(LPCSTR pSrcFile, const D3D10_SHADER_MACRO* pDefines,
                                                 ID3DInclude* pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                                                 UINT Flags1, UINT Flags2, ID3DX11ThreadPump* pPump,
                                                 ID3D10Blob** ppShader, ID3D10Blob** ppErrorMsgs,
                                                 HRESULT* pHResult);
