#include "platform/d3d11/device.h"

#include "platform/d3d11/buffer.h"
#include "platform/d3d11/class_linkage.h"
#include "platform/d3d11/context.h"
#include "platform/d3d11/input_layout.h"
#include "platform/d3d11/journal.h"
#include "platform/d3d11/sampler.h"
#include "platform/d3d11/shader.h"
#include "platform/d3d11/swap_chain.h"
#include "platform/d3d11/texture.h"
#include "platform/d3d11/validation.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace d3d11 {

namespace {

// The steps every creating call shares before it makes anything: an injected
// fault, the descriptor's rules, a call that only validates (null
// out-pointer), a context that can no longer be bound. Returns null when the
// call goes ahead, otherwise the reason, with the call's result in *result.
const char* Precheck(const char* operation, const char* ruleBroken, bool wantsObject, GlContext& gl,
                     HRESULT* result)
{
    *result = S_OK;
    if (diagnostics::ShouldFail(operation, result))
        return "injected fault";
    if (ruleBroken) {
        *result = E_INVALIDARG;
        return ruleBroken;
    }
    if (!wantsObject) {
        *result = S_FALSE;
        return "validation only";
    }
    if (!gl.Bind()) {
        *result = E_FAIL;
        return "the device's window is gone";
    }
    return nullptr;
}

template <class Describe>
HRESULT Report(const char* operation, HRESULT result, const char* reason, const void* object, Describe describe)
{
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        describe(fields);
        fields.Result(result).Object("object", object);
        if (FAILED(result) && reason)
            fields.Add("error", reason);
        diagnostics::Record(operation, fields.Take());
    }
    return result;
}

template <class Interface>
void ClearOutput(Interface** output)
{
    if (output)
        *output = nullptr;
}

void DescribeTexture(Fields& fields, const D3D11_TEXTURE2D_DESC* desc)
{
    if (desc)
        fields.Add("width", desc->Width)
            .Add("height", desc->Height)
            .Add("format", static_cast<int>(desc->Format))
            .Hex("bind", desc->BindFlags);
}

// Shader-resource and depth-stencil views: a view of a 2D texture with a
// descriptor of its own kind.
template <class View, class Interface, class Desc>
HRESULT CreateDescribedView(const char* operation, const char* interfaceName, GlContext& gl,
                            ID3D11Resource* resource, const Desc* desc,
                            const char* (*validate)(const D3D11_TEXTURE2D_DESC*, const Desc*), Interface** view)
{
    ClearOutput(view);
    Texture2D* texture = AsTexture2D(resource);
    const auto describe = [&](Fields& fields) {
        fields.Object("resource", resource);
        if (desc)
            fields.Add("format", static_cast<int>(desc->Format))
                .Add("dimension", static_cast<int>(desc->ViewDimension));
    };
    HRESULT result;
    const char* ruleBroken = validate(texture ? &texture->Desc() : nullptr, desc);
    if (const char* reason = Precheck(operation, ruleBroken, view, gl, &result))
        return Report(operation, result, reason, nullptr, describe);
    Desc viewDesc{};
    if (desc)
        viewDesc = *desc;
    *view = new View(interfaceName, texture, viewDesc);
    return Report(operation, S_OK, nullptr, *view, describe);
}

} // namespace

Device::Device(std::shared_ptr<GlContext> gl) : RefCounted("ID3D11Device"), gl_(std::move(gl)) {}

HRESULT Device::CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                             ID3D11Buffer** buffer)
{
    ClearOutput(buffer);
    const auto describe = [&](Fields& fields) {
        if (desc)
            fields.Add("bytes", desc->ByteWidth).Hex("bind", desc->BindFlags);
        fields.Add("initial_data", initialData != nullptr);
    };
    HRESULT result;
    if (const char* reason = Precheck("CreateBuffer", ValidateBufferDesc(desc, initialData), buffer, *gl_, &result))
        return Report("CreateBuffer", result, reason, nullptr, describe);
    *buffer = new Buffer(gl_, *desc, initialData);
    CheckGlErrors("CreateBuffer");
    return Report("CreateBuffer", S_OK, nullptr, *buffer, describe);
}

HRESULT Device::CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* initialData,
                                ID3D11Texture2D** texture)
{
    ClearOutput(texture);
    const auto describe = [&](Fields& fields) {
        DescribeTexture(fields, desc);
        fields.Add("initial_data", initialData != nullptr);
    };
    HRESULT result;
    if (const char* reason =
            Precheck("CreateTexture2D", ValidateTexture2DDesc(desc, initialData), texture, *gl_, &result))
        return Report("CreateTexture2D", result, reason, nullptr, describe);
    *texture = new Texture2D(gl_, *desc, initialData);
    CheckGlErrors("CreateTexture2D");
    return Report("CreateTexture2D", S_OK, nullptr, *texture, describe);
}

HRESULT Device::CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                         ID3D11ShaderResourceView** view)
{
    return CreateDescribedView<ShaderResourceView>("CreateShaderResourceView", "ID3D11ShaderResourceView", *gl_,
                                                   resource, desc, ValidateShaderResourceView, view);
}

HRESULT Device::CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                       ID3D11RenderTargetView** view)
{
    ClearOutput(view);
    Texture2D* texture = AsTexture2D(resource);
    const auto describe
        = [&](Fields& fields) { fields.Object("resource", resource).Add("desc", desc ? "given" : "null"); };
    HRESULT result;
    const char* ruleBroken = ValidateRenderTargetView(texture ? &texture->Desc() : nullptr, desc);
    if (const char* reason = Precheck("CreateRenderTargetView", ruleBroken, view, *gl_, &result))
        return Report("CreateRenderTargetView", result, reason, nullptr, describe);
    *view = new RenderTargetView("ID3D11RenderTargetView", texture, {});
    return Report("CreateRenderTargetView", S_OK, nullptr, *view, describe);
}

HRESULT Device::CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                       ID3D11DepthStencilView** view)
{
    return CreateDescribedView<DepthStencilView>("CreateDepthStencilView", "ID3D11DepthStencilView", *gl_, resource,
                                                 desc, ValidateDepthStencilView, view);
}

HRESULT Device::CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                                  const void* shaderBytecode, SIZE_T bytecodeLength, ID3D11InputLayout** inputLayout)
{
    ClearOutput(inputLayout);
    const auto describe = [&](Fields& fields) {
        fields.Add("elements", elementCount);
        for (UINT i = 0; elements && i < elementCount; ++i)
            fields.Add("semantic", elements[i].SemanticName ? elements[i].SemanticName : "null")
                .Add("format", static_cast<int>(elements[i].Format))
                .Add("offset", elements[i].AlignedByteOffset);
    };
    std::optional<hlsl::ShaderContainer> container;
    const char* ruleBroken =
        ParseShaderCode(shaderBytecode, bytecodeLength, hlsl::ShaderStage::Vertex, &container);
    if (!ruleBroken)
        ruleBroken = ValidateInputLayout(elements, elementCount, *container);
    HRESULT result;
    if (const char* reason = Precheck("CreateInputLayout", ruleBroken, inputLayout, *gl_, &result)) {
        // The program prints only the failing call; Direct3D's debug layer
        // names the semantic on the debug output, standard error here.
        const std::string unsupplied =
            container ? UnsuppliedVertexInput(elements, elementCount, *container) : std::string();
        if (!unsupplied.empty())
            std::fprintf(stderr,
                         "D3D11 ERROR: ID3D11Device::CreateInputLayout: the vertex shader reads %s, which no "
                         "input element supplies\n",
                         unsupplied.c_str());
        return Report("CreateInputLayout", result, reason, nullptr, describe);
    }
    std::vector<VertexElement> layout;
    for (UINT i = 0; i < elementCount; ++i)
        layout.push_back({UpperCase(elements[i].SemanticName), elements[i].SemanticIndex, elements[i].Format,
                          elements[i].InputSlot, elements[i].AlignedByteOffset});
    *inputLayout = new InputLayout(gl_, std::move(layout));
    return Report("CreateInputLayout", S_OK, nullptr, *inputLayout, describe);
}

template <class ShaderType, class Interface>
HRESULT Device::CreateShader(const char* operation, const char* interfaceName, hlsl::ShaderStage stage,
                             const void* code, SIZE_T length, ID3D11ClassLinkage* classLinkage, Interface** shader)
{
    ClearOutput(shader);
    std::string compileLog;
    const auto describe = [&](Fields& fields) {
        fields.Add("bytes", length).Object("linkage", classLinkage);
        if (!compileLog.empty())
            fields.Add("log", compileLog);
    };
    std::optional<hlsl::ShaderContainer> container;
    const char* ruleBroken = ParseShaderCode(code, length, stage, &container);
    HRESULT result;
    if (const char* reason = Precheck(operation, ruleBroken, shader, *gl_, &result))
        return Report(operation, result, reason, nullptr, describe);
    ClassLinkage* linkage = Impl(classLinkage);
    auto* created = new ShaderType(interfaceName, gl_, std::move(*container), linkage ? linkage->Serial() : 0);
    // Direct3D validates code at creation: compile the stage as it stands
    // (the form the vertex stage always takes) to find code GL refuses.
    if (!gl_->Programs().Compiled(created->Code().Stage(), {}, &compileLog)) {
        created->Release();
        return Report(operation, E_INVALIDARG, "the stage's GLSL does not compile", nullptr, describe);
    }
    if (linkage)
        linkage->Learn(created->Code().Container());
    *shader = created;
    return Report(operation, S_OK, nullptr, *shader, describe);
}

HRESULT Device::CreateVertexShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                   ID3D11ClassLinkage* classLinkage, ID3D11VertexShader** shader)
{
    return CreateShader<VertexShader>("CreateVertexShader", "ID3D11VertexShader", hlsl::ShaderStage::Vertex,
                                      shaderBytecode, bytecodeLength, classLinkage, shader);
}

HRESULT Device::CreateGeometryShader(const void* shaderBytecode, SIZE_T bytecodeLength,
                                     ID3D11ClassLinkage* classLinkage, ID3D11GeometryShader** shader)
{
    return CreateShader<GeometryShader>("CreateGeometryShader", "ID3D11GeometryShader", hlsl::ShaderStage::Geometry,
                                        shaderBytecode, bytecodeLength, classLinkage, shader);
}

HRESULT Device::CreatePixelShader(const void* shaderBytecode, SIZE_T bytecodeLength, ID3D11ClassLinkage* classLinkage,
                                  ID3D11PixelShader** shader)
{
    return CreateShader<PixelShader>("CreatePixelShader", "ID3D11PixelShader", hlsl::ShaderStage::Pixel,
                                     shaderBytecode, bytecodeLength, classLinkage, shader);
}

HRESULT Device::CreateClassLinkage(ID3D11ClassLinkage** linkage)
{
    ClearOutput(linkage);
    const auto describe = [](Fields&) {};
    HRESULT result;
    if (const char* reason = Precheck("CreateClassLinkage", nullptr, linkage, *gl_, &result))
        return Report("CreateClassLinkage", result, reason, nullptr, describe);
    *linkage = new ClassLinkage(gl_);
    return Report("CreateClassLinkage", S_OK, nullptr, *linkage, describe);
}

HRESULT Device::CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** sampler)
{
    ClearOutput(sampler);
    const auto describe = [&](Fields& fields) {
        if (desc)
            fields.Hex("filter", static_cast<std::uint32_t>(desc->Filter))
                .Add("address_u", static_cast<int>(desc->AddressU))
                .Add("address_v", static_cast<int>(desc->AddressV))
                .Add("address_w", static_cast<int>(desc->AddressW));
    };
    HRESULT result;
    if (const char* reason = Precheck("CreateSamplerState", ValidateSamplerDesc(desc), sampler, *gl_, &result))
        return Report("CreateSamplerState", result, reason, nullptr, describe);
    *sampler = new SamplerState(gl_, *desc);
    return Report("CreateSamplerState", S_OK, nullptr, *sampler, describe);
}

} // namespace d3d11

HRESULT WINAPI D3D11CreateDeviceAndSwapChain(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software,
                                             UINT flags, const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount,
                                             UINT sdkVersion, const DXGI_SWAP_CHAIN_DESC* swapChainDesc,
                                             IDXGISwapChain** swapChain, ID3D11Device** device,
                                             D3D_FEATURE_LEVEL* featureLevel, ID3D11DeviceContext** context)
{
    using namespace d3d11;
    ClearOutput(swapChain);
    ClearOutput(device);
    ClearOutput(context);

    HRESULT result = S_OK;
    const char* reason = nullptr;
    SDL_Window* window = nullptr;
    std::shared_ptr<GlContext> gl;
    if (diagnostics::ShouldFail("D3D11CreateDeviceAndSwapChain", &result)) {
        reason = "injected fault";
    } else if ((reason = ValidateCreateDevice(adapter, driverType, software, flags, featureLevels, featureLevelCount,
                                              sdkVersion, swapChain))
               || (reason = ValidateSwapChainDesc(swapChainDesc))) {
        result = E_INVALIDARG;
    } else if ((reason = UnsupportedCreateDevice(*swapChainDesc))) {
        result = DXGI_ERROR_UNSUPPORTED;
    } else if (!(window = win32::WindowFromHandle(swapChainDesc->OutputWindow))) {
        result = E_INVALIDARG;
        reason = "the output window is not a window";
    } else if (!(gl = GlContext::Create(window))) {
        result = DXGI_ERROR_UNSUPPORTED;
        reason = "the window cannot have an OpenGL 4.5 core context";
    }

    UINT width = 0, height = 0;
    if (!reason) {
        // A zero size takes the window's client area, as DXGI does.
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(window, &drawableWidth, &drawableHeight);
        width = swapChainDesc->BufferDesc.Width ? swapChainDesc->BufferDesc.Width
                                                : static_cast<UINT>(std::max(drawableWidth, 1));
        height = swapChainDesc->BufferDesc.Height ? swapChainDesc->BufferDesc.Height
                                                  : static_cast<UINT>(std::max(drawableHeight, 1));
        *swapChain = new SwapChain(gl, *swapChainDesc, width, height);
        if (device)
            *device = new Device(gl);
        if (context)
            *context = new DeviceContext(gl);
        if (featureLevel)
            *featureLevel = *ChooseFeatureLevel(featureLevels, featureLevelCount);
        CheckGlErrors("D3D11CreateDeviceAndSwapChain");
    }

    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Add("driver", static_cast<int>(driverType)).Add("sdk", sdkVersion);
        if (swapChainDesc)
            fields.Add("window", reinterpret_cast<std::uintptr_t>(swapChainDesc->OutputWindow))
                .Add("width", width)
                .Add("height", height)
                .Add("format", static_cast<int>(swapChainDesc->BufferDesc.Format));
        fields.Result(result)
            .Object("swap_chain", swapChain ? *swapChain : nullptr)
            .Object("device", device ? *device : nullptr)
            .Object("context", context ? *context : nullptr);
        if (reason)
            fields.Add("error", reason);
        diagnostics::Record("D3D11CreateDeviceAndSwapChain", fields.Take());
    }
    return result;
}
