#pragma once

// The third stage of a compile: SPIR-V, as glslang generates it from the
// tree, and the passes on its words in the order the compile runs them.
// Lower* passes rewrite what GLSL or the later passes cannot say as it
// stands; each leaves a module without what it looks for untouched.
// spirv_module.h reads and writes the words.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"
#include "platform/hlsl/tree.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hlsl {

// The stage's output: the module, with what the tree stage read from the
// source for the GLSL stage.
struct SpirvModule {
    ShaderStage stage = ShaderStage::Vertex;
    std::string profile;
    std::string entryPoint;
    SourcePosition entryPosition; // the entry point's definition
    std::vector<std::uint32_t> words;
    std::vector<ResourceDeclaration> resources;
    std::vector<DeclaredInput> declaredInputs; // vertex stage only; system values left out
    std::vector<DistanceOutput> distanceOutputs; // vertex stage only
};

// glslang's SPIR-V for the linked tree, unoptimized, with OpLine debug lines
// where asked; glslang's messages are added to `log`.
std::vector<std::uint32_t> GenerateSpirv(const Tree& tree, bool lineNumbers, std::string& log);

// Refuses a module glslang did not make, or made with errors in its log.
void CheckGeneratedSpirv(const std::vector<std::uint32_t>& words, const std::string& log, const SourcePosition& entry);


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

// A geometry shader's emits past its [maxvertexcount] are dropped, as
// Direct3D drops them; GL leaves them undefined.
void LowerExtraVertices(std::vector<std::uint32_t>& words);

// Rules Direct3D states and GLSL leaves to the driver, made explicit in the
// code: min, max and clamp with one NaN operand give the other (NMin and
// NMax), unsigned division and remainder by zero give 0xFFFFFFFF, signed
// ones divide the magnitudes that way and then take their sign, and a shift
// uses the low 5 bits of its count.
void LowerDriverDependentRules(std::vector<std::uint32_t>& words);

// Float32 denormals: Direct3D flushes them to zero (of their sign) in the
// operands and the result of every float operation, and keeps them in moves
// and bit casts; GLSL lets the driver choose. Each float operand that is not
// already a flushed result or a normal constant, and each float result, is
// flushed on its bits, by a call of a function per type that the optimizer
// may not inline (so it cannot fold through a flush) and the GL driver
// does. `inPlace` writes each flush where it is needed instead: a module
// whose loops the optimizer unrolls for texture offsets, where a loop full of
// calls takes it several times the memory. Matrix operands are left as they
// are.
void LowerDenormals(std::vector<std::uint32_t>& words, bool inPlace);

// After the optimizer: the flushes of values nothing uses, and the loads
// and arithmetic that only fed them. The optimizer keeps every call, and a
// dead load of an input or a buffer would keep it in the shader's interface.
void LowerUnreadFlushes(std::vector<std::uint32_t>& words);

// Dynamic linkage: the static array that holds the class instance bound to
// each interface slot (LowerDynamicLinkage in source.h) becomes the plain
// uniform fxsc_<stage>_interfaces that the layer sets (shader_container.h),
// before the optimizer could take a static nothing writes for a constant.
// GLSL checked as GL SPIR-V wants a location for it: each stage its own
// range, above every slot of the stage before.
constexpr std::uint32_t InterfaceUniformLocation(ShaderStage stage)
{
    return static_cast<std::uint32_t>(stage) * 256;
}
void LowerInterfaceUniform(std::vector<std::uint32_t>& words, ShaderStage stage);

// The SPIR-V optimizer passes GlslangToSpv runs on HLSL when its optimizer
// is on. Without them a texture or sampler passed to a function loses its
// binding.
void LegalizeSpirv(const Tree& tree, std::vector<std::uint32_t>& words, std::string& log);

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
void LowerOffsetsToConstants(std::vector<std::uint32_t>& words, const std::vector<SourcePosition>& calls,
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
// order; nothing changes where none is. Refused at `entry` where
// SPIRV-Tools fails on the module.
std::vector<UnboundResource> LowerUnboundResources(std::vector<std::uint32_t>& words, const SourcePosition& entry);

// Constant buffers whose members glslang places elsewhere than HLSL packs
// them (a member in the tail of an array's last register), or that mix basic
// types at offsets a uniform block cannot hold: the block becomes uint
// registers at HLSL's offsets and each load bit-casts what it reads. Other
// buffers are left as they are; `declarations` give packoffset()s.
void LowerConstantBufferPacking(std::vector<std::uint32_t>& words, const std::vector<ResourceDeclaration>& declarations);

} // namespace hlsl
