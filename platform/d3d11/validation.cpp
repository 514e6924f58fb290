#include "platform/d3d11/validation.h"

#include "platform/d3d11/class_linkage.h"
#include "platform/d3d11/formats.h"
#include "platform/d3d11/input_layout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <span>
#include <string>

// One rule per line: when the condition does not hold, the message is the
// answer.
#define D3D11_RULE(condition, message) \
    do {                               \
        if (!(condition))              \
            return message;            \
    } while (0)

namespace d3d11 {

namespace {

constexpr UINT kMaxTextureSize = D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION;
constexpr UINT kMaxConstantBufferBytes = D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16;
constexpr UINT kMaxVertexElementEnd = 2048; // D3D11_IA_VERTEX_INPUT_STRUCTURE_ELEMENTS_COMPONENTS * 4 bytes
constexpr UINT kBufferBindFlags = D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER | D3D11_BIND_CONSTANT_BUFFER;
constexpr UINT kSwapChainFlags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
// The most class instances one shader can be bound with.
constexpr UINT kMaxClassInstances = 256;

constexpr D3D_FEATURE_LEVEL kOfferedLevels[] = {
    D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_10_1, D3D_FEATURE_LEVEL_10_0,
    D3D_FEATURE_LEVEL_9_3,  D3D_FEATURE_LEVEL_9_2,  D3D_FEATURE_LEVEL_9_1,
};

bool Offered(D3D_FEATURE_LEVEL level)
{
    for (const D3D_FEATURE_LEVEL offered : kOfferedLevels)
        if (level == offered)
            return true;
    return false;
}

bool SupportedAddressMode(D3D11_TEXTURE_ADDRESS_MODE mode)
{
    return mode == D3D11_TEXTURE_ADDRESS_WRAP || mode == D3D11_TEXTURE_ADDRESS_CLAMP;
}

bool DuplicateSemantic(std::span<const D3D11_INPUT_ELEMENT_DESC> elements, std::size_t index)
{
    const std::string name = UpperCase(elements[index].SemanticName);
    for (std::size_t i = 0; i < index; ++i)
        if (elements[i].SemanticIndex == elements[index].SemanticIndex && UpperCase(elements[i].SemanticName) == name)
            return true;
    return false;
}

bool Supplies(std::span<const D3D11_INPUT_ELEMENT_DESC> elements, const std::string& semantic, UINT index)
{
    for (const D3D11_INPUT_ELEMENT_DESC& element : elements)
        if (element.SemanticIndex == index && UpperCase(element.SemanticName) == semantic)
            return true;
    return false;
}

// The shader's record of the bound instance: an instance a shader declares
// by type, name and index; a created one by its type alone.
const hlsl::ClassInstanceRecord* FindRecord(const hlsl::ShaderContainer& code, const ClassInstance& instance)
{
    for (const hlsl::ClassInstanceRecord& record : code.classInstances)
        if (record.typeName == instance.TypeName() && record.instanceName == instance.InstanceName()
            && (instance.Created() || record.instanceIndex == instance.InstanceIndex()))
            return &record;
    return nullptr;
}

// Whether the record's class implements the interface of slot `slot`; true
// where the code names no interface for the slot.
bool Implements(const hlsl::ShaderContainer& code, const hlsl::ClassInstanceRecord& record, UINT slot)
{
    for (const hlsl::InterfaceSlotRecord& range : code.interfaceSlots)
        if (slot >= range.slot && slot - range.slot < range.arraySize)
            return std::find(record.interfaces.begin(), record.interfaces.end(), range.interfaceName)
                   != record.interfaces.end();
    return true;
}

} // namespace

const char* ValidateCreateDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                                 const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount, UINT sdkVersion,
                                 IDXGISwapChain** swapChain)
{
    D3D11_RULE(sdkVersion == D3D11_SDK_VERSION, "SDKVersion is not D3D11_SDK_VERSION");
    D3D11_RULE(!adapter, "choosing an adapter is not supported");
    D3D11_RULE(driverType == D3D_DRIVER_TYPE_HARDWARE, "only the hardware driver type is available");
    D3D11_RULE(!software, "a software module goes only with D3D_DRIVER_TYPE_SOFTWARE");
    D3D11_RULE(flags == 0, "creation flags are not supported");
    D3D11_RULE(!featureLevels || featureLevelCount > 0, "the feature level list is empty");
    D3D11_RULE(ChooseFeatureLevel(featureLevels, featureLevelCount), "no listed feature level is known");
    D3D11_RULE(swapChain, "no swap chain out-pointer");
    return nullptr;
}

const char* UnsupportedCreateDevice(const DXGI_SWAP_CHAIN_DESC& desc)
{
    D3D11_RULE(desc.Windowed, "full-screen swap chains are not available");
    return nullptr;
}

const char* ValidateSwapChainDesc(const DXGI_SWAP_CHAIN_DESC* desc)
{
    D3D11_RULE(desc, "no swap chain descriptor");
    D3D11_RULE(desc->BufferDesc.Width <= kMaxTextureSize && desc->BufferDesc.Height <= kMaxTextureSize,
               "back buffer larger than 16384 texels");
    D3D11_RULE(desc->BufferDesc.Format == DXGI_FORMAT_R8G8B8A8_UNORM, "back buffer format is not supported");
    D3D11_RULE(desc->SampleDesc.Count == 1 && desc->SampleDesc.Quality == 0, "multisampling is not supported");
    D3D11_RULE(desc->BufferCount >= 1 && desc->BufferCount <= DXGI_MAX_SWAP_CHAIN_BUFFERS,
               "BufferCount is outside 1..16");
    D3D11_RULE(desc->SwapEffect == DXGI_SWAP_EFFECT_DISCARD, "swap effect is not supported");
    D3D11_RULE((desc->Flags & ~kSwapChainFlags) == 0, "swap chain flags are not supported");
    D3D11_RULE(desc->OutputWindow, "no output window");
    return nullptr;
}

std::optional<D3D_FEATURE_LEVEL> ChooseFeatureLevel(const D3D_FEATURE_LEVEL* featureLevels, UINT count)
{
    if (!featureLevels)
        return kOfferedLevels[0];
    for (UINT i = 0; i < count; ++i)
        if (Offered(featureLevels[i]))
            return featureLevels[i];
    return std::nullopt;
}

const char* ValidateBufferDesc(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData)
{
    D3D11_RULE(desc, "no buffer descriptor");
    D3D11_RULE(desc->ByteWidth > 0, "ByteWidth is zero");
    D3D11_RULE(desc->Usage == D3D11_USAGE_DEFAULT, "only D3D11_USAGE_DEFAULT is supported");
    D3D11_RULE(desc->CPUAccessFlags == 0, "a default-usage resource has no CPU access");
    D3D11_RULE(desc->MiscFlags == 0, "MiscFlags are not supported");
    D3D11_RULE((desc->BindFlags & ~kBufferBindFlags) == 0, "a buffer binds only as vertex, index or constant buffer");
    const bool constant = (desc->BindFlags & D3D11_BIND_CONSTANT_BUFFER) != 0;
    D3D11_RULE(!constant || desc->BindFlags == D3D11_BIND_CONSTANT_BUFFER,
               "a constant buffer cannot have other bind flags");
    D3D11_RULE(!constant || desc->ByteWidth % 16 == 0, "constant buffer ByteWidth is not a multiple of 16");
    D3D11_RULE(!constant || desc->ByteWidth <= kMaxConstantBufferBytes, "constant buffer larger than 65536 bytes");
    D3D11_RULE(!initialData || initialData->pSysMem, "initial data without pSysMem");
    return nullptr;
}

const char* ValidateTexture2DDesc(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData)
{
    D3D11_RULE(desc, "no texture descriptor");
    const FormatInfo& format = Format(desc->Format);
    D3D11_RULE(desc->Width > 0 && desc->Height > 0, "Width or Height is zero");
    D3D11_RULE(desc->Width <= kMaxTextureSize && desc->Height <= kMaxTextureSize, "larger than 16384 texels");
    D3D11_RULE(desc->MipLevels == 1, "only one mip level is supported");
    D3D11_RULE(desc->ArraySize == 1, "only ArraySize 1 is supported");
    D3D11_RULE(format.textureBindFlags != 0, "format is not supported for 2D textures");
    D3D11_RULE(desc->SampleDesc.Count == 1 && desc->SampleDesc.Quality == 0, "multisampling is not supported");
    D3D11_RULE(desc->Usage == D3D11_USAGE_DEFAULT, "only D3D11_USAGE_DEFAULT is supported");
    D3D11_RULE(desc->CPUAccessFlags == 0, "a default-usage resource has no CPU access");
    D3D11_RULE(desc->MiscFlags == 0, "MiscFlags are not supported");
    D3D11_RULE((desc->BindFlags & ~format.textureBindFlags) == 0, "the format cannot have these bind flags");
    D3D11_RULE(!initialData || initialData->pSysMem, "initial data without pSysMem");
    D3D11_RULE(!initialData || initialData->SysMemPitch >= desc->Width * format.bytesPerElement,
               "SysMemPitch is shorter than a row");
    return nullptr;
}

const char* ValidateShaderResourceView(const D3D11_TEXTURE2D_DESC* texture,
                                       const D3D11_SHADER_RESOURCE_VIEW_DESC* desc)
{
    D3D11_RULE(texture, "the resource is not a 2D texture");
    D3D11_RULE(texture->BindFlags & D3D11_BIND_SHADER_RESOURCE, "the texture lacks D3D11_BIND_SHADER_RESOURCE");
    if (!desc)
        return nullptr;
    D3D11_RULE(desc->Format == DXGI_FORMAT_UNKNOWN || desc->Format == texture->Format,
               "the view's format differs from the texture's");
    D3D11_RULE(desc->ViewDimension == D3D11_SRV_DIMENSION_TEXTURE2D, "the view's dimension is not TEXTURE2D");
    D3D11_RULE(desc->Texture2D.MostDetailedMip < texture->MipLevels, "MostDetailedMip is beyond the texture's mips");
    D3D11_RULE(desc->Texture2D.MipLevels == UINT_MAX
                   || (desc->Texture2D.MipLevels > 0
                       && desc->Texture2D.MipLevels <= texture->MipLevels - desc->Texture2D.MostDetailedMip),
               "MipLevels is outside the texture's mips");
    return nullptr;
}

const char* ValidateRenderTargetView(const D3D11_TEXTURE2D_DESC* texture, const D3D11_RENDER_TARGET_VIEW_DESC* desc)
{
    D3D11_RULE(texture, "the resource is not a 2D texture");
    D3D11_RULE(texture->BindFlags & D3D11_BIND_RENDER_TARGET, "the texture lacks D3D11_BIND_RENDER_TARGET");
    D3D11_RULE(!desc, "only the default render-target view is supported");
    return nullptr;
}

const char* ValidateDepthStencilView(const D3D11_TEXTURE2D_DESC* texture, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc)
{
    D3D11_RULE(texture, "the resource is not a 2D texture");
    D3D11_RULE(texture->BindFlags & D3D11_BIND_DEPTH_STENCIL, "the texture lacks D3D11_BIND_DEPTH_STENCIL");
    if (!desc)
        return nullptr;
    D3D11_RULE(desc->Format == DXGI_FORMAT_UNKNOWN || desc->Format == texture->Format,
               "the view's format differs from the texture's");
    D3D11_RULE(desc->ViewDimension == D3D11_DSV_DIMENSION_TEXTURE2D, "the view's dimension is not TEXTURE2D");
    D3D11_RULE(desc->Flags == 0, "read-only depth-stencil views are not supported");
    D3D11_RULE(desc->Texture2D.MipSlice < texture->MipLevels, "MipSlice is beyond the texture's mips");
    return nullptr;
}

const char* ValidateSamplerDesc(const D3D11_SAMPLER_DESC* desc)
{
    D3D11_RULE(desc, "no sampler descriptor");
    D3D11_RULE(desc->Filter == D3D11_FILTER_MIN_MAG_MIP_LINEAR || desc->Filter == D3D11_FILTER_MIN_MAG_MIP_POINT,
               "filter is not supported");
    D3D11_RULE(SupportedAddressMode(desc->AddressU) && SupportedAddressMode(desc->AddressV)
                   && SupportedAddressMode(desc->AddressW),
               "address mode is not supported");
    D3D11_RULE(desc->MipLODBias >= D3D11_MIP_LOD_BIAS_MIN && desc->MipLODBias <= D3D11_MIP_LOD_BIAS_MAX,
               "MipLODBias is outside -16..15.99");
    D3D11_RULE(desc->MaxAnisotropy <= D3D11_REQ_MAXANISOTROPY, "MaxAnisotropy is above 16");
    const auto comparison = static_cast<UINT>(desc->ComparisonFunc);
    D3D11_RULE(comparison >= D3D11_COMPARISON_NEVER && comparison <= D3D11_COMPARISON_ALWAYS,
               "ComparisonFunc is not a comparison");
    D3D11_RULE(!std::isnan(desc->MinLOD) && !std::isnan(desc->MaxLOD) && desc->MinLOD <= desc->MaxLOD,
               "MinLOD is above MaxLOD");
    return nullptr;
}

const char* ParseShaderCode(const void* code, SIZE_T length, hlsl::ShaderStage stage,
                            std::optional<hlsl::ShaderContainer>* container)
{
    D3D11_RULE(code && length > 0, "no shader code");
    *container = hlsl::ParseContainer({static_cast<const std::uint8_t*>(code), length});
    D3D11_RULE(*container, "not compiled shader code");
    D3D11_RULE((*container)->stage == stage, "the code is compiled for another stage");
    return nullptr;
}

const char* ChooseClassInstances(const ShaderCode* code, ID3D11ClassInstance* const* instances, UINT count,
                                 std::vector<std::uint32_t>* ids)
{
    ids->clear();
    if (!code)
        return nullptr;
    const hlsl::ShaderContainer& container = code->Container();
    D3D11_RULE(count <= kMaxClassInstances, "more than 256 class instances");
    D3D11_RULE(!instances || count == container.interfaceSlotCount,
               "the number of class instances differs from the shader's interface slots");
    for (UINT slot = 0; slot < container.interfaceSlotCount; ++slot) {
        const ClassInstance* instance = instances && slot < count ? Impl(instances[slot]) : nullptr;
        D3D11_RULE(instance, "an interface slot the shader uses has no class instance");
        D3D11_RULE(instance->LinkageSerial() == code->LinkageSerial(),
                   "a class instance comes from another class linkage than the shader's");
        const hlsl::ClassInstanceRecord* record = FindRecord(container, *instance);
        D3D11_RULE(record, "the shader has no code for a class instance");
        D3D11_RULE(Implements(container, *record, slot), "a class instance does not implement its slot's interface");
        ids->push_back(record->id);
    }
    return nullptr;
}

const char* ValidateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT count,
                                const hlsl::ShaderContainer& vertexShader)
{
    D3D11_RULE(elements || count == 0, "no element array");
    D3D11_RULE(count <= D3D11_IA_VERTEX_INPUT_STRUCTURE_ELEMENT_COUNT, "more than 32 elements");
    const std::span<const D3D11_INPUT_ELEMENT_DESC> list(elements, count);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const D3D11_INPUT_ELEMENT_DESC& e = list[i];
        const FormatInfo& format = Format(e.Format);
        D3D11_RULE(e.SemanticName && *e.SemanticName, "an element has no semantic name");
        D3D11_RULE(format.vertexElement, "an element's format is not supported for vertex data");
        D3D11_RULE(e.InputSlot < D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT, "an element's input slot is beyond 31");
        D3D11_RULE(e.InputSlotClass == D3D11_INPUT_PER_VERTEX_DATA, "only per-vertex data is supported");
        D3D11_RULE(e.InstanceDataStepRate == 0, "per-vertex data has no step rate");
        D3D11_RULE(e.AlignedByteOffset % 4 == 0, "an element's offset is not a multiple of 4");
        D3D11_RULE(e.AlignedByteOffset <= kMaxVertexElementEnd - format.bytesPerElement,
                   "an element ends beyond 2048 bytes");
        D3D11_RULE(!DuplicateSemantic(list, i), "two elements have the same semantic");
    }
    D3D11_RULE(vertexShader.stage == hlsl::ShaderStage::Vertex, "the code is not a vertex shader");
    D3D11_RULE(UnsuppliedVertexInput(elements, count, vertexShader).empty(),
               "the vertex shader's input signature has a semantic the elements do not supply");
    return nullptr;
}

std::string UnsuppliedVertexInput(const D3D11_INPUT_ELEMENT_DESC* elements, UINT count,
                                  const hlsl::ShaderContainer& vertexShader)
{
    if (!elements && count != 0)
        return {};
    const std::span<const D3D11_INPUT_ELEMENT_DESC> list(elements, count);
    for (const hlsl::StageVariable& input : vertexShader.inputs) {
        if (input.systemValue)
            continue;
        for (std::uint32_t row = 0; row < input.locationCount; ++row)
            if (!Supplies(list, input.semantic, input.semanticIndex + row))
                return input.semantic + std::to_string(input.semanticIndex + row);
    }
    return {};
}

} // namespace d3d11
