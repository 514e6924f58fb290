#pragma once

// ID3D11DeviceContext, the immediate context. Calls only change the shadow
// state (context_state.h) and mark what changed (context.cpp); a draw
// translates the changed parts to GL (context_apply.cpp) and draws. Clears
// and updates act at once, in call order with the draws, as GL orders them
// (context_draw.cpp).

#include "platform/d3d11/context_state.h"
#include "platform/d3d11/journal.h"

namespace d3d11 {

class DeviceContext final : public DeviceChild<ID3D11DeviceContext> {
public:
    explicit DeviceContext(std::shared_ptr<GlContext> gl);

    void STDMETHODCALLTYPE VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) override;
    void STDMETHODCALLTYPE PSSetShaderResources(UINT startSlot, UINT count,
                                                ID3D11ShaderResourceView* const* views) override;
    void STDMETHODCALLTYPE PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances,
                                       UINT instanceCount) override;
    void STDMETHODCALLTYPE PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) override;
    void STDMETHODCALLTYPE VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances,
                                       UINT instanceCount) override;
    void STDMETHODCALLTYPE DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex) override;
    void STDMETHODCALLTYPE Draw(UINT vertexCount, UINT startVertex) override;
    void STDMETHODCALLTYPE PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) override;
    void STDMETHODCALLTYPE IASetInputLayout(ID3D11InputLayout* inputLayout) override;
    void STDMETHODCALLTYPE IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers,
                                              const UINT* strides, const UINT* offsets) override;
    void STDMETHODCALLTYPE IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) override;
    void STDMETHODCALLTYPE GSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) override;
    void STDMETHODCALLTYPE GSSetShader(ID3D11GeometryShader* shader, ID3D11ClassInstance* const* instances,
                                       UINT instanceCount) override;
    void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) override;
    void STDMETHODCALLTYPE OMSetRenderTargets(UINT viewCount, ID3D11RenderTargetView* const* views,
                                              ID3D11DepthStencilView* depthStencilView) override;
    void STDMETHODCALLTYPE RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports) override;
    void STDMETHODCALLTYPE UpdateSubresource(ID3D11Resource* resource, UINT subresource, const D3D11_BOX* box,
                                             const void* data, UINT rowPitch, UINT depthPitch) override;
    void STDMETHODCALLTYPE ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) override;
    void STDMETHODCALLTYPE ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth,
                                                 UINT8 stencil) override;
    void STDMETHODCALLTYPE PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances,
                                       UINT* instanceCount) override;
    void STDMETHODCALLTYPE VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance** instances,
                                       UINT* instanceCount) override;
    void STDMETHODCALLTYPE GSGetShader(ID3D11GeometryShader** shader, ID3D11ClassInstance** instances,
                                       UINT* instanceCount) override;

private:
    ~DeviceContext() override = default;

    // What a draw must translate before it runs.
    enum Dirty : std::uint32_t {
        kDirtyVertexBuffers = 1u << 0,
        kDirtyVertexAttributes = 1u << 1,
        kDirtyIndexBuffer = 1u << 2,
        kDirtyFramebuffer = 1u << 3,
        kDirtyViewports = 1u << 4,
        kDirtyConstantBuffers = 1u << 5, // shifted by the stage number
        kDirtyTextures = 1u << 8,        // shifted by the stage number
        kDirtyAll = ~0u,
    };
    static std::uint32_t StageBit(Dirty bit, hlsl::ShaderStage stage)
    {
        return static_cast<std::uint32_t>(bit) << static_cast<std::uint32_t>(stage);
    }

    // Binds the shader and its class instances (Direct3D's rules in
    // ChooseClassInstances); `changed` is what to mark dirty when the shader
    // differs from the bound one.
    template <class ShaderType>
    void SetShader(const char* operation, ShaderStageState<ShaderType>& stage, ShaderType* shader,
                   ID3D11ClassInstance* const* instances, UINT count, std::uint32_t changed);
    template <class ShaderType, class Interface>
    void GetShader(const char* operation, const ShaderStageState<ShaderType>& stage, Interface** shader,
                   ID3D11ClassInstance** instances, UINT* count);
    void SetConstantBuffers(const char* operation, hlsl::ShaderStage stage, StageResources& resources,
                            UINT startSlot, UINT count, ID3D11Buffer* const* buffers);
    // Empties every shader input slot whose resource is bound as an output;
    // returns the emptied slots for the journal.
    std::string EmptyInputsHeldByOutputs();

    // Why a draw draws nothing (null: it draws), before any GL work.
    const char* NothingToDraw(UINT count) const;
    // Binds the context, links the stages and translates the changed state;
    // null when ready to draw.
    const char* PrepareDraw(UINT count, bool indexed);
    // The draw's journal fields after its own arguments: the bound objects,
    // the pixel stage's texture slots and why it was skipped.
    void DescribeDraw(Fields& fields, const char* skipped) const;

    void ApplyVertexBuffers();
    void ApplyVertexAttributes();
    void ApplyFramebuffer();
    void ApplyViewports();
    void ApplyClipDistances(const hlsl::ShaderContainer& lastBeforeRasterizer);
    void ApplyConstantBuffers(hlsl::ShaderStage stage, const StageResources& resources);
    void ApplyTextures(hlsl::ShaderStage stage, ShaderCode* code, const StageResources& resources);
    // Sets the stage's interface uniform in the program to the bound ids,
    // unless the program already holds them.
    void ApplyInterfaces(LinkedProgram& linked, hlsl::ShaderStage stage, const StageInstances& instances);
    // Sets the stage's mask of empty texture units in the program, unless
    // the program already holds it.
    void ApplyEmptyTextures(LinkedProgram& linked, hlsl::ShaderStage stage);
    // Sets the viewport a geometry stage places its points by, unless the
    // program already holds it.
    void ApplyGeometryViewport(LinkedProgram& linked);

    // A slot the attributes do not read from has no GL binding.
    static constexpr std::uint8_t kNoBinding = 0xFF;

    PipelineState state_;
    std::uint32_t dirty_ = kDirtyAll;
    std::uint32_t enabledAttributes_ = 0;
    // The GL vertex buffer binding each input slot the attributes read from
    // is given (kNoBinding for the others), and how many bindings GL was
    // given at the last translation.
    std::array<std::uint8_t, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> glBindingOfSlot_{};
    UINT glBindingsUsed_ = 0;
    // Per stage, the texture units the last translation left empty (bit i:
    // hlsl::TextureUnit(stage, i)).
    std::array<std::uint32_t, 3> emptyTextures_{};
    // GL_CLIP_DISTANCE0 + i is enabled for each i below this.
    GLuint clipDistances_ = 0;
};

} // namespace d3d11
