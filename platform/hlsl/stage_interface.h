#pragma once

// A stage's inputs and outputs as SPIRV-Cross reflects them from glslang's
// SPIR-V: semantics, types, locations, and the location macros that let the
// Direct3D 11 layer link stages by semantic.

#include "platform/hlsl/front_end.h"

#include <spirv_cross_c.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hlsl {

struct InterfaceVariable {
    spvc_variable_id variable = 0;
    StageVariable reflected;
    std::string glslName; // the name given to a variable with a location
};

// Reads the stage's inputs or outputs, refuses what Direct3D would refuse
// (SV_Target outside the pixel stage, a semantic used twice, ...), names
// every variable with a location fxsc_in_<semantic><index> or
// fxsc_out_<semantic><index>, and gives a location macro to those the layer
// links. Vertex inputs and render-target outputs keep fixed locations.
// Variables with locations come first, by location, then system values.
std::vector<InterfaceVariable> ReadInterface(spvc_compiler compiler, spvc_resources resources,
                                             const SpirvModule& module, bool input);

// The macro that holds the location of a linked stage input or output:
// FXSC_IN_TEXCOORD3, FXSC_OUT_COLOR0 (the semantic, upper case, then its
// index). Semantic names never end in a digit, so the name is unambiguous;
// "__", which GLSL reserves, is written "_U_".
std::string LocationMacro(bool input, const std::string& semantic, std::uint32_t index);

// "TEXCOORD3" -> ("TEXCOORD", 3); "sv_target" -> ("SV_TARGET", 0).
std::pair<std::string, std::uint32_t> SplitSemantic(std::string_view semantic);

// The semantic as written: "TEXCOORD3", "NORMAL".
std::string SemanticText(const StageVariable& variable);

} // namespace hlsl
