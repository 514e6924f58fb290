#include "platform/d3d11/context.h"

#include "platform/d3d11/formats.h"

#include <algorithm>
#include <optional>

// The calls that act at once, in call order with the draws: updates, clears
// and the draws themselves, which first translate the state the setters
// changed (context_apply.cpp).

namespace d3d11 {

namespace {

using hlsl::ShaderStage;

GLenum DrawMode(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    return topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP ? GL_TRIANGLE_STRIP : GL_TRIANGLES;
}

bool KnownTopology(D3D11_PRIMITIVE_TOPOLOGY topology)
{
    return topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST || topology == D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP;
}

} // namespace

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
    if (!ignored && gl_->Bind()) {
        if (buffer)
            buffer->Update(data);
        else
            texture->Upload(data, rowPitch);
        CheckGlErrors("UpdateSubresource");
    }
    Journal("UpdateSubresource", [&](Fields& fields) {
        fields.Object("resource", resource).Add("subresource", subresource);
        if (buffer)
            fields.Add("bytes", buffer->Desc().ByteWidth);
        if (ignored)
            fields.Add("ignored", ignored);
    });
}

void DeviceContext::ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4])
{
    if (view && color && gl_->Bind()) {
        FramebufferKey key;
        key.colors[0] = Impl(view)->TextureName();
        gl_->PrepareClear();
        glClearNamedFramebufferfv(gl_->Framebuffer(key), GL_COLOR, 0, color);
        CheckGlErrors("ClearRenderTargetView");
    }
    Journal("ClearRenderTargetView", [&](Fields& fields) {
        fields.Object("view", view);
        if (color)
            fields.Add("r", color[0]).Add("g", color[1]).Add("b", color[2]).Add("a", color[3]);
    });
}

void DeviceContext::ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil)
{
    // D32_FLOAT has no stencil to clear.
    if (view && (clearFlags & D3D11_CLEAR_DEPTH) && gl_->Bind()) {
        FramebufferKey key;
        key.depth = Impl(view)->TextureName();
        const GLfloat value = std::clamp(depth, 0.0f, 1.0f);
        gl_->PrepareClear();
        glClearNamedFramebufferfv(gl_->Framebuffer(key), GL_DEPTH, 0, &value);
        CheckGlErrors("ClearDepthStencilView");
    }
    Journal("ClearDepthStencilView", [&](Fields& fields) {
        fields.Object("view", view)
            .Hex("flags", clearFlags)
            .Add("depth", depth)
            .Add("stencil", static_cast<unsigned>(stencil));
    });
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
    // A shader disabled by its class instances (the reason is the rule).
    for (const char* disabled :
         {state_.vertex.instances.disabled, state_.geometry.instances.disabled, state_.pixel.instances.disabled})
        if (disabled)
            return disabled;
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
    const std::optional<StageCode> geometry =
        state_.geometry.shader ? std::optional<StageCode>(state_.geometry.shader->Code().Stage()) : std::nullopt;
    LinkedProgram& linked = gl_->Programs().Get(state_.vertex.shader->Code().Stage(), geometry ? &*geometry : nullptr,
                                                state_.pixel.shader->Code().Stage());
    if (!linked.program)
        return "the stages do not link";
    gl_->UseProgram(linked.program);
    // Only shaders with interface slots have ids to set.
    if (!state_.vertex.instances.ids.empty())
        ApplyInterfaces(linked, ShaderStage::Vertex, state_.vertex.instances);
    if (!state_.geometry.instances.ids.empty())
        ApplyInterfaces(linked, ShaderStage::Geometry, state_.geometry.instances);
    if (!state_.pixel.instances.ids.empty())
        ApplyInterfaces(linked, ShaderStage::Pixel, state_.pixel.instances);

    if (dirty_ & kDirtyFramebuffer)
        ApplyFramebuffer();
    if (dirty_ & kDirtyViewports)
        ApplyViewports();
    if (linked.viewportLocation >= 0)
        ApplyGeometryViewport(linked);
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
            ApplyTextures(which, code, resources);
        // The program keeps its own mask: set where it differs.
        if (code)
            ApplyEmptyTextures(linked, which);
    };
    ApplyClipDistances(geometry ? geometry->container : state_.vertex.shader->Code().Container());
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
    if (!skipped) {
        glDrawArrays(DrawMode(state_.inputAssembler.topology), static_cast<GLint>(startVertex),
                     static_cast<GLsizei>(vertexCount));
        CheckGlErrors("Draw");
    }
    Journal("Draw", [&](Fields& fields) {
        fields.Add("vertices", vertexCount).Add("start", startVertex);
        DescribeDraw(fields, skipped);
    });
}

void DeviceContext::DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex)
{
    const char* skipped = PrepareDraw(indexCount, true);
    if (!skipped) {
        const std::uintptr_t offset =
            state_.inputAssembler.indexOffset + static_cast<std::uintptr_t>(startIndex) * sizeof(std::uint16_t);
        glDrawElementsBaseVertex(DrawMode(state_.inputAssembler.topology), static_cast<GLsizei>(indexCount),
                                 GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(offset), baseVertex);
        CheckGlErrors("DrawIndexed");
    }
    Journal("DrawIndexed", [&](Fields& fields) {
        fields.Add("indices", indexCount).Add("start", startIndex).Add("base_vertex", baseVertex);
        DescribeDraw(fields, skipped);
    });
}

void DeviceContext::DescribeDraw(Fields& fields, const char* skipped) const
{
    fields.Held(hlsl::StageShortName(ShaderStage::Vertex), state_.vertex.shader)
        .Held(hlsl::StageShortName(ShaderStage::Geometry), state_.geometry.shader)
        .Held(hlsl::StageShortName(ShaderStage::Pixel), state_.pixel.shader)
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
                const std::string key =
                    std::string(hlsl::StageShortName(ShaderStage::Pixel)) + ".t" + std::to_string(slot);
                if (resources.views[slot])
                    fields.Held(key, resources.views[slot]);
                else
                    fields.Add(key, resources.viewsHeldByOutput[slot] ? "empty:bound_as_output" : "empty");
            }
    }
    if (skipped)
        fields.Add("skipped", skipped);
}

} // namespace d3d11
