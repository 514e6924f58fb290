#include "gfx/d3d_buffer.h"

#include "gfx/device_objects.h"

HRESULT CreateD3DBuffer(UINT bindFlags, UINT byteWidth, ID3D11Buffer** buffer, const void* initialData)
{
    const D3D11_BUFFER_DESC desc = {
        .ByteWidth = byteWidth,
        .Usage = D3D11_USAGE_DEFAULT,
        .BindFlags = bindFlags,
        .CPUAccessFlags = 0,
        .MiscFlags = 0,
        .StructureByteStride = 0,
    };
    const D3D11_SUBRESOURCE_DATA data = {.pSysMem = initialData, .SysMemPitch = 0, .SysMemSlicePitch = 0};
    return d3ddevice->CreateBuffer(&desc, initialData ? &data : nullptr, buffer);
}
