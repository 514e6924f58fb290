#pragma once

// The last stage of a compile: SPIRV-Cross writes the module as GLSL 4.50 in
// the container's conventions (shader_container.h), and the passes here
// read the stage's interface and resources from it, refuse what Direct3D
// would refuse or GLSL cannot express, give every resource its Direct3D slot
// and GL binding, and check the GLSL as GL will see it.
//
// The stage's output is the ShaderContainer.

#include "platform/hlsl/spirv.h"

#include <spirv_cross_c.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace hlsl {

// SPIRV-Cross's GLSL compiler over one module, set up for GL 4.50 with
// separate stages, and its reflection of the module's resources.
class CrossCompiler {
public:
    // Refuses a module SPIRV-Cross cannot read, or one without the entry point.
    CrossCompiler(const SpirvModule& module, const std::vector<std::uint32_t>& words);
    CrossCompiler(const CrossCompiler&) = delete;
    CrossCompiler& operator=(const CrossCompiler&) = delete;

    const SpirvModule& Module() const { return module_; }
    spvc_compiler Get() const { return compiler_; }
    spvc_resources Resources() const { return resources_; }
    // Valid while the compiler lives.
    std::span<const spvc_reflected_resource> List(spvc_resource_type type) const;

    // Refuses at the entry point, with SPIRV-Cross's last error.
    [[noreturn]] void Fail(const std::string& what) const;

private:
    static void OnError(void* self, const char* message);

    struct ContextDeleter {
        void operator()(spvc_context context) const { spvc_context_destroy(context); }
    };

    const SpirvModule& module_;
    // Owns everything SPIRV-Cross allocates for this module.
    std::unique_ptr<spvc_context_s, ContextDeleter> context_;
    spvc_compiler compiler_ = nullptr;
    spvc_resources resources_ = nullptr;
    std::string lastError_;
};

// One input or output of the stage.
struct InterfaceVariable {
    spvc_variable_id variable = 0;
    StageVariable reflected;
    std::string glslName; // the name given to a variable with a location
};

// A resource the GLSL binds, with its Direct3D slot.
struct BoundResource {
    spvc_variable_id variable = 0;
    spvc_type_id baseType = 0;
    std::string name;
    ResourceClass resourceClass = ResourceClass::Other;
    std::size_t declarationOrder = 0;
    std::optional<std::uint32_t> explicitSlot;
    std::uint32_t slot = 0;
    std::uint32_t count = 1; // an array of textures takes one slot per element
    SourcePosition position;
    const ResourceDeclaration* declaration = nullptr;
};

// ---- Checks -----------------------------------------------------------------------

// RW resources exist only in ps_5_0, as in Direct3D 11.
void CheckReadWriteResources(const SpirvModule& module, const std::vector<UnboundResource>& unbound);

// What is left after LowerUnboundResources that no pass knows: refused.
void CheckUnsupportedResources(const CrossCompiler& cross);

// ---- Reads ------------------------------------------------------------------------

// Reads the stage's inputs or outputs, refuses what Direct3D would refuse
// (SV_Target outside the pixel stage, a semantic used twice, ...), names
// every variable with a location fxsc_in_<semantic><index> or
// fxsc_out_<semantic><index>, and gives a location macro to those the layer
// links. Vertex inputs and render-target outputs keep fixed locations.
// Variables with locations come first, by location, then system values.
std::vector<InterfaceVariable> ReadInterface(const CrossCompiler& cross, bool input);

// The constant buffers, textures and samplers the entry point uses, and the
// read-only buffers among `unbound`, which take t registers of their own.
std::vector<BoundResource> ReadBoundResources(const CrossCompiler& cross, const std::vector<UnboundResource>& unbound);

// register() gives the slot; the rest take the lowest free slot of their
// class in declaration order, as the HLSL compiler assigns them (an array
// takes a run of free slots, one per element). Refuses a register out of
// range, two resources on one register, and a class with no slot left.
void AssignSlots(std::vector<BoundResource>& resources);

// ---- Lowerings --------------------------------------------------------------------

// Each constant buffer, checked against HLSL packing, becomes the uniform
// block at its binding; one whose members all have one basic type is
// flattened into rows. Returns the flattened blocks' GLSL names and
// bindings, for LowerFlattenedBlocks.
std::vector<std::pair<std::string, std::uint32_t>> LowerConstantBuffers(const CrossCompiler& cross,
                                                                        const std::vector<BoundResource>& resources,
                                                                        ShaderContainer& container);

// Each texture and sampler pair becomes a combined sampler at a texture unit
// of the stage's own; refuses more pairs than the stage has units.
void LowerSamplers(const CrossCompiler& cross, const std::vector<BoundResource>& resources,
                   ShaderContainer& container);

// The GLSL text.
std::string WriteGlsl(const CrossCompiler& cross);

// SPIRV-Cross writes a flattened block as a plain uniform array; GL needs it
// in a uniform block to be fed from a buffer.
void LowerFlattenedBlocks(std::string& glsl, const std::vector<std::pair<std::string, std::uint32_t>>& flattened,
                          const SourcePosition& at);

// Every linked input and output is declared at layout(location = MACRO),
// the macro defaulting to its own location right after the #version line.
void LowerLocationMacros(std::string& glsl, const std::vector<InterfaceVariable>& inputs,
                         const std::vector<InterfaceVariable>& outputs, const SourcePosition& at);

// SV_Depth: Direct3D clamps a written depth to the viewport's MinDepth and
// MaxDepth and turns NaN into MinDepth; GL clamps a float depth buffer's
// value to 0..1 only, and leaves NaN to the driver. Every write of
// gl_FragDepth is followed by that rule, on the bits, so that no driver can
// take NaN for a number.
void LowerDepthOutput(std::string& glsl);

// f32tof16 (packHalf2x16 in the GLSL) follows Direct3D's conversion to
// float16: rounded toward zero, a value beyond the largest half gives the
// largest half and never infinity; GLSL leaves the rounding to the driver
// and Mesa rounds to nearest. The conversion is done on the bits.
void LowerHalfPacking(std::string& glsl);

// Every size query of a texture (textureSize, textureQueryLevels) gives 0
// where the layer marks the query's unit empty in the stage's
// EmptyTexturesUniformName uniform, as Direct3D's GetDimensions does on an
// empty slot. Needs the combined samplers LowerSamplers placed.
void LowerEmptyTextureSizes(std::string& glsl, const ShaderContainer& container, const SourcePosition& at);

// A vertex stage's gl_ClipDistance and gl_CullDistance: under
// kGeometryFollowsMacro they leave gl_PerVertex and become plain arrays, as
// only the last stage before the rasterizer clips, copied at the end of main
// into one plain output per semantic (SV_CLIPDISTANCE0, ...), which the
// geometry stage reads. Those outputs are added to `outputs`, after every
// other output's locations.
void LowerVertexClipDistances(std::string& glsl, const std::vector<DistanceOutput>& distances,
                              std::vector<StageVariable>& outputs);

// A geometry stage's stream outputs that carry the renamed semantics of its
// input (a structure both read and emitted) are clip and cull distances
// again: each is a plain variable copied into gl_ClipDistance or
// gl_CullDistance before every EmitVertex(), and reflected as the built-in.
// A stream that also writes the built-ins otherwise is refused.
void LowerGeometryDistanceOutputs(std::string& glsl, std::vector<StageVariable>& outputs, const SourcePosition& at);

// A geometry stage that emits points: each is moved, before it is emitted,
// to the centre of the one pixel Direct3D's rule gives it (see
// kViewportUniform).
void LowerPointPlacement(std::string& glsl);

// One value a vertex carries to the rasterizer: an output variable, a
// member of the output gl_PerVertex block, or a built-in output.
struct VertexValue {
    std::string type;      // "vec3", "float", "int", "mat4"
    std::string name;      // the GLSL variable
    std::string arraySize; // "3" for name[3]; empty for one value
    std::string qualifiers; // "noperspective ", "flat ", ...: what stands before "out"
};

// What a stage's GLSL hands the rasterizer per vertex: its location-bound
// outputs, the members of its output gl_PerVertex block (left out under
// kGeometryFollowsMacro) and the built-ins it writes (gl_PrimitiveID,
// gl_Layer, gl_ViewportIndex). Nothing when a declaration has a shape this
// does not read, or gl_Position is missing.
std::optional<std::vector<VertexValue>> ReadVertexValues(const std::string& glsl);

// The 32-bit components a value takes; 0 for a type this does not know.
int VertexValueComponents(const VertexValue& value);

// GLSL: struct fxsc_Vertex with one member per value, fxsc_read_vertex()
// and fxsc_write_vertex() between it and the outputs, and
// fxsc_mix_vertices(), which blends three on a triangle's plane.
std::string VertexFunctions(const std::vector<VertexValue>& values);

// A geometry stage that emits triangles: under kFillRuleMacro each triangle
// of its strips goes out on its own, marked for the pixel stage's test when
// a pixel centre lies on one of its edge lines, and followed then by a copy
// grown by a pixel (see kFillRuleMacro). A stage with several streams, or
// with outputs of a shape this does not read, is left as it is.
void LowerFillRule(std::string& glsl);

// A pixel stage: under kFillRuleMacro, the test of the fill rule's marks
// first in main(), and the discard it decides on every way out of main().
// Left out where depth and stencil are tested before the stage runs, since a
// discard would not undo their writes there.
void LowerFillRuleTest(std::string& glsl);

// ---- The GLSL as GL will see it ---------------------------------------------------

// A compile that succeeds must give a shader that CreateVertexShader and
// friends accept. SPIRV-Cross can still write GLSL that a GL 4.50 compiler
// refuses (a texture offset that is not a constant expression, an offset
// out of range), so the text is compiled once more by glslang's GLSL front
// end as an OpenGL 4.50 core shader. Returns glslang's first error, without
// its GLSL place, or nothing when the text compiles and links as one stage.
// The stage's location macros keep their #ifndef defaults.
std::optional<std::string> GlslError(ShaderStage stage, const std::string& glsl);

// Refuses a geometry shader whose [maxvertexcount] times the components of
// its output vertex passes Direct3D's limit of 32-bit values one invocation
// may emit.
void CheckGeometryOutputSize(const ShaderContainer& container, const SourcePosition& at);

// The same check for a finished container, refused at `at` (the entry point).
void CheckGeneratedGlsl(const ShaderContainer& container, const SourcePosition& at);

// ---- Names shared by the passes -------------------------------------------------------

// GL matches uniforms by name across the stages of one program, while each
// Direct3D stage has its own slots: every stage names its uniforms apart.
std::string UniformPrefix(ShaderStage stage);

// The GLSL name of a combined sampler: fxsc_ps_t0_s1, fxsc_ps_t2 (a Load
// without a sampler).
std::string CombinedSamplerName(ShaderStage stage, const CombinedSampler& sampler);

// "TEXCOORD3" -> ("TEXCOORD", 3); "sv_target" -> ("SV_TARGET", 0).
std::pair<std::string, std::uint32_t> SplitSemantic(std::string_view semantic);

// The semantic as written: "TEXCOORD3", "NORMAL".
std::string SemanticText(const StageVariable& variable);

} // namespace hlsl
