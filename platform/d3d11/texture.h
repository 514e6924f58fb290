#pragma once

// ID3D11Texture2D and the three kinds of view on it. A texture is one GL
// texture with immutable storage whose row 0 is the image's top row; a view
// holds a reference to its texture, as in Direct3D, and names the same GL
// texture (views of another format or mip range are refused at creation).

#include "platform/d3d11/device_child.h"
#include "platform/d3d11/ref.h"
#include "platform/include/d3d11.h"

namespace d3d11 {

class Texture2D final : public DeviceChild<ID3D11Texture2D> {
public:
    // The descriptor has been validated; the context is current.
    Texture2D(std::shared_ptr<GlContext> gl, const D3D11_TEXTURE2D_DESC& desc,
              const D3D11_SUBRESOURCE_DATA* initialData);

    GLuint Name() const { return name_; }
    const D3D11_TEXTURE2D_DESC& Desc() const { return desc_; }
    // Replaces every texel from rows `rowPitch` bytes apart, top row first.
    void Upload(const void* data, UINT rowPitch);

private:
    ~Texture2D() override;

    D3D11_TEXTURE2D_DESC desc_;
    GLuint name_ = 0;
};

// The layer's 2D texture behind a resource; null for anything else.
Texture2D* AsTexture2D(ID3D11Resource* resource);

template <class Interface, class Desc>
class TextureView final : public DeviceChild<Interface> {
public:
    TextureView(const char* interfaceName, Texture2D* texture, const Desc& desc)
        : DeviceChild<Interface>(interfaceName, texture->SharedGl()), texture_(Ref<Texture2D>::Share(texture)),
          desc_(desc)
    {
    }

    Texture2D* Texture() const { return texture_.get(); }
    GLuint TextureName() const { return texture_->Name(); }
    const Desc& ViewDesc() const { return desc_; }

private:
    ~TextureView() override = default;

    Ref<Texture2D> texture_;
    Desc desc_;
};

// The render-target view descriptor is never given (a default view of the
// whole texture), so there is nothing of it to keep.
struct DefaultRenderTargetView {};

using ShaderResourceView = TextureView<ID3D11ShaderResourceView, D3D11_SHADER_RESOURCE_VIEW_DESC>;
using RenderTargetView = TextureView<ID3D11RenderTargetView, DefaultRenderTargetView>;
using DepthStencilView = TextureView<ID3D11DepthStencilView, D3D11_DEPTH_STENCIL_VIEW_DESC>;

inline ShaderResourceView* Impl(ID3D11ShaderResourceView* view)
{
    return static_cast<ShaderResourceView*>(view);
}
inline RenderTargetView* Impl(ID3D11RenderTargetView* view)
{
    return static_cast<RenderTargetView*>(view);
}
inline DepthStencilView* Impl(ID3D11DepthStencilView* view)
{
    return static_cast<DepthStencilView*>(view);
}
inline Texture2D* Impl(ID3D11Texture2D* texture)
{
    return static_cast<Texture2D*>(texture);
}

} // namespace d3d11
