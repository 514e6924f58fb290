#include "platform/d3d11/shader.h"

#include <atomic>

namespace d3d11 {

namespace {

std::uint64_t NextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

} // namespace

ShaderCode::ShaderCode(std::shared_ptr<GlContext> gl, hlsl::ShaderContainer container, std::uint64_t linkageSerial)
    : gl_(std::move(gl)), container_(std::move(container)), serial_(NextSerial()), linkageSerial_(linkageSerial)
{
}

ShaderCode::~ShaderCode()
{
    // The compiled stages and the programs made from this code go with it.
    gl_->Programs().ForgetShader(serial_, gl_->Bind());
    gl_->ForgetCurrentProgram();
}

} // namespace d3d11
