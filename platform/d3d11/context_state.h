#pragma once

// The immediate context's shadow of the Direct3D pipeline, grouped by stage.
// Every binding holds its own reference (Ref), so an object the program
// releases while bound lives on until the binding is replaced or the context
// dies. Nothing here touches GL; the context translates this state at draw
// time.

#include "platform/d3d11/buffer.h"
#include "platform/d3d11/class_linkage.h"
#include "platform/d3d11/input_layout.h"
#include "platform/d3d11/ref.h"
#include "platform/d3d11/sampler.h"
#include "platform/d3d11/shader.h"
#include "platform/d3d11/texture.h"

#include <array>
#include <bitset>
#include <vector>

namespace d3d11 {

struct VertexBufferBinding {
    Ref<Buffer> buffer;
    UINT stride = 0;
    UINT offset = 0;
};

struct InputAssemblerState {
    Ref<InputLayout> layout;
    std::array<VertexBufferBinding, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> vertexBuffers;
    Ref<Buffer> indexBuffer;
    DXGI_FORMAT indexFormat = DXGI_FORMAT_UNKNOWN;
    UINT indexOffset = 0;
    D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
};

// The slots of one shader stage; each stage has its own.
struct StageResources {
    std::array<Ref<Buffer>, D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT> constantBuffers;
    std::array<Ref<ShaderResourceView>, D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT> views;
    // Slots left empty because their resource was bound as an output.
    std::bitset<D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT> viewsHeldByOutput;
    std::array<Ref<SamplerState>, D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT> samplers;
};

// The class instances bound with a stage's shader, as the call gave them
// (empty entries included), the class instance id each interface slot
// selects (hlsl::ClassInstanceRecord::id), and why the shader is disabled
// (null while it is not): a disabled stage draws nothing.
struct StageInstances {
    std::vector<Ref<ClassInstance>> bound;
    std::vector<std::uint32_t> ids;
    const char* disabled = nullptr;
};

template <class ShaderType>
struct ShaderStageState {
    Ref<ShaderType> shader;
    StageInstances instances;
    StageResources resources;
};

struct RasterizerState {
    std::array<D3D11_VIEWPORT, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE> viewports{};
    UINT viewportCount = 0;
};

struct OutputMergerState {
    std::array<Ref<RenderTargetView>, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> renderTargets;
    Ref<DepthStencilView> depthStencil;

    // True when the texture is bound here as a render target or depth buffer.
    bool Holds(const Texture2D* texture) const
    {
        for (const Ref<RenderTargetView>& target : renderTargets)
            if (target && target->Texture() == texture)
                return true;
        return depthStencil && depthStencil->Texture() == texture;
    }
};

struct PipelineState {
    InputAssemblerState inputAssembler;
    ShaderStageState<VertexShader> vertex;
    ShaderStageState<GeometryShader> geometry;
    ShaderStageState<PixelShader> pixel;
    RasterizerState rasterizer;
    OutputMergerState outputMerger;
};

} // namespace d3d11
