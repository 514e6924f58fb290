#pragma once

// Where glslang gives an HLSL operator or intrinsic the meaning of its GLSL
// or SPIR-V namesake, these passes give it back the meaning HLSL documents.

#include "platform/hlsl/compile_messages.h"

#include <cstdint>
#include <string>
#include <vector>

namespace glslang {
class TIntermediate;
}
namespace spv {
class SpvBuildLogger;
}

namespace hlsl {

// On the linked intermediate tree, before SPIR-V is generated: `*` and `*=`
// between two matrices multiply per component; only mul() is the matrix
// product. glslang gives both the same node, so the source text at the
// node's position tells them apart. Matrix swizzles of several elements
// read as values, and lit()'s specular power, get code glslang builds right.
void ApplyHlslTreeSemantics(glslang::TIntermediate& intermediate, const SourceLookup& lookup,
                            const std::string& mainFile);

// On SPIR-V words as glslang generates them, before the optimizer folds
// anything: `%` and fmod() keep the dividend's sign (C's truncating
// remainder), where glslang emits the floored modulo of GLSL's mod(). (A
// `%` whose operands are both float constants glslang folds while parsing,
// to its left operand; where both are literals or names declared const it
// is refused before parsing; a constant expression in parentheses is not
// caught.)
// Float-to-integer conversions clamp to the integer range and turn NaN into
// 0; ldexp() keeps a fractional exponent.
void ApplyHlslSemantics(std::vector<std::uint32_t>& words);

// The SPIR-V optimizer passes GlslangToSpv runs on HLSL when its optimizer
// is on. Without them a texture or sampler passed to a function loses its
// binding.
void LegalizeSpirv(const glslang::TIntermediate& intermediate, std::vector<std::uint32_t>& words,
                   spv::SpvBuildLogger* logger);

} // namespace hlsl
