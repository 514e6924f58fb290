#pragma once

// ID3D11Device: validates each descriptor (validation.h) and creates the
// layer's objects in the device's GL context. D3D11CreateDeviceAndSwapChain
// is defined beside it.

#include "platform/d3d11/gl_context.h"
#include "platform/diagnostics/ref_counted.h"
#include "platform/include/d3d11.h"

#include <memory>

namespace d3d11 {

class Device final : public diagnostics::RefCounted<ID3D11Device> {
public:
    explicit Device(std::shared_ptr<GlContext> gl);

    HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                           ID3D11Buffer** buffer) override;
    HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc,
                                              const D3D11_SUBRESOURCE_DATA* initialData,
                                              ID3D11Texture2D** texture) override;
    HRESULT STDMETHODCALLTYPE CreateShaderResourceView(ID3D11Resource* resource,
                                                       const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                                       ID3D11ShaderResourceView** view) override;
    HRESULT STDMETHODCALLTYPE CreateRenderTargetView(ID3D11Resource* resource,
                                                     const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                                     ID3D11RenderTargetView** view) override;
    HRESULT STDMETHODCALLTYPE CreateDepthStencilView(ID3D11Resource* resource,
                                                     const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                                     ID3D11DepthStencilView** view) override;
    HRESULT STDMETHODCALLTYPE CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                                                const void* shaderBytecode, SIZE_T bytecodeLength,
                                                ID3D11InputLayout** inputLayout) override;
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                 ID3D11ClassLinkage* classLinkage,
                                                 ID3D11VertexShader** shader) override;
    HRESULT STDMETHODCALLTYPE CreateGeometryShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                   ID3D11ClassLinkage* classLinkage,
                                                   ID3D11GeometryShader** shader) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                ID3D11ClassLinkage* classLinkage, ID3D11PixelShader** shader) override;
    HRESULT STDMETHODCALLTYPE CreateClassLinkage(ID3D11ClassLinkage** linkage) override;
    HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D11_SAMPLER_DESC* desc,
                                                 ID3D11SamplerState** sampler) override;

private:
    ~Device() override = default;

    template <class ShaderType, class Interface>
    HRESULT CreateShader(const char* operation, const char* interfaceName, hlsl::ShaderStage stage,
                         const void* code, SIZE_T length, ID3D11ClassLinkage* classLinkage, Interface** shader);

    std::shared_ptr<GlContext> gl_;
};

} // namespace d3d11
