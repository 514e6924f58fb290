#pragma once

// The D3DX 11 shader compiler entry point and its compiled-code blob.

#include "platform/include/wintypes.h"

#define D3D10_SHADER_ENABLE_STRICTNESS (1 << 11)

struct D3D10_SHADER_MACRO {
    LPCSTR Name;
    LPCSTR Definition;
};

// Only ever passed as null: #include is resolved relative to the including file.
struct ID3D10Include;
typedef ID3D10Include* LPD3D10INCLUDE;
struct ID3DX11ThreadPump;

struct ID3D10Blob : IUnknown {
    virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
    virtual SIZE_T STDMETHODCALLTYPE GetBufferSize() = 0;

protected:
    ~ID3D10Blob() = default;
};

HRESULT WINAPI D3DX11CompileFromFileA(LPCSTR srcFile, const D3D10_SHADER_MACRO* defines, LPD3D10INCLUDE include,
                                      LPCSTR functionName, LPCSTR profile, UINT flags1, UINT flags2,
                                      ID3DX11ThreadPump* pump, ID3D10Blob** shader, ID3D10Blob** errorMessages,
                                      HRESULT* result);
