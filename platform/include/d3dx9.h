#pragma once

// The D3DX 9 teapot generator and the mesh methods the program reads it with.

#include "platform/include/d3d9.h"

struct ID3DXBuffer;
typedef ID3DXBuffer* LPD3DXBUFFER;

struct ID3DXMesh : IUnknown {
    virtual DWORD STDMETHODCALLTYPE GetNumFaces() = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumVertices() = 0;
    virtual DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() = 0;

protected:
    ~ID3DXMesh() = default;
};
typedef ID3DXMesh* LPD3DXMESH;

HRESULT WINAPI D3DXCreateTeapot(LPDIRECT3DDEVICE9 device, LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency);
