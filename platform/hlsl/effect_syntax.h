#pragma once

// Effect files carry the effect framework's own syntax beside the shaders:
// techniques and passes, fxgroups, state objects, shader variables made
// with CompileShader, and annotations. The Direct3D compiler ignores it
// when it compiles one entry point for a vs_, gs_ or ps_ profile; glslang
// does not know it. This pass blanks it out before glslang reads the text.

#include <string>
#include <string_view>

namespace hlsl {

// The text with the effect-only constructs replaced by spaces. Line breaks,
// preprocessor lines and everything else stay where they were, so every
// later position is still the user's line and column.
//
// Blanked: technique, technique10, technique11 and fxgroup blocks;
// DepthStencilState, BlendState and RasterizerState declarations;
// VertexShader, PixelShader, GeometryShader, ComputeShader, HullShader and
// DomainShader variables; a SamplerState's or SamplerComparisonState's state
// block (the sampler itself stays declared); annotations ("< string UIName =
// "x"; >") after a declared name, semantic, register() or array size.
std::string StripEffectSyntax(std::string_view text);

} // namespace hlsl
