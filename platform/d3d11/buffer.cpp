#include "platform/d3d11/buffer.h"

namespace d3d11 {

Buffer::Buffer(std::shared_ptr<GlContext> gl, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData)
    : DeviceChild("ID3D11Buffer", std::move(gl)), desc_(desc)
{
    glCreateBuffers(1, &name_);
    glNamedBufferStorage(name_, desc.ByteWidth, initialData ? initialData->pSysMem : nullptr,
                         GL_DYNAMIC_STORAGE_BIT);
}

Buffer::~Buffer()
{
    if (gl_->Bind())
        glDeleteBuffers(1, &name_);
}

void Buffer::Update(const void* data)
{
    glNamedBufferSubData(name_, 0, desc_.ByteWidth, data);
}

Buffer* AsBuffer(ID3D11Resource* resource)
{
    return dynamic_cast<Buffer*>(resource);
}

} // namespace d3d11
