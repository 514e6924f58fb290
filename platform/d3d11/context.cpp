#include "platform/d3d11/context.h"

#include "platform/d3d11/validation.h"

#include <algorithm>
#include <cstdio>

// The state-setting calls: each changes the shadow state and marks what a
// draw must translate again (context_draw.cpp, context_apply.cpp).

namespace d3d11 {

namespace {

using hlsl::ShaderStage;

// A slot range Direct3D accepts; it ignores calls that run past the last
// slot.
bool SlotRange(UINT startSlot, UINT count, UINT slots)
{
    return startSlot <= slots && count <= slots - startSlot;
}

// A buffer binds only where its bind flags allow; anywhere else it binds as
// empty.
Buffer* BufferFor(ID3D11Buffer* buffer, UINT bindFlag)
{
    auto* implementation = static_cast<Buffer*>(buffer);
    return implementation && (implementation->Desc().BindFlags & bindFlag) ? implementation : nullptr;
}

} // namespace

DeviceContext::DeviceContext(std::shared_ptr<GlContext> gl) : DeviceChild("ID3D11DeviceContext", std::move(gl))
{
    glBindingOfSlot_.fill(kNoBinding);
}

// ---- Input assembler ------------------------------------------------------

void DeviceContext::IASetInputLayout(ID3D11InputLayout* inputLayout)
{
    if (state_.inputAssembler.layout.get() != Impl(inputLayout)) {
        state_.inputAssembler.layout = Ref<InputLayout>::Share(Impl(inputLayout));
        dirty_ |= kDirtyVertexAttributes;
    }
    Journal("IASetInputLayout", [&](Fields& fields) { fields.Object("layout", inputLayout); });
}

void DeviceContext::IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers, const UINT* strides,
                                       const UINT* offsets)
{
    if (SlotRange(startSlot, count, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT)) {
        for (UINT i = 0; i < count; ++i) {
            VertexBufferBinding& binding = state_.inputAssembler.vertexBuffers[startSlot + i];
            Buffer* buffer = BufferFor(buffers ? buffers[i] : nullptr, D3D11_BIND_VERTEX_BUFFER);
            // Attributes read from a slot only while it has a buffer.
            if (bool(binding.buffer) != (buffer != nullptr))
                dirty_ |= kDirtyVertexAttributes;
            binding.buffer = Ref<Buffer>::Share(buffer);
            binding.stride = strides ? strides[i] : 0;
            binding.offset = offsets ? offsets[i] : 0;
        }
        dirty_ |= kDirtyVertexBuffers;
    }
    Journal("IASetVertexBuffers", [&](Fields& fields) {
        fields.Add("slot", startSlot).Objects("buffers", buffers, count);
        for (UINT i = 0; i < count && strides && offsets; ++i)
            fields.Add("stride", strides[i]).Add("offset", offsets[i]);
    });
}

void DeviceContext::IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset)
{
    state_.inputAssembler.indexBuffer = Ref<Buffer>::Share(BufferFor(buffer, D3D11_BIND_INDEX_BUFFER));
    state_.inputAssembler.indexFormat = format;
    state_.inputAssembler.indexOffset = offset;
    dirty_ |= kDirtyIndexBuffer;
    Journal("IASetIndexBuffer", [&](Fields& fields) {
        fields.Object("buffer", buffer).Add("format", static_cast<int>(format)).Add("offset", offset);
    });
}

void DeviceContext::IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    state_.inputAssembler.topology = topology;
    Journal("IASetPrimitiveTopology", [&](Fields& fields) { fields.Add("topology", static_cast<int>(topology)); });
}

// ---- Shader stages ----------------------------------------------------------

template <class ShaderType>
void DeviceContext::SetShader(const char* operation, ShaderStageState<ShaderType>& stage, ShaderType* shader,
                              ID3D11ClassInstance* const* instances, UINT count, std::uint32_t changed)
{
    if (stage.shader.get() != shader) {
        stage.shader = Ref<ShaderType>::Share(shader);
        dirty_ |= changed;
    }
    // The context holds the instances as it holds the shader.
    StageInstances& bound = stage.instances;
    bound.bound.clear();
    for (UINT i = 0; instances && i < count; ++i)
        bound.bound.push_back(Ref<ClassInstance>::Share(Impl(instances[i])));
    bound.disabled = ChooseClassInstances(shader ? &shader->Code() : nullptr, instances, count, &bound.ids);
    if (bound.disabled) {
        bound.ids.clear();
        // Direct3D's debug layer reports it on the debug output, standard
        // error here; the shader stays bound, disabled.
        std::fprintf(stderr, "D3D11 ERROR: ID3D11DeviceContext::%s: %s; the shader is disabled\n", operation,
                     bound.disabled);
    }
    Journal(operation, [&](Fields& fields) {
        fields.Object("shader", static_cast<typename ShaderType::InterfaceType*>(shader)).Add("instances", count);
        if (instances && count)
            fields.Objects("class_instances", instances, count);
        if (bound.disabled)
            fields.Add("disabled", bound.disabled);
    });
}

void DeviceContext::VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances, UINT instanceCount)
{
    SetShader("VSSetShader", state_.vertex, Impl(shader), instances, instanceCount,
              kDirtyVertexAttributes | StageBit(kDirtyTextures, ShaderStage::Vertex));
}

void DeviceContext::GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const* instances,
                                UINT instanceCount)
{
    SetShader("GSSetShader", state_.geometry, Impl(shader), instances, instanceCount,
              StageBit(kDirtyTextures, ShaderStage::Geometry));
}

void DeviceContext::PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances, UINT instanceCount)
{
    SetShader("PSSetShader", state_.pixel, Impl(shader), instances, instanceCount,
              StageBit(kDirtyTextures, ShaderStage::Pixel));
}

// The bound shader and instances, each with a reference of the caller's:
// *count is the array's length going in (nothing is written without it) and
// the number of bound instances coming out; entries past those are emptied.
template <class ShaderType, class Interface>
void DeviceContext::GetShader(const char* operation, const ShaderStageState<ShaderType>& stage, Interface** shader,
                              ID3D11ClassInstance** instances, UINT* count)
{
    if (shader)
        *shader = diagnostics::AddRefAs<ShaderType>(static_cast<Interface*>(stage.shader.get()));
    const UINT bound = static_cast<UINT>(stage.instances.bound.size());
    if (count) {
        for (UINT i = 0; instances && i < *count; ++i)
            instances[i] = i < bound ? diagnostics::AddRefAs<ClassInstance>(
                               static_cast<ID3D11ClassInstance*>(stage.instances.bound[i].get()))
                                     : nullptr;
        *count = bound;
    }
    Journal(operation, [&](Fields& fields) { fields.Held("shader", stage.shader).Add("instances", bound); });
}

void DeviceContext::VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance** instances, UINT* instanceCount)
{
    GetShader("VSGetShader", state_.vertex, shader, instances, instanceCount);
}

void DeviceContext::GSGetShader(ID3D11GeometryShader** shader, ID3D11ClassInstance** instances, UINT* instanceCount)
{
    GetShader("GSGetShader", state_.geometry, shader, instances, instanceCount);
}

void DeviceContext::PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances, UINT* instanceCount)
{
    GetShader("PSGetShader", state_.pixel, shader, instances, instanceCount);
}

void DeviceContext::SetConstantBuffers(const char* operation, ShaderStage stage, StageResources& resources,
                                       UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    if (SlotRange(startSlot, count, D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT)) {
        for (UINT i = 0; i < count; ++i)
            resources.constantBuffers[startSlot + i] =
                Ref<Buffer>::Share(BufferFor(buffers ? buffers[i] : nullptr, D3D11_BIND_CONSTANT_BUFFER));
        dirty_ |= StageBit(kDirtyConstantBuffers, stage);
    }
    Journal(operation, [&](Fields& fields) { fields.Add("slot", startSlot).Objects("buffers", buffers, count); });
}

void DeviceContext::VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    SetConstantBuffers("VSSetConstantBuffers", ShaderStage::Vertex, state_.vertex.resources, startSlot, count,
                       buffers);
}

void DeviceContext::GSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    SetConstantBuffers("GSSetConstantBuffers", ShaderStage::Geometry, state_.geometry.resources, startSlot, count,
                       buffers);
}

void DeviceContext::PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    SetConstantBuffers("PSSetConstantBuffers", ShaderStage::Pixel, state_.pixel.resources, startSlot, count,
                       buffers);
}

void DeviceContext::PSSetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView* const* views)
{
    std::string heldByOutput;
    if (SlotRange(startSlot, count, D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT)) {
        StageResources& resources = state_.pixel.resources;
        for (UINT i = 0; i < count; ++i) {
            const UINT slot = startSlot + i;
            ShaderResourceView* view = views ? Impl(views[i]) : nullptr;
            // Direct3D leaves the slot empty while the resource is an output.
            const bool held = view && state_.outputMerger.Holds(view->Texture());
            resources.views[slot] = Ref<ShaderResourceView>::Share(held ? nullptr : view);
            resources.viewsHeldByOutput[slot] = held;
            if (held)
                heldByOutput += (heldByOutput.empty() ? "" : ",") + std::to_string(slot);
        }
        dirty_ |= StageBit(kDirtyTextures, ShaderStage::Pixel);
    }
    Journal("PSSetShaderResources", [&](Fields& fields) {
        fields.Add("slot", startSlot).Objects("views", views, count);
        if (!heldByOutput.empty())
            fields.Add("emptied_bound_as_output", heldByOutput);
    });
}

void DeviceContext::PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers)
{
    if (SlotRange(startSlot, count, D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT)) {
        for (UINT i = 0; i < count; ++i)
            state_.pixel.resources.samplers[startSlot + i] =
                Ref<SamplerState>::Share(samplers ? Impl(samplers[i]) : nullptr);
        dirty_ |= StageBit(kDirtyTextures, ShaderStage::Pixel);
    }
    Journal("PSSetSamplers",
            [&](Fields& fields) { fields.Add("slot", startSlot).Objects("samplers", samplers, count); });
}

// ---- Rasterizer and output merger ---------------------------------------------

void DeviceContext::RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports)
{
    if (count <= D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE && (count == 0 || viewports)) {
        std::copy_n(viewports, count, state_.rasterizer.viewports.begin());
        state_.rasterizer.viewportCount = count;
        dirty_ |= kDirtyViewports;
    }
    Journal("RSSetViewports", [&](Fields& fields) {
        fields.Add("count", count);
        for (UINT i = 0; i < count && viewports; ++i)
            fields.Add("x", viewports[i].TopLeftX)
                .Add("y", viewports[i].TopLeftY)
                .Add("width", viewports[i].Width)
                .Add("height", viewports[i].Height)
                .Add("min_depth", viewports[i].MinDepth)
                .Add("max_depth", viewports[i].MaxDepth);
    });
}

void DeviceContext::OMSetRenderTargets(UINT viewCount, ID3D11RenderTargetView* const* views,
                                       ID3D11DepthStencilView* depthStencilView)
{
    std::string emptied;
    if (viewCount <= D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT) {
        OutputMergerState& om = state_.outputMerger;
        for (UINT slot = 0; slot < D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT; ++slot)
            om.renderTargets[slot] =
                Ref<RenderTargetView>::Share(slot < viewCount && views ? Impl(views[slot]) : nullptr);
        om.depthStencil = Ref<DepthStencilView>::Share(Impl(depthStencilView));
        emptied = EmptyInputsHeldByOutputs();
        dirty_ |= kDirtyFramebuffer;
    }
    Journal("OMSetRenderTargets", [&](Fields& fields) {
        fields.Objects("targets", views, viewCount).Object("depth", depthStencilView);
        if (!emptied.empty())
            fields.Add("emptied_inputs", emptied);
    });
}

std::string DeviceContext::EmptyInputsHeldByOutputs()
{
    std::string emptied;
    const auto emptyStage = [&](ShaderStage stage, StageResources& resources) {
        for (UINT slot = 0; slot < D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT; ++slot) {
            Ref<ShaderResourceView>& view = resources.views[slot];
            if (!view || !state_.outputMerger.Holds(view->Texture()))
                continue;
            view = nullptr;
            resources.viewsHeldByOutput[slot] = true;
            dirty_ |= StageBit(kDirtyTextures, stage);
            if (diagnostics::JournalEnabled())
                emptied += (emptied.empty() ? "" : ",") + std::string(hlsl::StageShortName(stage)) + ".t"
                           + std::to_string(slot);
        }
    };
    emptyStage(ShaderStage::Vertex, state_.vertex.resources);
    emptyStage(ShaderStage::Geometry, state_.geometry.resources);
    emptyStage(ShaderStage::Pixel, state_.pixel.resources);
    return emptied;
}

} // namespace d3d11
