#pragma once

// The SPIR-V stage: passes on the words GlslangToSpv generates, in the order
// the compile runs them. Lower* passes rewrite what GLSL or the later
// passes cannot say as it stands; each leaves a module without what it
// looks for untouched.

#include <cstdint>
#include <vector>

namespace glslang {
class TIntermediate;
}
namespace spv {
class SpvBuildLogger;
}

namespace hlsl {

// Before the optimizer folds anything. `%` and fmod() keep the dividend's
// sign (C's truncating remainder), where glslang emits the floored modulo of
// GLSL's mod(). (A `%` whose operands are both float constants glslang folds
// while parsing, to its left operand; where both are literals or names
// declared const it is refused before parsing; a constant expression in
// parentheses is not caught.)
void LowerRemainders(std::vector<std::uint32_t>& words);

// Float-to-integer conversions clamp to the integer range and turn NaN into
// 0, as Direct3D defines them for every input.
void LowerFloatToIntConversions(std::vector<std::uint32_t>& words);

// ldexp() keeps a fractional exponent.
void LowerFloatLdexp(std::vector<std::uint32_t>& words);

// The SPIR-V optimizer passes GlslangToSpv runs on HLSL when its optimizer
// is on. Without them a texture or sampler passed to a function loses its
// binding.
void LegalizeSpirv(const glslang::TIntermediate& intermediate, std::vector<std::uint32_t>& words,
                   spv::SpvBuildLogger* logger);

} // namespace hlsl
