#pragma once

#include "platform/api.h"

// The teapot's buffers: filled by each load (resources/teapot_mesh.cpp),
// bound by pass 1, and released by the scene's release and again, harmlessly,
// with the device objects.
struct MeshBuffers {
    ID3D11Buffer* vertexBuffer; // owns one reference
    ID3D11Buffer* indexBuffer;  // owns one reference; 16-bit indices
    UINT vertexCount;
    UINT indexCount; // three per face; the count pass 1 draws
};

extern MeshBuffers meshBuffers;
