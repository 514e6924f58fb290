#pragma once

// ID3D11Buffer: vertex, index and constant buffers in GL buffer objects.

#include "platform/d3d11/device_child.h"
#include "platform/include/d3d11.h"

namespace d3d11 {

class Buffer final : public DeviceChild<ID3D11Buffer> {
public:
    // The descriptor has been validated; the context is current.
    Buffer(std::shared_ptr<GlContext> gl, const D3D11_BUFFER_DESC& desc, const D3D11_SUBRESOURCE_DATA* initialData);

    GLuint Name() const { return name_; }
    const D3D11_BUFFER_DESC& Desc() const { return desc_; }
    // Replaces the whole contents; GL orders this after earlier draws.
    void Update(const void* data);

private:
    ~Buffer() override;

    D3D11_BUFFER_DESC desc_;
    GLuint name_ = 0;
};

// The layer's buffer behind a resource; null for anything else.
Buffer* AsBuffer(ID3D11Resource* resource);

} // namespace d3d11
