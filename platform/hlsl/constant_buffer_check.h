#pragma once

// A constant buffer's layout as the generated code reads it, taken from the
// SPIR-V through SPIRV-Cross, held against HLSL packing.

#include "platform/hlsl/front_end.h"

#include <spirv_cross_c.h>

#include <cstdint>
#include <string>

namespace hlsl {

struct ConstantBufferToCheck {
    spvc_type_id blockType = 0;
    std::string name;
    SourcePosition position;
    const ResourceDeclaration* declaration = nullptr; // for member names, places and packoffset
};

// True when every member has one basic type, all float, all int or all
// uint: the block can then be flattened into rows of four components, which
// GLSL reads at any HLSL offset.
bool HasOneBasicType(spvc_compiler compiler, spvc_type_id blockType);

// Refuses a buffer over 4096 registers, one whose members the code would
// read anywhere but at their HLSL offsets (naming the member), and, unless
// it is flattened, one that a GLSL uniform block cannot hold. Returns the
// buffer's HLSL size in bytes.
std::uint32_t CheckConstantBufferLayout(spvc_compiler compiler, const ConstantBufferToCheck& buffer, bool flattened);

} // namespace hlsl
