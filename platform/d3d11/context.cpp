#include "platform/d3d11/context.h"

#include "platform/d3d11/formats.h"
#include "platform/diagnostics/diagnostics.h"

#include <algorithm>

namespace d3d11 {

namespace {

using hlsl::ShaderStage;

// Direct3D has 32 input slots; GL 4.5 promises only 16 vertex buffer
// bindings (Mesa has no more), so the slots a draw reads are packed into them.
constexpr UINT kGlVertexBindings = 16;
constexpr std::uint8_t kNoBinding = 0xFF;

GLenum DrawMode(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    return topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP ? GL_TRIANGLE_STRIP : GL_TRIANGLES;
}

bool KnownTopology(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    return topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST || topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP;
}

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

const char* StageName(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::Vertex:
        return "vs";
    case ShaderStage::Geometry:
        return "gs";
    case ShaderStage::Pixel:
        break;
    }
    return "ps";
}

} // namespace

DeviceContext::DeviceContext(std::shared_ptr<GlContext> gl) : DeviceChild("ID3D11DeviceContext", std::move(gl))
{
    glBindingOfSlot_.fill(kNoBinding);
}

// ---- Input assembler ------------------------------------------------------

void DeviceContext::IASetInputLayout(ID3D11InputLayout* inputLayout)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("IASetInputLayout", Fields().Object("layout", inputLayout).Take());
    if (state_.inputAssembler.layout.get() == Impl(inputLayout))
        return;
    state_.inputAssembler.layout = Ref<InputLayout>::Share(Impl(inputLayout));
    dirty_ |= kDirtyVertexAttributes;
}

void DeviceContext::IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers, const UINT* strides,
                                       const UINT* offsets)
{
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Add("slot", startSlot).Objects("buffers", buffers, count);
        for (UINT i = 0; i < count && strides && offsets; ++i)
            fields.Add("stride", strides[i]).Add("offset", offsets[i]);
        diagnostics::Record("IASetVertexBuffers", fields.Take());
    }
    if (!SlotRange(startSlot, count, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT))
        return;
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

void DeviceContext::IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("IASetIndexBuffer",
            Fields().Object("buffer", buffer).Add("format", static_cast<int>(format)).Add("offset", offset).Take());
    state_.inputAssembler.indexBuffer = Ref<Buffer>::Share(BufferFor(buffer, D3D11_BIND_INDEX_BUFFER));
    state_.inputAssembler.indexFormat = format;
    state_.inputAssembler.indexOffset = offset;
    dirty_ |= kDirtyIndexBuffer;
}

void DeviceContext::IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("IASetPrimitiveTopology", Fields().Add("topology", static_cast<int>(topology)).Take());
    state_.inputAssembler.topology = topology;
}

// ---- Shader stages ----------------------------------------------------------

void DeviceContext::VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const*, UINT instanceCount)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("VSSetShader", Fields().Object("shader", shader).Add("instances", instanceCount).Take());
    if (state_.vertex.shader.get() == Impl(shader))
        return;
    state_.vertex.shader = Ref<VertexShader>::Share(Impl(shader));
    dirty_ |= kDirtyVertexAttributes | StageBit(kDirtyTextures, ShaderStage::Vertex);
}

void DeviceContext::GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const*, UINT instanceCount)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("GSSetShader", Fields().Object("shader", shader).Add("instances", instanceCount).Take());
    if (state_.geometry.shader.get() == Impl(shader))
        return;
    state_.geometry.shader = Ref<GeometryShader>::Share(Impl(shader));
    dirty_ |= StageBit(kDirtyTextures, ShaderStage::Geometry);
}

void DeviceContext::PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const*, UINT instanceCount)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("PSSetShader", Fields().Object("shader", shader).Add("instances", instanceCount).Take());
    if (state_.pixel.shader.get() == Impl(shader))
        return;
    state_.pixel.shader = Ref<PixelShader>::Share(Impl(shader));
    dirty_ |= StageBit(kDirtyTextures, ShaderStage::Pixel);
}

void DeviceContext::SetConstantBuffers(const char* operation, ShaderStage stage, StageResources& resources,
                                       UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record(operation, Fields().Add("slot", startSlot).Objects("buffers", buffers, count).Take());
    if (!SlotRange(startSlot, count, D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT))
        return;
    for (UINT i = 0; i < count; ++i)
        resources.constantBuffers[startSlot + i] =
            Ref<Buffer>::Share(BufferFor(buffers ? buffers[i] : nullptr, D3D11_BIND_CONSTANT_BUFFER));
    dirty_ |= StageBit(kDirtyConstantBuffers, stage);
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
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Add("slot", startSlot).Objects("views", views, count);
        if (!heldByOutput.empty())
            fields.Add("emptied_bound_as_output", heldByOutput);
        diagnostics::Record("PSSetShaderResources", fields.Take());
    }
}

void DeviceContext::PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record(
            "PSSetSamplers", Fields().Add("slot", startSlot).Objects("samplers", samplers, count).Take());
    if (!SlotRange(startSlot, count, D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT))
        return;
    for (UINT i = 0; i < count; ++i)
        state_.pixel.resources.samplers[startSlot + i] =
            Ref<SamplerState>::Share(samplers ? Impl(samplers[i]) : nullptr);
    dirty_ |= StageBit(kDirtyTextures, ShaderStage::Pixel);
}

// ---- Rasterizer and output merger ---------------------------------------------

void DeviceContext::RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports)
{
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Add("count", count);
        for (UINT i = 0; i < count && viewports; ++i)
            fields.Add("x", viewports[i].TopLeftX)
                .Add("y", viewports[i].TopLeftY)
                .Add("width", viewports[i].Width)
                .Add("height", viewports[i].Height)
                .Add("min_depth", viewports[i].MinDepth)
                .Add("max_depth", viewports[i].MaxDepth);
        diagnostics::Record("RSSetViewports", fields.Take());
    }
    if (count > D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE || (count && !viewports))
        return;
    std::copy_n(viewports, count, state_.rasterizer.viewports.begin());
    state_.rasterizer.viewportCount = count;
    dirty_ |= kDirtyViewports;
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
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Objects("targets", views, viewCount).Object("depth", depthStencilView);
        if (!emptied.empty())
            fields.Add("emptied_inputs", emptied);
        diagnostics::Record("OMSetRenderTargets", fields.Take());
    }
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
                emptied += (emptied.empty() ? "" : ",") + std::string(StageName(stage)) + ".t" + std::to_string(slot);
        }
    };
    emptyStage(ShaderStage::Vertex, state_.vertex.resources);
    emptyStage(ShaderStage::Geometry, state_.geometry.resources);
    emptyStage(ShaderStage::Pixel, state_.pixel.resources);
    return emptied;
}

// ---- Immediate operations -------------------------------------------------------

void DeviceContext::UpdateSubresource(ID3D11Resource* resource, UINT subresource, const D3D11_BOX* box,
                                      const void* data, UINT rowPitch, UINT)
{
    Buffer* buffer = AsBuffer(resource);
    Texture2D* texture = buffer ? nullptr : AsTexture2D(resource);
    const char* ignored = nullptr;
    if (!buffer && !texture)
        ignored = "not a resource of this layer";
    else if (subresource != 0)
        ignored = "no such subresource";
    else if (box)
        ignored = "partial updates are not supported";
    else if (!data)
        ignored = "no data";
    else if (texture && rowPitch && rowPitch < texture->Desc().Width * Format(texture->Desc().Format).bytesPerElement)
        ignored = "rowPitch is shorter than a row";
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Object("resource", resource).Add("subresource", subresource);
        if (buffer)
            fields.Add("bytes", buffer->Desc().ByteWidth);
        if (ignored)
            fields.Add("ignored", ignored);
        diagnostics::Record("UpdateSubresource", fields.Take());
    }
    if (ignored || !gl_->Bind())
        return;
    if (buffer)
        buffer->Update(data);
    else
        texture->Upload(data, rowPitch);
    CheckGlErrors("UpdateSubresource");
}

void DeviceContext::ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4])
{
    if (diagnostics::JournalEnabled()) {
        Fields fields;
        fields.Object("view", view);
        if (color)
            fields.Add("r", color[0]).Add("g", color[1]).Add("b", color[2]).Add("a", color[3]);
        diagnostics::Record("ClearRenderTargetView", fields.Take());
    }
    if (!view || !color || !gl_->Bind())
        return;
    FramebufferKey key;
    key.colors[0] = Impl(view)->TextureName();
    gl_->PrepareClear();
    glClearNamedFramebufferfv(gl_->Framebuffer(key), GL_COLOR, 0, color);
    CheckGlErrors("ClearRenderTargetView");
}

void DeviceContext::ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil)
{
    if (diagnostics::JournalEnabled())
        diagnostics::Record("ClearDepthStencilView", Fields()
                                                         .Object("view", view)
                                                         .Hex("flags", clearFlags)
                                                         .Add("depth", depth)
                                                         .Add("stencil", static_cast<unsigned>(stencil))
                                                         .Take());
    // D32_FLOAT has no stencil to clear.
    if (!view || !(clearFlags & D3D11_CLEAR_DEPTH) || !gl_->Bind())
        return;
    FramebufferKey key;
    key.depth = Impl(view)->TextureName();
    const GLfloat value = std::clamp(depth, 0.0f, 1.0f);
    gl_->PrepareClear();
    glClearNamedFramebufferfv(gl_->Framebuffer(key), GL_DEPTH, 0, &value);
    CheckGlErrors("ClearDepthStencilView");
}

// ---- Draws ------------------------------------------------------------------------

const char* DeviceContext::NothingToDraw(UINT count) const
{
    const OutputMergerState& om = state_.outputMerger;
    if (count == 0)
        return "no vertices";
    if (!state_.vertex.shader)
        return "no vertex shader";
    if (!state_.pixel.shader)
        return "no pixel shader";
    if (!KnownTopology(state_.inputAssembler.topology))
        return "no primitive topology";
    if (!om.depthStencil && std::none_of(om.renderTargets.begin(), om.renderTargets.end(),
                                         [](const Ref<RenderTargetView>& target) { return bool(target); }))
        return "no render target";
    if (state_.rasterizer.viewportCount == 0)
        return "no viewport";
    return nullptr;
}

const char* DeviceContext::PrepareDraw(UINT count, bool indexed)
{
    if (const char* reason = NothingToDraw(count))
        return reason;
    const InputAssemblerState& ia = state_.inputAssembler;
    if (indexed && !ia.indexBuffer)
        return "no index buffer";
    if (indexed && ia.indexFormat != DXGI_FORMAT_R16_UINT)
        return "index format is not R16_UINT";
    if (!gl_->Bind())
        return "the window is gone";
    const GLuint program = gl_->Programs().Get(state_.vertex.shader->Code(),
                                               state_.geometry.shader ? &state_.geometry.shader->Code() : nullptr,
                                               state_.pixel.shader->Code());
    if (!program)
        return "the stages do not link";
    gl_->UseProgram(program);

    if (dirty_ & kDirtyFramebuffer)
        ApplyFramebuffer();
    if (dirty_ & kDirtyViewports)
        ApplyViewports();
    // Attributes first: they decide which GL binding each buffer goes to.
    if (dirty_ & kDirtyVertexAttributes)
        ApplyVertexAttributes();
    if (dirty_ & kDirtyVertexBuffers)
        ApplyVertexBuffers();
    if (dirty_ & kDirtyIndexBuffer)
        glVertexArrayElementBuffer(gl_->VertexArray(), ia.indexBuffer ? ia.indexBuffer->Name() : 0);
    const auto stage = [&](ShaderStage which, ShaderCode* code, const StageResources& resources) {
        if (dirty_ & StageBit(kDirtyConstantBuffers, which))
            ApplyConstantBuffers(which, resources);
        if (dirty_ & StageBit(kDirtyTextures, which))
            ApplyTextures(code, resources);
    };
    stage(ShaderStage::Vertex, &state_.vertex.shader->Code(), state_.vertex.resources);
    stage(ShaderStage::Geometry, state_.geometry.shader ? &state_.geometry.shader->Code() : nullptr,
          state_.geometry.resources);
    stage(ShaderStage::Pixel, &state_.pixel.shader->Code(), state_.pixel.resources);
    dirty_ = 0;
    return nullptr;
}

void DeviceContext::Draw(UINT vertexCount, UINT startVertex)
{
    const char* skipped = PrepareDraw(vertexCount, false);
    if (diagnostics::JournalEnabled())
        RecordDraw("Draw", Fields().Add("vertices", vertexCount).Add("start", startVertex), skipped);
    if (skipped)
        return;
    glDrawArrays(DrawMode(state_.inputAssembler.topology), static_cast<GLint>(startVertex),
                 static_cast<GLsizei>(vertexCount));
    CheckGlErrors("Draw");
}

void DeviceContext::DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex)
{
    const char* skipped = PrepareDraw(indexCount, true);
    if (diagnostics::JournalEnabled())
        RecordDraw("DrawIndexed",
                   Fields().Add("indices", indexCount).Add("start", startIndex).Add("base_vertex", baseVertex),
                   skipped);
    if (skipped)
        return;
    const std::uintptr_t offset =
        state_.inputAssembler.indexOffset + static_cast<std::uintptr_t>(startIndex) * sizeof(std::uint16_t);
    glDrawElementsBaseVertex(DrawMode(state_.inputAssembler.topology), static_cast<GLsizei>(indexCount),
                             GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(offset), baseVertex);
    CheckGlErrors("DrawIndexed");
}

void DeviceContext::RecordDraw(const char* operation, Fields fields, const char* skipped) const
{
    fields.Held("vs", state_.vertex.shader)
        .Held("gs", state_.geometry.shader)
        .Held("ps", state_.pixel.shader)
        .Held("layout", state_.inputAssembler.layout)
        .Held("target", state_.outputMerger.renderTargets[0])
        .Held("depth", state_.outputMerger.depthStencil);
    // The pixel stage's texture slots as the draw reads them.
    if (state_.pixel.shader) {
        const StageResources& resources = state_.pixel.resources;
        for (const hlsl::CombinedSampler& pair : state_.pixel.shader->Code().Container().samplers)
            for (std::uint32_t element = 0; element < pair.arraySize; ++element) {
                const std::uint32_t slot = pair.textureSlot + element;
                if (slot >= D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT)
                    break;
                const std::string key = "ps.t" + std::to_string(slot);
                if (resources.views[slot])
                    fields.Held(key, resources.views[slot]);
                else
                    fields.Add(key, resources.viewsHeldByOutput[slot] ? "empty:bound_as_output" : "empty");
            }
    }
    if (skipped)
        fields.Add("skipped", skipped);
    diagnostics::Record(operation, fields.Take());
}

// ---- Translation to GL -------------------------------------------------------------

void DeviceContext::ApplyFramebuffer()
{
    const OutputMergerState& om = state_.outputMerger;
    FramebufferKey key;
    for (UINT slot = 0; slot < D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT; ++slot)
        key.colors[slot] = om.renderTargets[slot] ? om.renderTargets[slot]->TextureName() : 0;
    key.depth = om.depthStencil ? om.depthStencil->TextureName() : 0;
    gl_->BindDrawFramebuffer(gl_->Framebuffer(key));
}

void DeviceContext::ApplyViewports()
{
    const RasterizerState& rs = state_.rasterizer;
    std::array<GLfloat, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE * 4> rectangles{};
    std::array<GLdouble, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE * 2> depthRanges{};
    for (UINT i = 0; i < rs.viewportCount; ++i) {
        const D3D11_VIEWPORT& v = rs.viewports[i];
        // With the upper-left clip origin, GL's window y counts rows from the
        // top, as Direct3D's TopLeftY does.
        rectangles[i * 4 + 0] = v.TopLeftX;
        rectangles[i * 4 + 1] = v.TopLeftY;
        rectangles[i * 4 + 2] = v.Width;
        rectangles[i * 4 + 3] = v.Height;
        depthRanges[i * 2 + 0] = v.MinDepth;
        depthRanges[i * 2 + 1] = v.MaxDepth;
    }
    glViewportArrayv(0, static_cast<GLsizei>(rs.viewportCount), rectangles.data());
    glDepthRangeArrayv(0, static_cast<GLsizei>(rs.viewportCount), depthRanges.data());
}

void DeviceContext::ApplyVertexBuffers()
{
    const auto& bindings = state_.inputAssembler.vertexBuffers;
    std::array<GLuint, kGlVertexBindings> names{};
    std::array<GLintptr, kGlVertexBindings> offsets{};
    std::array<GLsizei, kGlVertexBindings> strides{};
    UINT used = 0;
    for (UINT slot = 0; slot < D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT; ++slot) {
        const std::uint8_t binding = glBindingOfSlot_[slot];
        if (binding == kNoBinding || !bindings[slot].buffer)
            continue;
        names[binding] = bindings[slot].buffer->Name();
        offsets[binding] = bindings[slot].offset;
        strides[binding] = static_cast<GLsizei>(bindings[slot].stride);
        used = std::max<UINT>(used, binding + 1u);
    }
    // Also clear the bindings the previous translation filled.
    const UINT count = std::max(used, glBindingsUsed_);
    if (count)
        glVertexArrayVertexBuffers(gl_->VertexArray(), 0, static_cast<GLsizei>(count), names.data(), offsets.data(),
                                   strides.data());
    glBindingsUsed_ = used;
}

void DeviceContext::ApplyVertexAttributes()
{
    const InputAssemblerState& ia = state_.inputAssembler;
    const GLuint vertexArray = gl_->VertexArray();
    std::uint32_t enabled = 0;
    std::array<std::uint8_t, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> bindingOfSlot;
    bindingOfSlot.fill(kNoBinding);
    UINT nextBinding = 0;
    // Each input of the bound vertex shader takes the layout's element with
    // its semantic, a matrix or array one element per row from its first
    // location on; an input with no element or no buffer stays disabled and
    // reads GL's constant (0, 0, 0, 1). One the code never reads has no
    // location (hlsl::kNoLocation) and takes nothing.
    for (const hlsl::StageVariable& input : state_.vertex.shader->Code().Container().inputs) {
        if (input.systemValue || input.location == hlsl::kNoLocation)
            continue;
        for (std::uint32_t row = 0; row < input.locationCount; ++row) {
            const GLuint location = input.location + row;
            const VertexElement* element =
                ia.layout ? ia.layout->Find(input.semantic, input.semanticIndex + row) : nullptr;
            if (location >= D3D11_VS_INPUT_REGISTER_COUNT || !element || !ia.vertexBuffers[element->inputSlot].buffer)
                continue;
            std::uint8_t& binding = bindingOfSlot[element->inputSlot];
            if (binding == kNoBinding) {
                if (nextBinding == kGlVertexBindings)
                    continue; // more slots than GL has bindings: the input reads (0, 0, 0, 1)
                binding = static_cast<std::uint8_t>(nextBinding++);
            }
            const FormatInfo& format = Format(element->format);
            if (input.componentType == hlsl::ComponentType::Float)
                glVertexArrayAttribFormat(vertexArray, location, format.components, format.elementType,
                                          format.normalized, element->byteOffset);
            else
                glVertexArrayAttribIFormat(vertexArray, location, format.components, format.elementType,
                                           element->byteOffset);
            glVertexArrayAttribBinding(vertexArray, location, binding);
            enabled |= 1u << location;
        }
    }
    for (GLuint location = 0; location < D3D11_VS_INPUT_REGISTER_COUNT; ++location) {
        const std::uint32_t bit = 1u << location;
        if ((enabled & bit) && !(enabledAttributes_ & bit))
            glEnableVertexArrayAttrib(vertexArray, location);
        else if (!(enabled & bit) && (enabledAttributes_ & bit))
            glDisableVertexArrayAttrib(vertexArray, location);
    }
    enabledAttributes_ = enabled;
    if (bindingOfSlot != glBindingOfSlot_) {
        glBindingOfSlot_ = bindingOfSlot;
        dirty_ |= kDirtyVertexBuffers;
    }
}

void DeviceContext::ApplyConstantBuffers(ShaderStage stage, const StageResources& resources)
{
    // Uniform block bindings follow hlsl::ConstantBufferBinding: one run of
    // slots per stage, whatever the program.
    constexpr UINT slots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;
    std::array<GLuint, slots> names{};
    for (UINT slot = 0; slot < slots; ++slot)
        names[slot] = resources.constantBuffers[slot] ? resources.constantBuffers[slot]->Name()
                                                      : gl_->EmptyUniformBuffer();
    glBindBuffersBase(GL_UNIFORM_BUFFER, hlsl::ConstantBufferBinding(stage, 0), slots, names.data());
}

void DeviceContext::ApplyTextures(ShaderCode* code, const StageResources& resources)
{
    if (!code)
        return;
    // Each (texture slot, sampler slot) pair the stage reads has its own
    // texture unit, chosen by the compiler; element i of an array of
    // textures reads slot textureSlot + i through unit textureUnit + i. An
    // empty slot reads as zero, as in Direct3D.
    for (const hlsl::CombinedSampler& pair : code->Container().samplers) {
        GLuint sampler = 0;
        if (pair.samplerSlot != hlsl::kNoSlot) {
            const SamplerState* state = pair.samplerSlot < D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT
                                            ? resources.samplers[pair.samplerSlot].get()
                                            : nullptr;
            sampler = state ? state->Name() : gl_->DefaultSampler();
        }
        for (std::uint32_t element = 0; element < pair.arraySize; ++element) {
            const std::uint32_t slot = pair.textureSlot + element;
            const ShaderResourceView* view =
                slot < D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT ? resources.views[slot].get() : nullptr;
            glBindTextureUnit(pair.textureUnit + element, view ? view->TextureName() : gl_->EmptyTexture());
            glBindSampler(pair.textureUnit + element, sampler);
        }
    }
}

} // namespace d3d11
