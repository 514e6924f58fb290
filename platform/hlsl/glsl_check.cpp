// The generated GLSL compiled once more, as GL will compile it.

#include "platform/hlsl/glsl.h"

#include "platform/hlsl/glslang_stage.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <string_view>

namespace hlsl {

namespace {

// The first "ERROR: " line of a glslang log, less the prefix and the GLSL
// place ("0:12: "), which mean nothing to the HLSL's author.
std::string FirstError(std::string_view log)
{
    constexpr std::string_view kError = "ERROR: ";
    std::size_t start = log.find(kError);
    if (start == std::string_view::npos)
        return std::string(log.substr(0, log.find('\n')));
    start += kError.size();
    std::string_view line = log.substr(start, log.find('\n', start) - start);
    // "0:12: message" or "Linking fragment stage: message"
    const std::size_t colon = line.find(": ");
    if (colon != std::string_view::npos && colon > 0
        && line.substr(0, colon).find_first_not_of("0123456789:") == std::string_view::npos)
        line.remove_prefix(colon + 2);
    return std::string(line);
}

// glslang's defaults are GL's minimum guarantees; where Direct3D 11 allows
// more and the GL driver the layer runs on (Mesa's llvmpipe) does too, the
// check takes Direct3D's limit, so that it refuses only what GL would.
const TBuiltInResource& Limits()
{
    static const TBuiltInResource limits = [] {
        TBuiltInResource resources = *GetDefaultResources();
        resources.maxGeometryOutputVertices = 1024;        // [maxvertexcount(1024)]
        resources.maxGeometryTotalOutputComponents = 1024; // scalars emitted per invocation
        return resources;
    }();
    return limits;
}

} // namespace

std::optional<std::string> GlslError(ShaderStage stage, const std::string& glsl)
{
    InitializeGlslang();
    const EShLanguage language = GlslangLanguage(stage);
    glslang::TShader shader(language);
    const char* text = glsl.c_str();
    const int length = static_cast<int>(glsl.size());
    shader.setStringsWithLengths(&text, &length, 1);
    shader.setEnvInput(glslang::EShSourceGlsl, language, glslang::EShClientOpenGL, 450);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    if (!shader.parse(&Limits(), 450, ECoreProfile, false, false, EShMsgDefault))
        return FirstError(shader.getInfoLog());
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(EShMsgDefault))
        return FirstError(program.getInfoLog());
    return std::nullopt;
}

void CheckGeometryOutputSize(const ShaderContainer& container, const SourcePosition& at)
{
    if (container.stage != ShaderStage::Geometry)
        return;
    std::uint64_t perVertex = 0;
    for (const StageVariable& output : container.outputs)
        perVertex += std::uint64_t{output.componentCount} * output.locationCount;
    const std::uint64_t total = perVertex * container.geometryMaxVertices;
    if (total > D3D11_REQ_GS_INVOCATION_32BIT_OUTPUT_COMPONENT_LIMIT)
        Refuse(at, "the geometry shader may emit " + std::to_string(total) + " 32-bit values ([maxvertexcount("
                       + std::to_string(container.geometryMaxVertices) + ")] vertices of "
                       + std::to_string(perVertex) + " components); Direct3D 11 allows "
                       + std::to_string(D3D11_REQ_GS_INVOCATION_32BIT_OUTPUT_COMPONENT_LIMIT)
                       + " per invocation");
}

void CheckGeneratedGlsl(const ShaderContainer& container, const SourcePosition& at)
{
    if (const std::optional<std::string> error = GlslError(container.stage, container.glsl))
        Refuse(at, "the entry point cannot be compiled for OpenGL 4.50: the GLSL made from it is refused (" + *error
                       + ")");
}

} // namespace hlsl
