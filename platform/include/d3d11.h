#pragma once

// The Direct3D 11 types, entry point and interface methods the program uses.

#include "platform/include/d3d11_limits.h"
#include "platform/include/dxgi.h"
#include "platform/include/wintypes.h"

enum D3D_DRIVER_TYPE {
    D3D_DRIVER_TYPE_UNKNOWN = 0,
    D3D_DRIVER_TYPE_HARDWARE = 1,
};

enum D3D_FEATURE_LEVEL {
    D3D_FEATURE_LEVEL_9_1 = 0x9100,
    D3D_FEATURE_LEVEL_9_2 = 0x9200,
    D3D_FEATURE_LEVEL_9_3 = 0x9300,
    D3D_FEATURE_LEVEL_10_0 = 0xa000,
    D3D_FEATURE_LEVEL_10_1 = 0xa100,
    D3D_FEATURE_LEVEL_11_0 = 0xb000,
};

enum D3D_PRIMITIVE_TOPOLOGY {
    D3D_PRIMITIVE_TOPOLOGY_UNDEFINED = 0,
    D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST = 4,
    D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP = 5,
};
typedef D3D_PRIMITIVE_TOPOLOGY D3D11_PRIMITIVE_TOPOLOGY;
#define D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED D3D_PRIMITIVE_TOPOLOGY_UNDEFINED
#define D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST
#define D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP

#define D3D11_SDK_VERSION 7

enum D3D11_USAGE {
    D3D11_USAGE_DEFAULT = 0,
};

enum D3D11_BIND_FLAG {
    D3D11_BIND_VERTEX_BUFFER = 0x1L,
    D3D11_BIND_INDEX_BUFFER = 0x2L,
    D3D11_BIND_CONSTANT_BUFFER = 0x4L,
    D3D11_BIND_SHADER_RESOURCE = 0x8L,
    D3D11_BIND_RENDER_TARGET = 0x20L,
    D3D11_BIND_DEPTH_STENCIL = 0x40L,
};

enum D3D11_CLEAR_FLAG {
    D3D11_CLEAR_DEPTH = 0x1L,
    D3D11_CLEAR_STENCIL = 0x2L,
};

enum D3D11_DSV_DIMENSION {
    D3D11_DSV_DIMENSION_UNKNOWN = 0,
    D3D11_DSV_DIMENSION_TEXTURE2D = 3,
};

enum D3D11_SRV_DIMENSION {
    D3D11_SRV_DIMENSION_UNKNOWN = 0,
    D3D11_SRV_DIMENSION_TEXTURE2D = 4,
};

enum D3D11_FILTER {
    D3D11_FILTER_MIN_MAG_MIP_POINT = 0,
    D3D11_FILTER_MIN_MAG_MIP_LINEAR = 0x15,
};

enum D3D11_TEXTURE_ADDRESS_MODE {
    D3D11_TEXTURE_ADDRESS_WRAP = 1,
    D3D11_TEXTURE_ADDRESS_CLAMP = 3,
};

enum D3D11_COMPARISON_FUNC {
    D3D11_COMPARISON_NEVER = 1,
    D3D11_COMPARISON_LESS = 2,
    D3D11_COMPARISON_EQUAL = 3,
    D3D11_COMPARISON_LESS_EQUAL = 4,
    D3D11_COMPARISON_GREATER = 5,
    D3D11_COMPARISON_NOT_EQUAL = 6,
    D3D11_COMPARISON_GREATER_EQUAL = 7,
    D3D11_COMPARISON_ALWAYS = 8,
};

enum D3D11_INPUT_CLASSIFICATION {
    D3D11_INPUT_PER_VERTEX_DATA = 0,
};

#define D3D11_FLOAT32_MAX (3.402823466e+38f)

struct D3D11_BUFFER_DESC {
    UINT ByteWidth;
    D3D11_USAGE Usage;
    UINT BindFlags;
    UINT CPUAccessFlags;
    UINT MiscFlags;
    UINT StructureByteStride;
};

struct D3D11_SUBRESOURCE_DATA {
    const void* pSysMem;
    UINT SysMemPitch;
    UINT SysMemSlicePitch;
};

struct D3D11_TEXTURE2D_DESC {
    UINT Width;
    UINT Height;
    UINT MipLevels;
    UINT ArraySize;
    DXGI_FORMAT Format;
    DXGI_SAMPLE_DESC SampleDesc;
    D3D11_USAGE Usage;
    UINT BindFlags;
    UINT CPUAccessFlags;
    UINT MiscFlags;
};

struct D3D11_TEX2D_DSV {
    UINT MipSlice;
};

struct D3D11_DEPTH_STENCIL_VIEW_DESC {
    DXGI_FORMAT Format;
    D3D11_DSV_DIMENSION ViewDimension;
    UINT Flags;
    union {
        D3D11_TEX2D_DSV Texture2D;
    };
};

struct D3D11_TEX2D_SRV {
    UINT MostDetailedMip;
    UINT MipLevels;
};

struct D3D11_SHADER_RESOURCE_VIEW_DESC {
    DXGI_FORMAT Format;
    D3D11_SRV_DIMENSION ViewDimension;
    union {
        D3D11_TEX2D_SRV Texture2D;
    };
};

// Only ever passed as null: the default view of the whole resource.
struct D3D11_RENDER_TARGET_VIEW_DESC;

struct D3D11_SAMPLER_DESC {
    D3D11_FILTER Filter;
    D3D11_TEXTURE_ADDRESS_MODE AddressU;
    D3D11_TEXTURE_ADDRESS_MODE AddressV;
    D3D11_TEXTURE_ADDRESS_MODE AddressW;
    FLOAT MipLODBias;
    UINT MaxAnisotropy;
    D3D11_COMPARISON_FUNC ComparisonFunc;
    FLOAT BorderColor[4];
    FLOAT MinLOD;
    FLOAT MaxLOD;
};

struct D3D11_VIEWPORT {
    FLOAT TopLeftX;
    FLOAT TopLeftY;
    FLOAT Width;
    FLOAT Height;
    FLOAT MinDepth;
    FLOAT MaxDepth;
};

struct D3D11_INPUT_ELEMENT_DESC {
    LPCSTR SemanticName;
    UINT SemanticIndex;
    DXGI_FORMAT Format;
    UINT InputSlot;
    UINT AlignedByteOffset;
    D3D11_INPUT_CLASSIFICATION InputSlotClass;
    UINT InstanceDataStepRate;
};

// Only ever passed as null.
struct D3D11_BOX;

struct D3D11_CLASS_INSTANCE_DESC {
    UINT InstanceId;
    UINT InstanceIndex;
    UINT TypeId;
    UINT ConstantBuffer;
    UINT BaseConstantBufferOffset;
    UINT BaseTexture;
    UINT BaseSampler;
    BOOL Created;
};

#define D3D11_INTERFACE(name, base) \
    struct name : base {            \
    protected:                      \
        ~name() = default;          \
    }

D3D11_INTERFACE(ID3D11DeviceChild, IUnknown);
D3D11_INTERFACE(ID3D11Resource, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11Buffer, ID3D11Resource);
D3D11_INTERFACE(ID3D11Texture2D, ID3D11Resource);
D3D11_INTERFACE(ID3D11View, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11RenderTargetView, ID3D11View);
D3D11_INTERFACE(ID3D11DepthStencilView, ID3D11View);
D3D11_INTERFACE(ID3D11ShaderResourceView, ID3D11View);
D3D11_INTERFACE(ID3D11SamplerState, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11RasterizerState, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11InputLayout, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11VertexShader, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11GeometryShader, ID3D11DeviceChild);
D3D11_INTERFACE(ID3D11PixelShader, ID3D11DeviceChild);

#undef D3D11_INTERFACE

struct ID3D11ClassLinkage;

struct ID3D11ClassInstance : ID3D11DeviceChild {
    virtual void STDMETHODCALLTYPE GetClassLinkage(ID3D11ClassLinkage** linkage) = 0;
    virtual void STDMETHODCALLTYPE GetDesc(D3D11_CLASS_INSTANCE_DESC* desc) = 0;
    virtual void STDMETHODCALLTYPE GetInstanceName(LPSTR instanceName, SIZE_T* bufferLength) = 0;
    virtual void STDMETHODCALLTYPE GetTypeName(LPSTR typeName, SIZE_T* bufferLength) = 0;

protected:
    ~ID3D11ClassInstance() = default;
};

struct ID3D11ClassLinkage : ID3D11DeviceChild {
    virtual HRESULT STDMETHODCALLTYPE GetClassInstance(LPCSTR classInstanceName, UINT instanceIndex,
                                                       ID3D11ClassInstance** instance) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassInstance(LPCSTR classTypeName, UINT constantBufferOffset,
                                                          UINT constantVectorOffset, UINT textureOffset,
                                                          UINT samplerOffset, ID3D11ClassInstance** instance) = 0;

protected:
    ~ID3D11ClassLinkage() = default;
};

// {6F15AAF2-D208-4E89-9AB4-489535D34F9C}
extern const IID IID_ID3D11Texture2D;

struct ID3D11Device : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D11_BUFFER_DESC* desc,
                                                   const D3D11_SUBRESOURCE_DATA* initialData,
                                                   ID3D11Buffer** buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc,
                                                      const D3D11_SUBRESOURCE_DATA* initialData,
                                                      ID3D11Texture2D** texture) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateShaderResourceView(ID3D11Resource* resource,
                                                               const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                                               ID3D11ShaderResourceView** view) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateRenderTargetView(ID3D11Resource* resource,
                                                             const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                                             ID3D11RenderTargetView** view) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateDepthStencilView(ID3D11Resource* resource,
                                                             const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                                             ID3D11DepthStencilView** view) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                                                        const void* shaderBytecode, SIZE_T bytecodeLength,
                                                        ID3D11InputLayout** inputLayout) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateVertexShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                         ID3D11ClassLinkage* classLinkage,
                                                         ID3D11VertexShader** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateGeometryShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                           ID3D11ClassLinkage* classLinkage,
                                                           ID3D11GeometryShader** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                                        ID3D11ClassLinkage* classLinkage,
                                                        ID3D11PixelShader** shader) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassLinkage(ID3D11ClassLinkage** linkage) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D11_SAMPLER_DESC* desc,
                                                         ID3D11SamplerState** sampler) = 0;

protected:
    ~ID3D11Device() = default;
};

struct ID3D11DeviceContext : ID3D11DeviceChild {
    virtual void STDMETHODCALLTYPE VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) = 0;
    virtual void STDMETHODCALLTYPE PSSetShaderResources(UINT startSlot, UINT count,
                                                        ID3D11ShaderResourceView* const* views) = 0;
    virtual void STDMETHODCALLTYPE PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances,
                                               UINT instanceCount) = 0;
    virtual void STDMETHODCALLTYPE PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) = 0;
    virtual void STDMETHODCALLTYPE VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances,
                                               UINT instanceCount) = 0;
    virtual void STDMETHODCALLTYPE DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex) = 0;
    virtual void STDMETHODCALLTYPE Draw(UINT vertexCount, UINT startVertex) = 0;
    virtual void STDMETHODCALLTYPE PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) = 0;
    virtual void STDMETHODCALLTYPE IASetInputLayout(ID3D11InputLayout* inputLayout) = 0;
    virtual void STDMETHODCALLTYPE IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers,
                                                      const UINT* strides, const UINT* offsets) = 0;
    virtual void STDMETHODCALLTYPE IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) = 0;
    virtual void STDMETHODCALLTYPE GSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) = 0;
    virtual void STDMETHODCALLTYPE GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const* instances,
                                               UINT instanceCount) = 0;
    virtual void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) = 0;
    virtual void STDMETHODCALLTYPE OMSetRenderTargets(UINT viewCount, ID3D11RenderTargetView* const* views,
                                                      ID3D11DepthStencilView* depthStencilView) = 0;
    virtual void STDMETHODCALLTYPE RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports) = 0;
    virtual void STDMETHODCALLTYPE UpdateSubresource(ID3D11Resource* resource, UINT subresource, const D3D11_BOX* box,
                                                     const void* data, UINT rowPitch, UINT depthPitch) = 0;
    virtual void STDMETHODCALLTYPE ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) = 0;
    virtual void STDMETHODCALLTYPE ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth,
                                                         UINT8 stencil) = 0;
    virtual void STDMETHODCALLTYPE PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances,
                                               UINT* instanceCount) = 0;
    virtual void STDMETHODCALLTYPE VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance** instances,
                                               UINT* instanceCount) = 0;
    virtual void STDMETHODCALLTYPE GSGetShader(ID3D11GeometryShader** shader, ID3D11ClassInstance** instances,
                                               UINT* instanceCount) = 0;

protected:
    ~ID3D11DeviceContext() = default;
};

HRESULT WINAPI D3D11CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software,
                                             UINT flags, const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount,
                                             UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* swapChainDesc,
                                             IDXGISwapChain** swapChain, ID3D11Device** device,
                                             D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** context);
