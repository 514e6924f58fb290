#pragma once

// Where glslang gives an HLSL operator or intrinsic the meaning of its GLSL
// or SPIR-V namesake, these passes give it back the meaning HLSL documents.

#include "platform/hlsl/compile_messages.h"

#include <string>

namespace glslang {
class TIntermediate;
}

namespace hlsl {

// On the linked intermediate tree, before SPIR-V is generated: `*` and `*=`
// between two matrices multiply per component; only mul() is the matrix
// product. glslang gives both the same node, so the source text at the
// node's position tells them apart. Matrix swizzles of several elements
// read as values, and lit()'s specular power, get code glslang builds right.
void ApplyHlslTreeSemantics(glslang::TIntermediate& intermediate, const SourceLookup& lookup,
                            const std::string& mainFile);

} // namespace hlsl
