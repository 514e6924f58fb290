#include "platform/d3d11/texture.h"

#include "platform/d3d11/formats.h"

#include <cstdint>

// {6F15AAF2-D208-4E89-9AB4-489535D34F9C}
const IID IID_ID3D11Texture2D = {0x6F15AAF2, 0xD208, 0x4E89, {0x9A, 0xB4, 0x48, 0x95, 0x35, 0xD3, 0x4F, 0x9C}};

namespace d3d11 {

Texture2D::Texture2D(std::shared_ptr<GlContext> gl, const D3D11_TEXTURE2D_DESC& desc,
                     const D3D11_SUBRESOURCE_DATA* initialData)
    : DeviceChild("ID3D11Texture2D", std::move(gl)), desc_(desc)
{
    glCreateTextures(GL_TEXTURE_2D, 1, &name_);
    glTextureStorage2D(name_, 1, Format(desc.Format).internalFormat, static_cast<GLsizei>(desc.Width),
                       static_cast<GLsizei>(desc.Height));
    if (initialData)
        Upload(initialData->pSysMem, initialData->SysMemPitch);
}

Texture2D::~Texture2D()
{
    gl_->ForgetTexture(name_);
    if (gl_->Bind())
        glDeleteTextures(1, &name_);
}

void Texture2D::Upload(const void* data, UINT rowPitch)
{
    const FormatInfo& format = Format(desc_.Format);
    const auto width = static_cast<GLsizei>(desc_.Width);
    const auto height = static_cast<GLsizei>(desc_.Height);
    if (rowPitch % format.bytesPerElement == 0) {
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(rowPitch / format.bytesPerElement));
        glTextureSubImage2D(name_, 0, 0, 0, width, height, format.pixelFormat, format.pixelType, data);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        return;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (GLint row = 0; row < height; ++row)
        glTextureSubImage2D(name_, 0, 0, row, width, 1, format.pixelFormat, format.pixelType,
                            bytes + static_cast<std::size_t>(row) * rowPitch);
}

Texture2D* AsTexture2D(ID3D11Resource* resource)
{
    return dynamic_cast<Texture2D*>(resource);
}

} // namespace d3d11
