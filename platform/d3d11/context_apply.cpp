#include "platform/d3d11/context.h"

#include "platform/d3d11/formats.h"

#include <algorithm>

// Translation to GL at draw time: each Apply* turns one group of the shadow
// state that the setters marked dirty into GL bindings.

namespace d3d11 {

namespace {

using hlsl::ShaderStage;

// Direct3D has 32 input slots; GL 4.5 promises only 16 vertex buffer
// bindings (Mesa has no more), so the slots a draw reads are packed into them.
constexpr UINT kGlVertexBindings = 16;

} // namespace

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

void DeviceContext::ApplyClipDistances(const hlsl::ShaderContainer& lastBeforeRasterizer)
{
    // Direct3D clips by every distance the last stage before the rasterizer
    // writes; GL by those enabled, and an enabled one no stage writes is
    // undefined.
    GLuint count = 0;
    for (const hlsl::StageVariable& output : lastBeforeRasterizer.outputs)
        if (output.systemValue && output.semantic == "SV_CLIPDISTANCE")
            count += output.locationCount;
    count = std::min<GLuint>(count, D3D11_CLIP_OR_CULL_DISTANCE_COUNT);
    for (GLuint i = std::min(count, clipDistances_); i < std::max(count, clipDistances_); ++i) {
        if (i < count)
            glEnable(GL_CLIP_DISTANCE0 + i);
        else
            glDisable(GL_CLIP_DISTANCE0 + i);
    }
    clipDistances_ = count;
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

void DeviceContext::ApplyTextures(ShaderStage stage, ShaderCode* code, const StageResources& resources)
{
    if (!code)
        return;
    std::uint32_t empty = 0;
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
            if (!view)
                empty |= 1u << (pair.textureUnit + element - hlsl::TextureUnit(stage, 0));
        }
    }
    // Its size queries give 0, as Direct3D's do; the program takes the mask
    // at each draw (PrepareDraw).
    emptyTextures_[static_cast<std::size_t>(stage)] = empty;
}

void DeviceContext::ApplyEmptyTextures(LinkedProgram& linked, ShaderStage stage)
{
    const std::size_t index = static_cast<std::size_t>(stage);
    const std::uint32_t mask = emptyTextures_[index];
    if (linked.emptyTexturesLocation[index] < 0 || linked.emptyTextures[index] == mask)
        return;
    glProgramUniform1ui(linked.program, linked.emptyTexturesLocation[index], mask);
    linked.emptyTextures[index] = mask;
}

void DeviceContext::ApplyGeometryViewport(LinkedProgram& linked)
{
    const D3D11_VIEWPORT& v = state_.rasterizer.viewports[0];
    const std::array<float, 4> viewport{v.TopLeftX, v.TopLeftY, v.Width, v.Height};
    if (linked.viewport == viewport)
        return;
    glProgramUniform4f(linked.program, linked.viewportLocation, viewport[0], viewport[1], viewport[2],
                       viewport[3]);
    linked.viewport = viewport;
}

void DeviceContext::ApplyInterfaces(LinkedProgram& linked, ShaderStage stage, const StageInstances& instances)
{
    std::vector<std::uint32_t>& uploaded = linked.interfaceIds[static_cast<std::size_t>(stage)];
    if (uploaded == instances.ids)
        return;
    // GL ignores location -1: a uniform the driver found unused.
    glProgramUniform1uiv(linked.program, linked.interfaceLocation[static_cast<std::size_t>(stage)],
                         static_cast<GLsizei>(instances.ids.size()), instances.ids.data());
    uploaded = instances.ids;
    Journal("SetInterfaceUniform", [&](Fields& fields) {
        std::string ids;
        for (const std::uint32_t id : instances.ids)
            ids += (ids.empty() ? "" : ",") + std::to_string(id);
        fields.Add("stage", hlsl::StageShortName(stage)).Add("ids", ids);
    });
}

} // namespace d3d11
