#pragma once

// Texture offsets, on the intermediate tree: GLSL wants the offset of
// textureOffset, texelFetchOffset and the like to be a constant expression,
// and the SPIR-V stage unrolls the loops that feed one (spirv.h). These find
// the calls, to place what stays variable, and refuse the loops too long to
// unroll.

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

} // namespace hlsl
