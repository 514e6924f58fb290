#pragma once

// The rules Direct3D 11 and DXGI apply to the descriptors and arguments the
// layer accepts, and the layer's own limits (what OpenGL stands in for).
// Each function returns null when every rule holds, otherwise the message
// of the first rule broken; the caller fails with E_INVALIDARG (or the code
// named below) and records the message in the journal.

#include "platform/d3d11/shader.h"
#include "platform/hlsl/shader_container.h"
#include "platform/include/d3d11.h"

#include <optional>
#include <string>
#include <vector>

namespace d3d11 {

const char* ValidateCreateDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                                 const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount, UINT sdkVersion,
                                 IDXGISwapChain** swapChain);
// Requests the layer cannot meet: DXGI_ERROR_UNSUPPORTED.
const char* UnsupportedCreateDevice(const DXGI_SWAP_CHAIN_DESC& desc);
const char* ValidateSwapChainDesc(const DXGI_SWAP_CHAIN_DESC* desc);
// The first level of the list (or of the default list) that the device
// offers; nothing when it offers none of them.
std::optional<D3D_FEATURE_LEVEL> ChooseFeatureLevel(const D3D_FEATURE_LEVEL* featureLevels, UINT count);

const char* ValidateBufferDesc(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData);
const char* ValidateTexture2DDesc(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData);
// `texture` is the descriptor of the view's texture (null when the resource
// is not one of the layer's 2D textures).
const char* ValidateShaderResourceView(const D3D11_TEXTURE2D_DESC* texture,
                                       const D3D11_SHADER_RESOURCE_VIEW_DESC* desc);
const char* ValidateRenderTargetView(const D3D11_TEXTURE2D_DESC* texture, const D3D11_RENDER_TARGET_VIEW_DESC* desc);
const char* ValidateDepthStencilView(const D3D11_TEXTURE2D_DESC* texture, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc);
const char* ValidateSamplerDesc(const D3D11_SAMPLER_DESC* desc);

// Reads the compiler's container for `stage` into *container. Any code may
// be created with or without a class linkage: a shader with interface slots
// created without one can be bound, but never draws (ChooseClassInstances).
const char* ParseShaderCode(const void* code, SIZE_T length, hlsl::ShaderStage stage,
                            std::optional<hlsl::ShaderContainer>* container);
const char* ValidateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT count,
                                const hlsl::ShaderContainer& vertexShader);
// The first vertex-shader input no element supplies, as "TEXCOORD5"; empty
// when every one is supplied. A matrix or array input takes one semantic
// index per row or element, on from its own: "float4x4 world : TEXCOORD1"
// needs TEXCOORD1 to TEXCOORD4.
std::string UnsuppliedVertexInput(const D3D11_INPUT_ELEMENT_DESC* elements, UINT count,
                                  const hlsl::ShaderContainer& vertexShader);

// The class instances bound with a shader (*SetShader's array, which may be
// null, and its length): Direct3D's rules for them, then into *ids the
// class instance id each of the shader's interface slots selects. A broken
// rule disables the shader. A null shader takes any instances.
const char* ChooseClassInstances(const ShaderCode* code, ID3D11ClassInstance* const* instances, UINT count,
                                 std::vector<std::uint32_t>* ids);

} // namespace d3d11
