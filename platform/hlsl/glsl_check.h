#pragma once

// A compile that succeeds must give a shader that CreateVertexShader and
// friends accept. SPIRV-Cross can still write GLSL that a GL 4.50 compiler
// refuses (a texture offset that is not a constant expression, an offset out
// of range), so the generated text is compiled once more here, by glslang's
// GLSL front end as an OpenGL 4.50 core shader, and a refusal becomes a
// compile error on the HLSL side.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"

#include <optional>
#include <string>

namespace hlsl {

// glslang's first error for the text, without its GLSL line prefix, or
// nothing when the text compiles and links as one stage. The stage's
// location macros keep their #ifndef defaults.
std::optional<std::string> GlslError(ShaderStage stage, const std::string& glsl);

// The same check for a finished container, as an error at `at` (the entry
// point) in the HLSL's terms.
std::optional<Diagnostic> CheckGeneratedGlsl(const ShaderContainer& container, const SourcePosition& at);

} // namespace hlsl
