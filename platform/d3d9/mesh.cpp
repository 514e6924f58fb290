// The D3DX 9 mesh object and D3DXCreateTeapot.

#include "platform/d3d9/direct3d9.h"
#include "platform/d3d9/teapot.h"
#include "platform/include/d3dx9.h"

#include <string>
#include <utility>

namespace d3d9 {

namespace {

// A mesh in system memory. It keeps the device it was made on alive, as D3DX
// meshes do. Locks hand out the mesh's own storage; any lock flags are
// accepted, and the data stays put until the mesh is freed.
class Mesh final : public diagnostics::RefCounted<ID3DXMesh> {
public:
    Mesh(Direct3DDevice9* device, TeapotGeometry geometry)
        : RefCounted("ID3DXMesh"),
          device_(diagnostics::AddRefAs<Direct3DDevice9>(device)),
          geometry_(std::move(geometry))
    {
    }

    ~Mesh() override { device_->Release(); }

    DWORD STDMETHODCALLTYPE GetNumFaces() override
    {
        return static_cast<DWORD>(geometry_.indices.size() / 3);
    }

    DWORD STDMETHODCALLTYPE GetNumVertices() override { return static_cast<DWORD>(geometry_.vertices.size()); }

    DWORD STDMETHODCALLTYPE GetNumBytesPerVertex() override { return sizeof(TeapotVertex); }

    HRESULT STDMETHODCALLTYPE LockVertexBuffer(DWORD flags, LPVOID* data) override
    {
        return Lock("LockVertexBuffer", flags, geometry_.vertices.data(), data);
    }

    HRESULT STDMETHODCALLTYPE UnlockVertexBuffer() override { return D3D_OK; }

    HRESULT STDMETHODCALLTYPE LockIndexBuffer(DWORD flags, LPVOID* data) override
    {
        return Lock("LockIndexBuffer", flags, geometry_.indices.data(), data);
    }

    HRESULT STDMETHODCALLTYPE UnlockIndexBuffer() override { return D3D_OK; }

private:
    HRESULT Lock(const char* operation, DWORD flags, void* storage, LPVOID* data)
    {
        if (data)
            *data = nullptr;
        const std::string arguments = "mesh=" + diagnostics::ObjectLabel(this) + " flags=" + HexCode(flags);
        HRESULT hr = D3D_OK;
        if (!diagnostics::ShouldFail(operation, &hr)) {
            if (data)
                *data = storage;
            else
                hr = D3DERR_INVALIDCALL;
        }
        diagnostics::Record(operation, arguments + " result=" + HexCode(static_cast<std::uint32_t>(hr)));
        return hr;
    }

    Direct3DDevice9* device_;
    TeapotGeometry geometry_;
};

} // namespace

} // namespace d3d9

HRESULT WINAPI D3DXCreateTeapot(LPDIRECT3DDEVICE9 device, LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency)
{
    if (mesh)
        *mesh = nullptr;
    if (adjacency)
        *adjacency = nullptr;
    const std::string arguments = "device=" + diagnostics::ObjectLabel(device);

    HRESULT hr = D3D_OK;
    if (!diagnostics::ShouldFail("D3DXCreateTeapot", &hr)) {
        if (!device || !mesh)
            hr = D3DERR_INVALIDCALL;
        else if (adjacency)
            hr = E_NOTIMPL; // this layer builds no adjacency information
    }
    if (hr != D3D_OK) {
        diagnostics::Record("D3DXCreateTeapot", arguments + " result=" + d3d9::HexCode(static_cast<std::uint32_t>(hr)));
        return hr;
    }

    auto* created = new d3d9::Mesh(static_cast<d3d9::Direct3DDevice9*>(device), d3d9::TessellateTeapot());
    *mesh = created;
    diagnostics::Record("D3DXCreateTeapot", arguments + " result=" + d3d9::HexCode(0) +
                                                " mesh=" + diagnostics::ObjectLabel(created));
    return D3D_OK;
}
