#include "platform/d3d11/readback.h"

#include "platform/d3d11/formats.h"
#include "platform/d3d11/texture.h"

namespace d3d11 {

bool ReadTexels(ID3D11Texture2D* texture, std::vector<std::uint8_t>* bytes, UINT* width, UINT* height,
                DXGI_FORMAT* format)
{
    Texture2D* implementation = Impl(texture);
    if (!implementation || !bytes || !implementation->Gl().Bind())
        return false;
    const D3D11_TEXTURE2D_DESC& desc = implementation->Desc();
    const FormatInfo& info = Format(desc.Format);
    // GL keeps the texture's rows in the order Direct3D does (the layer
    // renders with an upper-left origin), so no flip is needed.
    bytes->resize(static_cast<std::size_t>(desc.Width) * desc.Height * info.bytesPerElement);
    glGetTextureImage(implementation->Name(), 0, info.pixelFormat, info.pixelType, static_cast<GLsizei>(bytes->size()),
                      bytes->data());
    if (width)
        *width = desc.Width;
    if (height)
        *height = desc.Height;
    if (format)
        *format = desc.Format;
    return true;
}

} // namespace d3d11
