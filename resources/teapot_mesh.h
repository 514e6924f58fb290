#pragma once

#include "platform/api.h"

struct MeshBuffers {
    ID3D11Buffer* vertexBuffer; // owns one reference
    ID3D11Buffer* indexBuffer;  // owns one reference; 16-bit indices
    UINT vertexCount;
    UINT indexCount; // three per face; the count pass 1 draws
};

extern MeshBuffers meshBuffers;

// Builds the roughened teapot's vertex and index buffers into an empty record.
// Returns E_FAIL, changing nothing, when the record is absent or still holds
// buffers.
HRESULT LoadTeapotMesh(MeshBuffers* mesh);
