#pragma once

// The SPIR-V stage: passes on the words GlslangToSpv generates, in the order
// the compile runs them. Lower* passes rewrite what GLSL or the later
// passes cannot say as it stands; each leaves a module without what it
// looks for untouched.

#include "platform/hlsl/compile_messages.h"

#include <cstdint>
#include <optional>
#include <string>
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

// Texture offsets. GLSL wants the offset of textureOffset, texelFetchOffset
// and the like to be a constant expression; HLSL allows any expression the
// Windows compiler can fold, and it unrolls a loop whose counter feeds one
// (the usual blur kernel).

// Whether an image instruction GLSL needs a constant offset for (any sample
// or fetch; not a gather, which takes any offset in GLSL 4.50) takes a
// non-constant one. A scan of the words, cheap enough for every module.
bool HasNonConstantOffset(const std::vector<std::uint32_t>& words);

// Marks the loops around image instructions with non-constant offsets for
// full unrolling, unrolls them with SPIRV-Tools and folds what becomes
// constant. An offset that stays non-constant (a loop bound read from a
// constant buffer) gives an error at its call: the module's OpLine debug
// lines give the line, `calls` (the offset calls in the order of the source)
// the column. `fallback` places an error nothing else places.
std::optional<Diagnostic> LowerOffsetsToConstants(std::vector<std::uint32_t>& words,
                                                  const std::vector<SourcePosition>& calls,
                                                  const SourcePosition& fallback);

// Unbound resources. The layer binds only textures, samplers and constant
// buffers; it has no buffer views and no unordered-access views. So a
// StructuredBuffer, ByteAddressBuffer, Buffer<T> or tbuffer, and every RW
// resource, is a slot the program can never bind, and Direct3D's rule for an
// unbound slot applies to every access: reads, atomics and GetDimensions give
// zero and writes are dropped. The compiler applies that rule to the code
// itself, so the GLSL never declares those resources.

// A resource the program cannot bind, as LowerUnboundResources found it used.
struct UnboundResource {
    std::string name;              // the variable's name; a tbuffer's block name
    bool takesTextureSlot = false; // a read-only buffer: it takes a t register
    bool readWrite = false;        // an RW resource: a u register
};

// Applies the unbound-slot rule to every resource listed above: loads,
// reads, atomics and size queries become zero, stores and writes go, and the
// variables are removed. Returns the resources that were used, in module
// order; nothing changes where none is. Returns nothing where SPIRV-Tools
// fails on the module.
std::optional<std::vector<UnboundResource>> LowerUnboundResources(std::vector<std::uint32_t>& words);

} // namespace hlsl
