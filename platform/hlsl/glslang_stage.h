#pragma once

// glslang's name for each of the three shader stages, for the HLSL parse and
// for the check of the GLSL made from it.

#include "platform/hlsl/shader_container.h"

#include <glslang/Public/ShaderLang.h>

namespace hlsl {

inline EShLanguage GlslangLanguage(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::Vertex:
        return EShLangVertex;
    case ShaderStage::Geometry:
        return EShLangGeometry;
    case ShaderStage::Pixel:
        break;
    }
    return EShLangFragment;
}

} // namespace hlsl
