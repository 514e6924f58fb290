#pragma once

#include "platform/api.h"

// A default-usage buffer on the program's device with the given bind flags,
// optionally filled.
HRESULT CreateD3DBuffer(UINT bindFlags, UINT byteWidth, ID3D11Buffer** buffer, const void* initialData);
