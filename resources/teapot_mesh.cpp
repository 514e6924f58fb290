#include "resources/teapot_mesh.h"

#include "gfx/d3d_buffer.h"
#include "gfx/device_objects.h"
#include "resources/vertex.h"
#include "scene/random.h"
#include "scene/single_precision.h"

#include <cstring>

namespace {

constexpr UINT kVertexCapacity = 131072;
constexpr UINT kIndexCapacity = 786432;

// Staging copies of the generated mesh; the jitter is applied here before the
// buffers are created from them.
Vertex vertexScratch[kVertexCapacity];
WORD indexScratch[kIndexCapacity];

// Offsets stay below about 0.0005 units: fine facets, not a new shape.
constexpr float kJitterScale = 0.0005f;

void JitterPositions(UINT vertexCount)
{
    for (UINT i = 0; i < vertexCount; ++i) {
        const float rx = NextRandom();
        const float ry = NextRandom();
        const float rz = NextRandom();
        float* position = vertexScratch[i].position;
        position[0] = position[0] + RoundProduct(rx, kJitterScale);
        position[1] = position[1] + RoundProduct(ry, kJitterScale);
        position[2] = position[2] + RoundProduct(rz, kJitterScale);
    }
}

} // namespace

HRESULT LoadTeapotMesh(MeshBuffers* mesh)
{
    if (!mesh || mesh->vertexBuffer || mesh->indexBuffer)
        return E_FAIL;

    ID3DXMesh* teapot = nullptr;
    D3DXCreateTeapot(pD3D9Device, &teapot, nullptr);
    if (!teapot)
        return 0;

    const UINT vertexCount = teapot->GetNumVertices();
    const UINT indexCount = 3 * teapot->GetNumFaces();
    // A mesh that does not fit the staging arrays, or whose vertices are not
    // the program's Vertex, is refused rather than copied out of bounds.
    if (teapot->GetNumBytesPerVertex() != sizeof(Vertex) || vertexCount > kVertexCapacity
        || indexCount > kIndexCapacity) {
        teapot->Release();
        return E_OUTOFMEMORY;
    }
    mesh->vertexCount = vertexCount;
    mesh->indexCount = indexCount;

    void* data = nullptr;
    if (teapot->LockVertexBuffer(D3DLOCK_READONLY, &data) == 0) {
        std::memcpy(vertexScratch, data, sizeof(Vertex) * vertexCount);
        teapot->UnlockVertexBuffer();
        JitterPositions(vertexCount);
    }
    // Buffer creation results are not checked: a missing buffer binds as
    // empty and pass 1 then draws nothing.
    CreateD3DBuffer(D3D11_BIND_VERTEX_BUFFER, sizeof(Vertex) * vertexCount, &mesh->vertexBuffer, vertexScratch);

    if (teapot->LockIndexBuffer(D3DLOCK_READONLY, &data) == 0) {
        std::memcpy(indexScratch, data, sizeof(WORD) * indexCount);
        teapot->UnlockIndexBuffer();
    }
    CreateD3DBuffer(D3D11_BIND_INDEX_BUFFER, sizeof(WORD) * indexCount, &mesh->indexBuffer, indexScratch);

    teapot->Release();
    return 0;
}
