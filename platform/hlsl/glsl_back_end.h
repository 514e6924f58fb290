#pragma once

// SPIR-V to GLSL 4.50 with SPIRV-Cross, in the container's conventions, with
// the reflection the Direct3D 11 layer needs and the checks for what
// Direct3D would refuse or GLSL cannot express.

#include "platform/hlsl/compiler.h"
#include "platform/hlsl/front_end.h"

namespace hlsl {

CompileResult TranslateToGlsl(const SpirvModule& module);

} // namespace hlsl
