#pragma once

// HLSL source to SPIR-V with glslang, and what the source says about its
// resources that SPIR-V no longer shows: declaration order, register()
// slots, packoffset() and where each thing is declared.

#include "platform/hlsl/compiler.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hlsl {

enum class ResourceClass { ConstantBuffer, Texture, Sampler, Other };

struct MemberDeclaration {
    std::string name;
    SourcePosition position;
    std::optional<std::uint64_t> packOffset; // bytes
    std::vector<MemberDeclaration> members;  // a structure's own members
};

// A global resource as declared; the list is in declaration order.
struct ResourceDeclaration {
    std::string name; // a constant buffer's own name ("$Global" for loose globals)
    ResourceClass resourceClass = ResourceClass::Other;
    std::optional<std::uint32_t> slot; // register(bN), register(tN), register(sN)
    SourcePosition position;
    std::vector<MemberDeclaration> members; // a constant buffer's members
};

// A vertex-stage input the entry point declares. The optimizer drops inputs
// the code never reads from the SPIR-V, but Direct3D's input signature keeps
// every declared one, so they are taken from the source.
struct DeclaredInput {
    std::string semantic; // as written: "TEXCOORD0"
    ComponentType componentType = ComponentType::Float;
    std::uint32_t componentCount = 4;
    std::uint32_t locationCount = 1;
};

struct SpirvModule {
    ShaderStage stage = ShaderStage::Vertex;
    std::string profile;
    std::string entryPoint;
    SourcePosition entryPosition; // the entry point's definition
    std::vector<std::uint32_t> words;
    std::vector<ResourceDeclaration> resources;
    std::vector<DeclaredInput> declaredInputs; // vertex stage only; system values left out
    // Set where a stage other than the pixel stage uses Sample, a derivative
    // or discard; reported once the signature has been checked.
    std::optional<Diagnostic> pixelOnlyUse;
};

struct FrontEndResult {
    std::optional<SpirvModule> module;
    std::vector<Diagnostic> errors;
};

// glslang's process-wide initialisation, done once.
void InitializeGlslang();

FrontEndResult CompileToSpirv(const CompileRequest& request, ShaderStage stage);

} // namespace hlsl
