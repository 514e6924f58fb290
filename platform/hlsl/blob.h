#pragma once

// The byte buffer D3DX hands back for compiled code and for message text.

#include "platform/include/d3dx11.h"

#include <cstddef>
#include <string_view>

namespace hlsl {

// A new blob holding a copy of the bytes, with one reference.
ID3D10Blob* CreateBlob(const void* data, std::size_t size);

// A blob holding the text and a terminating null, as D3DX's message blobs do
// (GetBufferSize counts the null).
ID3D10Blob* CreateTextBlob(std::string_view text);

} // namespace hlsl
