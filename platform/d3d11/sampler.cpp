#include "platform/d3d11/sampler.h"

namespace d3d11 {

namespace {

GLint Wrap(D3D11_TEXTURE_ADDRESS_MODE mode)
{
    return mode == D3D11_TEXTURE_ADDRESS_CLAMP ? GL_CLAMP_TO_EDGE : GL_REPEAT;
}

} // namespace

SamplerState::SamplerState(std::shared_ptr<GlContext> gl, const D3D11_SAMPLER_DESC& desc)
    : DeviceChild("ID3D11SamplerState", std::move(gl))
{
    const bool linear = desc.Filter == D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    glCreateSamplers(1, &name_);
    glSamplerParameteri(name_, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    glSamplerParameteri(name_, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(name_, GL_TEXTURE_WRAP_S, Wrap(desc.AddressU));
    glSamplerParameteri(name_, GL_TEXTURE_WRAP_T, Wrap(desc.AddressV));
    glSamplerParameteri(name_, GL_TEXTURE_WRAP_R, Wrap(desc.AddressW));
    glSamplerParameterf(name_, GL_TEXTURE_LOD_BIAS, desc.MipLODBias);
    glSamplerParameterf(name_, GL_TEXTURE_MIN_LOD, desc.MinLOD);
    glSamplerParameterf(name_, GL_TEXTURE_MAX_LOD, desc.MaxLOD);
    glSamplerParameterfv(name_, GL_TEXTURE_BORDER_COLOR, desc.BorderColor);
}

SamplerState::~SamplerState()
{
    if (gl_->Bind())
        glDeleteSamplers(1, &name_);
}

} // namespace d3d11
