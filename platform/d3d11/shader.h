#pragma once

// ID3D11VertexShader, ID3D11GeometryShader and ID3D11PixelShader: one stage
// of compiled code (the compiler's container). Its GL shader objects and the
// programs it is linked into live in the context's program cache
// (program_cache.h) until the code dies.

#include "platform/d3d11/device_child.h"
#include "platform/hlsl/shader_container.h"
#include "platform/include/d3d11.h"

#include <utility>

namespace d3d11 {

class ShaderCode {
public:
    // `linkageSerial` names the class linkage the shader was created with
    // (ClassLinkage::Serial), 0 for none.
    ShaderCode(std::shared_ptr<GlContext> gl, hlsl::ShaderContainer container, std::uint64_t linkageSerial);
    ~ShaderCode();
    ShaderCode(const ShaderCode&) = delete;
    ShaderCode& operator=(const ShaderCode&) = delete;

    const hlsl::ShaderContainer& Container() const { return container_; }
    // Unique for the process's lifetime; names this stage in program caches.
    std::uint64_t Serial() const { return serial_; }
    // The stage as the program cache takes it.
    StageCode Stage() const { return {serial_, container_}; }
    std::uint64_t LinkageSerial() const { return linkageSerial_; }

private:
    std::shared_ptr<GlContext> gl_;
    hlsl::ShaderContainer container_;
    std::uint64_t serial_;
    std::uint64_t linkageSerial_;
};

template <class Interface>
class Shader final : public DeviceChild<Interface> {
public:
    Shader(const char* interfaceName, std::shared_ptr<GlContext> gl, hlsl::ShaderContainer container,
           std::uint64_t linkageSerial)
        : DeviceChild<Interface>(interfaceName, gl), code_(gl, std::move(container), linkageSerial)
    {
    }

    ShaderCode& Code() { return code_; }

private:
    ~Shader() override = default;

    ShaderCode code_;
};

using VertexShader = Shader<ID3D11VertexShader>;
using GeometryShader = Shader<ID3D11GeometryShader>;
using PixelShader = Shader<ID3D11PixelShader>;

inline VertexShader* Impl(ID3D11VertexShader* shader)
{
    return static_cast<VertexShader*>(shader);
}
inline GeometryShader* Impl(ID3D11GeometryShader* shader)
{
    return static_cast<GeometryShader*>(shader);
}
inline PixelShader* Impl(ID3D11PixelShader* shader)
{
    return static_cast<PixelShader*>(shader);
}

} // namespace d3d11
