#pragma once

// Rewrites of the legalized SPIR-V module before it becomes GLSL, for HLSL
// that Direct3D accepts but GLSL cannot say as it stands.
//
// Texture offsets: GLSL wants the offset of textureOffset, texelFetchOffset
// and the like to be a constant expression; HLSL allows any expression the
// Windows compiler can fold, and it unrolls a loop whose counter feeds one
// (the usual blur kernel). The loops around such calls are marked for full
// unrolling and unrolled with SPIRV-Tools, and the counters folded.
//
// Unbound resources: the layer binds only textures, samplers and constant
// buffers; it has no buffer views and no unordered-access views. So a
// StructuredBuffer, ByteAddressBuffer, Buffer<T> or tbuffer, and every RW
// resource, is a slot the program can never bind, and Direct3D's rule for an
// unbound slot applies to every access: reads, atomics and GetDimensions give
// zero and writes are dropped. The compiler applies that rule to the code
// itself, so the GLSL never declares those resources.

#include "platform/hlsl/compile_messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace glslang {
class TIntermediate;
}

namespace hlsl {

// Where the source calls a texture function with an offset, in the order of
// the intermediate tree.
std::vector<SourcePosition> OffsetCallPositions(const glslang::TIntermediate& intermediate,
                                                const std::string& mainFile);

// As the Windows compiler does, loops are unrolled up to this many
// iterations and no further.
constexpr int kMaxUnrolledIterations = 1024;

// Refuses, at the call, a texture call whose offset is not a constant inside
// a for loop that runs more than `limit` times: unrolling it would make code
// without end. Loops of other forms are left to the unroller.
std::optional<Diagnostic> CheckUnrollLimit(const glslang::TIntermediate& intermediate, const std::string& mainFile,
                                           int limit = kMaxUnrolledIterations);

// A resource the program cannot bind, as ZeroUnboundResources found it used.
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
std::optional<std::vector<UnboundResource>> ZeroUnboundResources(std::vector<std::uint32_t>& words);

} // namespace hlsl
