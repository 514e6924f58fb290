#include "platform/hlsl/compiler.h"

#include "platform/hlsl/front_end.h"
#include "platform/hlsl/glsl_back_end.h"
#include "platform/hlsl/glsl_check.h"

namespace hlsl {

std::optional<ShaderStage> StageForProfile(std::string_view profile)
{
    std::optional<ShaderStage> stage;
    if (profile.starts_with("vs_"))
        stage = ShaderStage::Vertex;
    else if (profile.starts_with("gs_"))
        stage = ShaderStage::Geometry;
    else if (profile.starts_with("ps_"))
        stage = ShaderStage::Pixel;
    const std::string_view model = profile.size() > 3 ? profile.substr(3) : std::string_view{};
    if (model != "4_0" && model != "4_1" && model != "5_0")
        return std::nullopt;
    return stage;
}

CompileResult CompileHlsl(const CompileRequest& request)
{
    CompileResult result;
    const std::optional<ShaderStage> stage = StageForProfile(request.profile);
    if (!stage) {
        result.errors.push_back(MakeDiagnostic(
            {request.file, 1, 1}, "unsupported profile '" + request.profile
                                      + "'; the vs, gs and ps profiles of shader models 4_0, 4_1 and 5_0 are"));
        return result;
    }
    FrontEndResult spirv = CompileToSpirv(request, *stage);
    if (!spirv.module) {
        result.errors = std::move(spirv.errors);
        return result;
    }
    result = TranslateToGlsl(*spirv.module);
    // What compiles here must create: the GLSL is checked as GL will see it.
    if (result.container)
        if (std::optional<Diagnostic> error = CheckGeneratedGlsl(*result.container, spirv.module->entryPosition)) {
            result.container.reset();
            result.errors.push_back(std::move(*error));
        }
    return result;
}

} // namespace hlsl
