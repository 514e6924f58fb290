#pragma once

// The third stage of a compile: SPIR-V, as glslang generates it from the
// tree and as the passes here make it legal and say in it what GLSL cannot
// say as it stands.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"
#include "platform/hlsl/spirv_passes.h"
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
};

// glslang's SPIR-V for the linked tree, unoptimized, with OpLine debug lines
// where asked; glslang's messages are added to `log`.
std::vector<std::uint32_t> GenerateSpirv(const Tree& tree, bool lineNumbers, std::string& log);

// Refuses a module glslang did not make, or made with errors in its log.
void CheckGeneratedSpirv(const std::vector<std::uint32_t>& words, const std::string& log, const SourcePosition& entry);

} // namespace hlsl
