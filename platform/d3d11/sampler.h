#pragma once

// ID3D11SamplerState as a GL sampler object.

#include "platform/d3d11/device_child.h"
#include "platform/include/d3d11.h"

namespace d3d11 {

class SamplerState final : public DeviceChild<ID3D11SamplerState> {
public:
    // The descriptor has been validated; the context is current.
    SamplerState(std::shared_ptr<GlContext> gl, const D3D11_SAMPLER_DESC& desc);

    GLuint Name() const { return name_; }

private:
    ~SamplerState() override;

    GLuint name_ = 0;
};

inline SamplerState* Impl(ID3D11SamplerState* sampler)
{
    return static_cast<SamplerState*>(sampler);
}

} // namespace d3d11
