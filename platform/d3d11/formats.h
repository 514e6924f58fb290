#pragma once

// What each DXGI format means to this layer: which bindings it can take and
// how OpenGL stores, reads and fetches it. One table indexed by DXGI_FORMAT;
// a format not in it is unsupported everywhere.

#include "platform/include/dxgi.h"

#include <epoxy/gl.h>

namespace d3d11 {

struct FormatInfo {
    bool supported = false;
    UINT textureBindFlags = 0;   // D3D11_BIND_* a 2D texture of this format may have
    bool vertexElement = false;  // usable in an input layout element
    bool indexBuffer = false;    // usable as an index format
    UINT bytesPerElement = 0;
    // 2D textures.
    GLenum internalFormat = 0;
    GLenum pixelFormat = 0;
    GLenum pixelType = 0;
    // Vertex elements and indices.
    GLint components = 0;
    GLenum elementType = 0;
    GLboolean normalized = GL_FALSE;
};

const FormatInfo& Format(DXGI_FORMAT format);

} // namespace d3d11
