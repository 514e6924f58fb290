#pragma once

// The compiled-code container that D3DX11CompileFromFileA returns in its blob
// and that the Direct3D 11 layer accepts in CreateVertexShader and friends.
//
// It holds one stage's GLSL 4.50 and the reflection the layer needs to bind
// resources by Direct3D slot and to link stages by semantic name.
//
// GLSL conventions:
// - Constant buffer slot N of stage S is the uniform block with
//   layout(binding = ConstantBufferBinding(S, N)).
// - Each texture/sampler pair the stage uses is one combined sampler with
//   layout(binding = unit), unit being the pair's textureUnit. An array of
//   textures (Texture2D layers[3]) is one array of combined samplers: element
//   i reads texture slot textureSlot + i through unit textureUnit + i.
// - StructuredBuffer, ByteAddressBuffer, Buffer<T>, tbuffer and every RW
//   resource are slots the layer never binds; the GLSL has no declaration for
//   them (their reads are zero, their writes dropped; see spirv.h).
// - Uniform names carry the stage (fxsc_vs_cb0, fxsc_ps_t0_s0, ...), so the
//   stages link into one GL program without clashing.
// - Vertex inputs keep the fixed locations recorded in `inputs`.
// - Every other stage input and every stage output except the pixel stage's
//   render-target outputs is declared with layout(location = MACRO), MACRO
//   being the variable's `locationMacro`. The GLSL defines each macro under
//   #ifndef to its `location`, so the text compiles on its own; the layer
//   links two stages by defining the downstream stage's input macros (right
//   after the #version line) to the locations of the upstream outputs with the
//   same semantic. The compiler names the macros FXSC_IN_<SEMANTIC><index> and
//   FXSC_OUT_<SEMANTIC><index> ("FXSC_IN_TEXCOORD3", "FXSC_OUT_NORMAL0"), and
//   the variables fxsc_in_<SEMANTIC><index> and fxsc_out_<SEMANTIC><index>.
// - systemValue is set exactly for GLSL built-ins (SV_Position, SV_VertexID,
//   SV_Depth, ...); SV_Target outputs are ordinary outputs at location N, and
//   an SV_Position vertex input is an ordinary input fed by the input layout.
// - Only the last stage before the rasterizer clips: a vertex stage's
//   SV_ClipDistance and SV_CullDistance outputs are GL built-ins only while
//   kGeometryFollowsMacro is undefined; the layer defines it when a geometry
//   stage follows, and they become plain outputs, one per register
//   (semantic SV_CLIPDISTANCE or SV_CULLDISTANCE, its index, systemValue
//   false, listed beside the built-in), which link to the geometry stage's
//   inputs of the same semantic like any other.

#include "platform/include/d3d11_limits.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

enum class ShaderStage : std::uint32_t { Vertex = 0, Geometry = 1, Pixel = 2 };

// The stage's short name as Direct3D writes it in its method and profile
// names (VSSetShader, ps_5_0): "vs", "gs" or "ps". The GLSL's uniform names
// and the layer's journal use it; messages name the stage in full
// (StageName in compile_messages.h).
constexpr const char* StageShortName(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::Vertex:
        return "vs";
    case ShaderStage::Geometry:
        return "gs";
    case ShaderStage::Pixel:
        break;
    }
    return "ps";
}

enum class ComponentType : std::uint32_t { Float = 0, Int = 1, Uint = 2 };

constexpr std::uint32_t kNoSlot = 0xFFFFFFFFu;
// The location of a vertex input the code declares but never reads: it is
// part of the input signature, but the GLSL has no variable for it.
constexpr std::uint32_t kNoLocation = 0xFFFFFFFFu;

// One input or output of a stage, identified by its semantic.
struct StageVariable {
    std::string semantic;            // upper case, without the index: "TEXCOORD"
    std::uint32_t semanticIndex = 0; // "TEXCOORD3" has index 3
    ComponentType componentType = ComponentType::Float;
    std::uint32_t componentCount = 4;
    std::uint32_t location = 0;      // GLSL location (default value of the macro)
    std::uint32_t locationCount = 1; // a matrix or array takes several
    std::string locationMacro;       // empty for vertex inputs and pixel outputs
    bool systemValue = false;        // SV_Position and friends map to GLSL built-ins
};

struct ConstantBuffer {
    std::string name;
    std::uint32_t slot = 0;      // register(bN)
    std::uint32_t byteSize = 0;  // HLSL size, rounded up to 16
    std::uint32_t binding = 0;   // GLSL uniform block binding
};

struct CombinedSampler {
    std::uint32_t textureSlot = 0;       // register(tN)
    std::uint32_t samplerSlot = kNoSlot; // register(sN), kNoSlot for Load/operator[]
    std::uint32_t textureUnit = 0;       // GLSL binding of the combined sampler
    std::uint32_t arraySize = 1;         // elements of an array of textures
};

// ---- Dynamic linkage (shader model 5) ----------------------------------------
//
// A call through an abstract interface instance is compiled as a switch over
// the class instances that may fill its interface slot. The GLSL declares
//   uniform uint fxsc_<stage>_interfaces[interfaceSlotCount];
// (InterfaceUniformName; it has an explicit location, but the layer finds it
// by name): element k holds the `id` of the ClassInstanceRecord
// bound to interface slot k, 0 for none. The layer sets it when the shader is
// bound with its class instances; nothing is compiled on the frame path.

// One abstract instance (`iBaseLight g_light;`, `iBaseLight g_lights[2];`, or
// a `uniform iBaseLight` entry parameter).
struct InterfaceSlotRecord {
    std::string name;            // the instance variable: "g_light"
    std::string interfaceName;   // "iBaseLight"
    std::uint32_t slot = 0;      // its first interface slot
    std::uint32_t arraySize = 1; // an array takes this many slots from `slot`
};

// One class instance that the code may call through a slot: an instance the
// shader declares (ID3D11ClassLinkage::GetClassInstance finds it by name and
// array index), or, for a class without data members, the instance that
// CreateClassInstance makes (instanceName empty).
struct ClassInstanceRecord {
    std::uint32_t id = 0;                // 1, 2, ...: the value the switch tests
    std::string typeName;                // the class: "cAmbientLight"
    std::string instanceName;            // "g_ambientLight"; empty for a created one
    std::uint32_t instanceIndex = 0;     // element of an array of instances
    std::vector<std::string> interfaces; // every interface the class implements, its bases' included
};

struct ShaderContainer {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entryPoint;
    std::string glsl;
    std::vector<StageVariable> inputs;
    std::vector<StageVariable> outputs;
    std::vector<ConstantBuffer> constantBuffers;
    std::vector<CombinedSampler> samplers;
    std::uint32_t geometryMaxVertices = 0; // geometry stage only
    std::uint32_t interfaceSlotCount = 0;  // Direct3D's interface slots, 0 without dynamic linkage
    std::vector<InterfaceSlotRecord> interfaceSlots;
    std::vector<ClassInstanceRecord> classInstances;
};

// "fxsc_ps_interfaces": the uniform array of a stage's chosen class instances.
inline std::string InterfaceUniformName(ShaderStage stage)
{
    return std::string("fxsc_") + StageShortName(stage) + "_interfaces";
}

constexpr const char* kGeometryFollowsMacro = "FXSC_GEOMETRY_FOLLOWS";

// ---- Empty texture slots ------------------------------------------------------
//
// Direct3D gives 0 for every size and the mip level count of an empty slot;
// the layer binds a texture of zeros there, whose sizes GL reports. A stage
// that asks a texture for its size declares
//   layout(location = EmptyTexturesLocation(stage)) uniform uint fxsc_<stage>_empty_textures;
// (EmptyTexturesUniformName): bit i set when unit TextureUnit(stage, i) has
// no view bound, and every size query selects 0 while its unit's bit is set.
// GL starts the uniform at 0, all bound; the layer sets it when it changes.
// The locations sit at the top of the 1024 that GL 4.5 promises, one per
// stage, apart from any other uniform's.
inline std::string EmptyTexturesUniformName(ShaderStage stage)
{
    return std::string("fxsc_") + StageShortName(stage) + "_empty_textures";
}

constexpr std::uint32_t EmptyTexturesLocation(ShaderStage stage)
{
    return 1020 + static_cast<std::uint32_t>(stage);
}

// ---- Ties at pixel centres: points and triangles ----------------------------
//
// Direct3D snaps window positions to 1/256 of a pixel and rasterizes under
// the top-left rule: a pixel centre exactly on an edge is covered when the
// edge is a top edge (horizontal, the triangle below it) or a left edge; a
// point is a 1 x 1 square under the same rule. GL leaves those ties to the
// driver. Both are made explicit from the viewport: a geometry stage that
// emits points or triangles declares
//   layout(location = kViewportLocation) uniform vec4 fxsc_gs_viewport;
// (kViewportUniform: the viewport's TopLeftX, TopLeftY, Width and Height),
// which the layer sets when it changes.
//
// Points: each is moved to the centre of the pixel Direct3D covers, where no
// edge passes through a pixel centre.
//
// Triangles: under kFillRuleMacro, which the layer defines to a free
// location for both the geometry and the pixel stage, the geometry stage
// emits each triangle of its strips on its own with
//   layout(location = FXSC_FILL_RULE) flat out ivec4 fxsc_fill_rule[2];
// holding the snapped vertices and a mark: (x0, y0, x1, y1) and
// (x2, y2, mode, given) in 1/256 of a pixel; bit k of `given` is set when
// edge k (0 to 1, 1 to 2, 2 to 0) is a top or left edge, bit 3 + k when
// both edges at vertex k are. Mode 0: no edge line of
// the triangle meets a pixel centre, and the driver's coverage is
// Direct3D's. Mode 1: the triangle as it is, whose pixel stage drops the
// centres on its edges. Mode 2: the same triangle grown by a pixel on every
// side, right after it, whose pixel stage keeps only the centres on its
// edges that the rule gives it. What the pixel stage reads flat or without
// perspective the layer names with FillRuleInputDefines, so that the grown
// copy carries it as the triangle does. A vertex stage with no geometry
// stage after it gets one that passes its triangles through
// (FillRuleGeometry). A program whose stages do not link so (too many
// outputs for the geometry stage, no free location) is linked without, and
// the driver's rule holds there.
constexpr const char* kViewportUniform = "fxsc_gs_viewport";
constexpr std::uint32_t kViewportLocation = 1023;
constexpr const char* kFillRuleMacro = "FXSC_FILL_RULE";

// Distinct uniform block bindings per stage, as Direct3D keeps constant buffer
// slots per stage.
constexpr std::uint32_t ConstantBufferBinding(ShaderStage stage, std::uint32_t slot)
{
    return static_cast<std::uint32_t>(stage) * D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT + slot;
}

// Texture units: 16 per stage, the most GL 4.5 promises each stage.
constexpr std::uint32_t kTextureUnitsPerStage = 16;

constexpr std::uint32_t TextureUnit(ShaderStage stage, std::uint32_t pairIndex)
{
    return static_cast<std::uint32_t>(stage) * kTextureUnitsPerStage + pairIndex;
}

// ---- Linking stages by semantic ----------------------------------------------

// The semantic as a part of a GLSL identifier: upper case, and "__", which
// GLSL reserves, written "_U_".
std::string SemanticIdentifier(std::string_view semantic);

// The macro that holds the location of a linked stage input or output:
// FXSC_IN_TEXCOORD3, FXSC_OUT_COLOR0 (the semantic, then its index).
// Semantic names never end in a digit, so the name is unambiguous.
std::string LocationMacro(bool input, std::string_view semantic, std::uint32_t index);

// The #define lines that place each of `inputs` at the location of the
// upstream output with the same semantic; lines that would repeat a macro's
// own default are left out. An input no upstream output writes gets a
// location of its own above every upstream output.
std::string LinkDefines(const std::vector<StageVariable>& upstreamOutputs, const std::vector<StageVariable>& inputs);

// "#define FXSC_FILL_RULE n": the fill rule's marks at the first location
// after every upstream output and every input that LinkDefines places;
// nothing when the two locations they take are not among the 32 that GL 4.5
// promises between two stages.
std::optional<std::string> FillRuleDefine(const std::vector<StageVariable>& upstreamOutputs,
                                          const std::vector<StageVariable>& inputs);

// The defines that tell a geometry stage with the fill rule which of its
// outputs the pixel stage reads flat or without perspective, so that the
// grown copy of a triangle carries them as the triangle does.
std::string FillRuleInputDefines(const std::string& pixelGlsl);

// Whether a geometry or pixel stage's GLSL carries its half of the fill rule.
bool HasFillRule(const std::string& glsl);

// The geometry stage that passes a vertex stage's triangles through with the
// fill rule's marks, for a program without a geometry stage; empty when the
// vertex stage's outputs have a shape it does not copy.
std::string FillRuleGeometry(const ShaderContainer& vertex);

// The GLSL with `defines` inserted after its #version line and any
// #extension lines that follow it.
std::string InsertDefines(const std::string& glsl, const std::string& defines);

// ---- Bytes ----------------------------------------------------------------------

std::vector<std::uint8_t> SerializeContainer(const ShaderContainer& container);

// Returns nothing when the bytes are not a container of this version.
std::optional<ShaderContainer> ParseContainer(std::span<const std::uint8_t> bytes);

} // namespace hlsl
