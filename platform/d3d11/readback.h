#pragma once

// Test instrument: the texels of a 2D texture as Direct3D would lay them out
// in memory, row 0 at the top, rows packed (width x bytes per texel).

#include "platform/include/d3d11.h"

#include <cstdint>
#include <vector>

namespace d3d11 {

// False for null, or when the texture's device can no longer reach GL.
bool ReadTexels(ID3D11Texture2D* texture, std::vector<std::uint8_t>* bytes, UINT* width, UINT* height,
                DXGI_FORMAT* format);

} // namespace d3d11
