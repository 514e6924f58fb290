#include "platform/d3d11/shader.h"

#include "platform/d3d11/program_cache.h"

#include <algorithm>
#include <atomic>

namespace d3d11 {

namespace {

std::uint64_t NextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

GLenum GlStage(hlsl::ShaderStage stage)
{
    switch (stage) {
    case hlsl::ShaderStage::Vertex:
        return GL_VERTEX_SHADER;
    case hlsl::ShaderStage::Geometry:
        return GL_GEOMETRY_SHADER;
    case hlsl::ShaderStage::Pixel:
        break;
    }
    return GL_FRAGMENT_SHADER;
}

} // namespace

ShaderCode::ShaderCode(std::shared_ptr<GlContext> gl, hlsl::ShaderContainer container)
    : gl_(std::move(gl)), container_(std::move(container)), serial_(NextSerial())
{
}

ShaderCode::~ShaderCode()
{
    const bool bound = gl_->Bind();
    gl_->Programs().ForgetShader(serial_, bound);
    gl_->ForgetCurrentProgram();
    if (bound)
        for (const auto& [defines, object] : compiled_)
            glDeleteShader(object);
}

GLuint ShaderCode::Compiled(const std::string& defines, std::string* log)
{
    for (const auto& [compiledDefines, object] : compiled_)
        if (compiledDefines == defines)
            return object;

    const std::string source = InsertDefines(container_.glsl, defines);
    const GLchar* sourceText = source.c_str();
    GLuint object = glCreateShader(GlStage(container_.stage));
    glShaderSource(object, 1, &sourceText, nullptr);
    glCompileShader(object);
    GLint compiled = GL_FALSE;
    glGetShaderiv(object, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        if (log) {
            GLint length = 0;
            glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
            std::string info(static_cast<std::size_t>(std::max(length, 1)), '\0');
            glGetShaderInfoLog(object, length, nullptr, info.data());
            *log = info.c_str();
        }
        glDeleteShader(object);
        object = 0;
    }
    // A failure is remembered too: the same text fails the same way.
    compiled_.emplace_back(defines, object);
    return object;
}

} // namespace d3d11
