#pragma once

#include "gfx/mesh_buffers.h"
#include "platform/api.h"

// Builds the roughened teapot's vertex and index buffers into an empty record.
// Returns E_FAIL, changing nothing, when the record is absent or still holds
// buffers.
HRESULT LoadTeapotMesh(MeshBuffers* mesh);
