#pragma once

// The second stage of a compile: glslang's HLSL front end parses the
// prepared text into its intermediate tree, and the passes here check the
// tree for what Direct3D refuses and glslang lets through, give HLSL's
// meaning back where glslang built GLSL's, and read what the later stages
// need from the source and no longer find in SPIR-V: declaration order,
// register() slots, packoffset() and where each thing is declared.
//
// The stage's output is the Tree: glslang's shader and linked program, which
// SPIR-V is generated from, and the reads below.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"
#include "platform/hlsl/source.h"

#include <glslang/Public/ShaderLang.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace glslang {
class TIntermediate;
} // namespace glslang

namespace hlsl {

// glslang's process-wide initialisation, done once.
void InitializeGlslang();

// One parse of the text for one stage, and its link. The tree lives as long
// as this does.
struct Tree {
    std::unique_ptr<glslang::TShader> shader;
    std::unique_ptr<glslang::TProgram> program; // declared after shader: destroyed first
    glslang::TIntermediate* parsed = nullptr;   // the parse's tree: declarations as written
    glslang::TIntermediate* linked = nullptr;   // the linked stage's, once linked: the code
};

// What one parse is asked for.
struct ParseRequest {
    std::string text;       // the main file's prepared text
    std::string preamble;   // WritePreamble's
    std::string entryPoint;
    ShaderStage stage = ShaderStage::Vertex;
    // Where set, every #include is lowered for it (LowerDynamicLinkage).
    const DynamicLinkage* linkage = nullptr;
    IncludeRoot root; // the main file as written, for PrepareText
};

// ---- Parse and link ---------------------------------------------------------------

// Parses with glslang's HLSL front end, reading each #include through
// PrepareText, relative to the including file. glslang's errors are refused
// in the user's terms, as is a missing entry point.
Tree ParseHlsl(const ParseRequest& request, SourceSet& sources);

// Links the parsed stage on its own, which completes its intermediate code.
// Recursion, which glslang reports without a place, is refused at the call
// that closes the cycle.
void LinkStage(Tree& tree, const SourceSet& sources);

// glslang's info log as diagnostics. glslang gives a line for most errors and
// a column only for the point where HLSL parsing stopped; the column is taken
// from the token an error quotes where the line shows it. Errors without a
// place are put at line 1 of defaultFile.
std::vector<Diagnostic> ReadGlslangLog(std::string_view log, const std::string& defaultFile,
                                       const SourceLookup& lookup);

// ---- Checks -----------------------------------------------------------------------

// On a parse for the vertex stage, which reads any entry point safely:
// refuses a geometry entry point that glslang's geometry front end would
// crash on (a structure input that is not a per-vertex array) or that is no
// geometry shader at all.
void CheckGeometryShape(const Tree& probe, const std::string& entryPoint, const SourceSet& sources);

// Refuses a geometry shader compiled for another stage, and a geometry
// shader without a stream.
void CheckStageKind(const Tree& tree, const std::string& entryPoint, const std::string& profile, ShaderStage stage,
                    const SourceSet& sources);

// The abstract interface instances (a global, a cbuffer member or an entry
// point's parameter whose type is an interface) that the preprocessor left:
// calls through them need dynamic shader linkage, which shader model 4
// refuses. For 5_0, the interface slots as the Windows compiler numbers
// them (in declaration order, an array taking one per element, none for an
// instance the entry point's code never uses), the class instances that can
// fill them (declared ones, then a created one per class without data; ids
// from 1), and the methods of their interfaces, which every class that
// implements one must define. Empty where there is no abstract instance.
DynamicLinkage ReadInterfaceInstances(const Tree& tree, const std::string& entryPoint, const std::string& profile,
                                      ShaderStage stage, const SourceSet& sources);

// Refuses an out or inout argument that is a matrix swizzle of several
// elements: glslang passes a copy it never writes back.
void CheckSwizzleArguments(const Tree& tree, const SourceSet& sources);

// Sample, derivatives and discard exist only in pixel shaders; glslang gives
// Sample level 0 in other stages without a word. Refuses their use in the
// entry point's code or the functions it calls.
void CheckPixelOnlyOperations(const Tree& tree, const std::string& entryPoint, const std::string& profile,
                              ShaderStage stage, const SourceSet& sources);

// Texture offsets: GLSL wants the offset of textureOffset, texelFetchOffset
// and the like to be a constant expression, and the SPIR-V stage unrolls
// the loops that feed one (spirv.h). As the Windows compiler does, loops are
// unrolled up to kMaxUnrolledIterations iterations and no further: a
// texture call whose offset is not a constant inside a for loop that runs
// more than `limit` times is refused at the call. Loops of other forms are
// left to the unroller.
constexpr int kMaxUnrolledIterations = 1024;
void CheckUnrollLimit(const Tree& tree, const std::string& mainFile, int limit = kMaxUnrolledIterations);

// ---- Lowerings --------------------------------------------------------------------

// Direct3D 11 feeds an SV_Position vertex input from the input layout like
// any other element; glslang makes it the Position built-in, which a vertex
// stage cannot read. Each such input becomes an ordinary one at the next
// free location, keeping its semantic.
void LowerPositionInputs(Tree& tree);

// glslang gives the output copy of an `inout` entry parameter the plain
// qualifier of its input: one whose semantic is SV_Position is made the
// Position built-in (vertex and geometry stages).
void LowerPositionOutputs(Tree& tree);

// `*` and `*=` between two matrices multiply per component; only mul() is
// the matrix product. glslang gives both the same node, so the source text
// at the node's position tells them apart; a `*` that comes out of a macro
// sits at the macro's name and stays a product.
void LowerMatrixOperators(Tree& tree, const SourceSet& sources);

// A multi-element matrix swizzle read as a value (m._m10_m01) becomes a
// vector of its single elements, which glslang builds right; glslang's own
// node for it generates no SPIR-V.
void LowerMatrixSwizzles(Tree& tree);

// lit()'s specular term is n_dot_h to the power m; glslang multiplies.
void LowerLit(Tree& tree, const SourceSet& sources);

// ---- Reads ------------------------------------------------------------------------

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

// The entry point's own definition, at its name.
SourcePosition ReadEntryPosition(const Tree& tree, const std::string& entryPoint, const SourceSet& sources);

std::vector<ResourceDeclaration> ReadResources(const Tree& tree, const SourceSet& sources);

// The vertex entry point's inputs, system values left out.
std::vector<DeclaredInput> ReadDeclaredInputs(const Tree& tree);

// One register of SV_ClipDistance or SV_CullDistance a vertex entry point
// writes (an array takes one per element), and where glslang put its
// components in gl_ClipDistance or gl_CullDistance: each semantic index
// after the lower ones, in the order of the indices.
struct DistanceOutput {
    bool cull = false;
    std::uint32_t semanticIndex = 0;
    std::uint32_t componentCount = 1;
    std::uint32_t offset = 0; // first element in the GLSL array
};

// The vertex entry point's clip and cull distance outputs, by semantic.
std::vector<DistanceOutput> ReadDistanceOutputs(const Tree& tree, const std::string& entryPoint);

// Where a geometry entry point's input declares SV_ClipDistance or
// SV_CullDistance, at the name of each member or parameter, on the probe
// parse. glslang's geometry front end crashes on them: LowerDistanceInputs
// renames them before it parses.
std::vector<SourcePosition> ReadDistanceInputs(const Tree& probe, const std::string& entryPoint,
                                               const SourceSet& sources);

// Where the source calls a texture function with an offset, in the order of
// the tree: the SPIR-V stage places what stays variable at these.
std::vector<SourcePosition> ReadOffsetCalls(const Tree& tree, const std::string& mainFile);

// ---- Placing errors that have no place ---------------------------------------------

// GlslangToSpv reports what it cannot translate as "Missing functionality:
// <what>" in its log and goes on, leaving code out; that is refused. A
// matrix swizzle is placed at the swizzle, anything else at the entry point.
void PlaceMissingFunctionality(const std::string& log, const Tree& tree, const SourceSet& sources,
                               const SourcePosition& entry);

} // namespace hlsl
