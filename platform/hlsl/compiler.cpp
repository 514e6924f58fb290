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
    // The level-9 profiles compile as 4_0; there are vertex and pixel ones
    // only, as feature levels 9_x have no geometry stage.
    const bool level9 = (model == "4_0_level_9_1" || model == "4_0_level_9_3") && stage != ShaderStage::Geometry;
    if (model != "4_0" && model != "4_1" && model != "5_0" && !level9)
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
                                      + "'; the vs, gs and ps profiles of shader models 4_0, 4_1 and 5_0 are, and "
                                        "the vs and ps ones of 4_0_level_9_1 and 4_0_level_9_3"));
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
