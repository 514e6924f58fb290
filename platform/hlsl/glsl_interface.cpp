// The stage's inputs and outputs as SPIRV-Cross reflects them from glslang's
// SPIR-V: semantics, types, locations, and Direct3D's rules for them.

#include "platform/hlsl/glsl.h"

#include "platform/include/d3d11_limits.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <tuple>

namespace hlsl {

namespace {

constexpr std::uint32_t kRenderTargets = D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT;

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

const char* BuiltInSemantic(SpvBuiltIn builtIn)
{
    switch (builtIn) {
    case SpvBuiltInPosition:
    case SpvBuiltInFragCoord:
        return "SV_POSITION";
    case SpvBuiltInVertexIndex:
    case SpvBuiltInVertexId:
        return "SV_VERTEXID";
    case SpvBuiltInInstanceIndex:
    case SpvBuiltInInstanceId:
        return "SV_INSTANCEID";
    case SpvBuiltInPrimitiveId:
        return "SV_PRIMITIVEID";
    case SpvBuiltInFrontFacing:
        return "SV_ISFRONTFACE";
    case SpvBuiltInFragDepth:
        return "SV_DEPTH";
    case SpvBuiltInClipDistance:
        return "SV_CLIPDISTANCE";
    case SpvBuiltInCullDistance:
        return "SV_CULLDISTANCE";
    case SpvBuiltInLayer:
        return "SV_RENDERTARGETARRAYINDEX";
    case SpvBuiltInViewportIndex:
        return "SV_VIEWPORTARRAYINDEX";
    case SpvBuiltInSampleId:
        return "SV_SAMPLEINDEX";
    case SpvBuiltInSampleMask:
        return "SV_COVERAGE";
    case SpvBuiltInInvocationId:
        return "SV_GSINSTANCEID";
    default:
        return "SV_UNKNOWN";
    }
}

ComponentType ComponentTypeOf(spvc_basetype base)
{
    switch (base) {
    case SPVC_BASETYPE_INT32:
    case SPVC_BASETYPE_INT16:
    case SPVC_BASETYPE_INT8:
        return ComponentType::Int;
    case SPVC_BASETYPE_UINT32:
    case SPVC_BASETYPE_UINT16:
    case SPVC_BASETYPE_UINT8:
    case SPVC_BASETYPE_BOOLEAN:
        return ComponentType::Uint;
    default:
        return ComponentType::Float;
    }
}

struct InterfaceReader {
    spvc_compiler compiler;
    const SpirvModule& module;

    bool PerVertexInput(bool input) const { return input && module.stage == ShaderStage::Geometry; }

    StageVariable Describe(const spvc_reflected_resource& resource, bool input, std::optional<SpvBuiltIn> builtIn) const
    {
        StageVariable variable;
        const char* semantic = spvc_compiler_get_decoration_string(compiler, resource.id, SpvDecorationUserSemantic);
        std::tie(variable.semantic, variable.semanticIndex) =
            SplitSemantic(semantic && *semantic
                              ? std::string_view(semantic)
                              : std::string_view(builtIn ? BuiltInSemantic(*builtIn) : resource.name));
        const spvc_type type = spvc_compiler_get_type_handle(compiler, resource.type_id);
        variable.componentType = ComponentTypeOf(spvc_type_get_basetype(type));
        variable.componentCount = spvc_type_get_vector_size(type);
        std::uint32_t count = std::max(spvc_type_get_columns(type), 1u);
        const unsigned dimensions = spvc_type_get_num_array_dimensions(type);
        // The outermost dimension of a geometry input is the vertex.
        const unsigned counted = PerVertexInput(input) && dimensions > 0 ? dimensions - 1 : dimensions;
        for (unsigned d = 0; d < counted; ++d)
            count *= std::max(spvc_type_get_array_dimension(type, d), 1u);
        variable.locationCount = count;
        variable.systemValue = builtIn.has_value();
        if (!builtIn)
            variable.location = spvc_compiler_get_decoration(compiler, resource.id, SpvDecorationLocation);
        // glslang splits an array into one variable per element, each with
        // the array's semantic ("taps[2]"); Direct3D numbers the elements on
        // from the array's semantic index.
        if (const std::optional<std::uint32_t> element = ArrayElement(spvc_compiler_get_name(compiler, resource.id)))
            variable.semanticIndex += *element * variable.locationCount;
        return variable;
    }

    static std::optional<std::uint32_t> ArrayElement(const char* name)
    {
        const std::string_view text(name ? name : "");
        if (!text.ends_with(']'))
            return std::nullopt;
        const std::size_t open = text.rfind('[');
        if (open == std::string_view::npos)
            return std::nullopt;
        const std::string_view digits = text.substr(open + 1, text.size() - open - 2);
        if (digits.empty() || digits.size() > 6
            || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        std::uint32_t element = 0;
        for (char c : digits)
            element = element * 10 + static_cast<std::uint32_t>(c - '0');
        return element;
    }
};

// Direct3D's rules for which semantics a stage may read and write.
void CheckSemantics(const SpirvModule& module, const std::vector<InterfaceVariable>& variables, bool input)
{
    const std::string kind = std::string(input ? "input" : "output");
    const auto refuse = [&](const StageVariable& v, const std::string& why) {
        Refuse(module.entryPosition,
               "invalid " + module.profile + " " + kind + " semantic " + Quoted(SemanticText(v)) + ": " + why);
    };
    std::set<std::pair<std::string, std::uint32_t>> seen;
    for (const InterfaceVariable& entry : variables) {
        const StageVariable& v = entry.reflected;
        const bool target = v.semantic == "SV_TARGET";
        const bool pixel = module.stage == ShaderStage::Pixel;
        if (!input && pixel && !target && !v.systemValue)
            refuse(v, "a pixel shader writes only SV_Target and SV_Depth");
        if (!input && pixel && target && v.semanticIndex >= kRenderTargets)
            refuse(v, "there are 8 render targets, SV_Target0 to SV_Target7");
        if (!input && !pixel && (target || v.semantic == "SV_DEPTH"))
            refuse(v, "only a pixel shader writes it");
        if (input && target)
            refuse(v, "it is a pixel shader output");
        if (input && module.stage == ShaderStage::Vertex && v.systemValue && v.semantic != "SV_VERTEXID"
            && v.semantic != "SV_INSTANCEID")
            refuse(v, "a vertex shader reads only SV_VertexID and SV_InstanceID among system values");
        // A vertex stage reads SV_Position from the input layout, by name.
        const bool vertexPosition = input && module.stage == ShaderStage::Vertex && v.semantic == "SV_POSITION";
        if (!v.systemValue && !target && !vertexPosition && v.semantic.starts_with("SV_"))
            refuse(v, std::string("this system value is not supported in the ") + StageName(module.stage) + " stage");
        if (!v.systemValue && !seen.emplace(v.semantic, v.semanticIndex).second)
            refuse(v, "it is used twice");
    }
}

// The declared vertex inputs the optimizer removed because nothing reads
// them: they stay in the signature, without a location.
void AddUnreadInputs(const SpirvModule& module, std::vector<InterfaceVariable>& variables)
{
    for (const DeclaredInput& declared : module.declaredInputs) {
        StageVariable v;
        std::tie(v.semantic, v.semanticIndex) = SplitSemantic(declared.semantic);
        const bool read = std::any_of(variables.begin(), variables.end(), [&](const InterfaceVariable& entry) {
            return !entry.reflected.systemValue && entry.reflected.semantic == v.semantic
                   && entry.reflected.semanticIndex == v.semanticIndex;
        });
        if (read)
            continue;
        v.componentType = declared.componentType;
        v.componentCount = declared.componentCount;
        v.locationCount = declared.locationCount;
        v.location = kNoLocation;
        variables.push_back({0, std::move(v), {}});
    }
}

} // namespace

std::string SemanticText(const StageVariable& variable)
{
    return variable.semantic + (variable.semanticIndex ? std::to_string(variable.semanticIndex) : "");
}

std::pair<std::string, std::uint32_t> SplitSemantic(std::string_view semantic)
{
    std::size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1])))
        --digits;
    std::uint32_t index = 0;
    // An index too long to be one is left as part of the name.
    if (semantic.size() - digits > 9)
        digits = semantic.size();
    for (std::size_t i = digits; i < semantic.size(); ++i)
        index = index * 10 + static_cast<std::uint32_t>(semantic[i] - '0');
    return {UpperCase(semantic.substr(0, digits)), index};
}

std::vector<InterfaceVariable> ReadInterface(const CrossCompiler& cross, bool input)
{
    const spvc_compiler compiler = cross.Get();
    const spvc_resources resources = cross.Resources();
    const SpirvModule& module = cross.Module();
    InterfaceReader reader{compiler, module};
    std::vector<InterfaceVariable> variables;

    const spvc_reflected_resource* list = nullptr;
    std::size_t count = 0;
    spvc_resources_get_resource_list_for_type(
        resources, input ? SPVC_RESOURCE_TYPE_STAGE_INPUT : SPVC_RESOURCE_TYPE_STAGE_OUTPUT, &list, &count);
    for (std::size_t i = 0; i < count; ++i)
        variables.push_back({list[i].id, reader.Describe(list[i], input, std::nullopt), {}});

    const spvc_reflected_builtin_resource* builtIns = nullptr;
    count = 0;
    spvc_resources_get_builtin_resource_list_for_type(
        resources, input ? SPVC_BUILTIN_RESOURCE_TYPE_STAGE_INPUT : SPVC_BUILTIN_RESOURCE_TYPE_STAGE_OUTPUT,
        &builtIns, &count);
    for (std::size_t i = 0; i < count; ++i)
        variables.push_back({builtIns[i].resource.id,
                             reader.Describe(builtIns[i].resource, input, builtIns[i].builtin), {}});

    if (input)
        AddUnreadInputs(module, variables);
    CheckSemantics(module, variables, input);

    for (InterfaceVariable& entry : variables) {
        StageVariable& v = entry.reflected;
        if (v.systemValue || v.location == kNoLocation)
            continue;
        // A geometry stage's clip and cull distance inputs link by their own
        // semantics to the vertex stage's plain outputs (LowerDistanceInputs).
        if (input && (v.semantic == kClipInputSemantic || v.semantic == kCullInputSemantic))
            v.semantic = v.semantic == kClipInputSemantic ? "SV_CLIPDISTANCE" : "SV_CULLDISTANCE";
        entry.glslName = std::string(input ? "fxsc_in_" : "fxsc_out_") + SemanticIdentifier(v.semantic)
                         + std::to_string(v.semanticIndex);
        spvc_compiler_set_name(compiler, entry.variable, entry.glslName.c_str());
        // Vertex inputs and render-target outputs keep fixed locations.
        const bool fixedLocation = (input && module.stage == ShaderStage::Vertex)
                                   || (!input && module.stage == ShaderStage::Pixel);
        if (!fixedLocation)
            v.locationMacro = LocationMacro(input, v.semantic, v.semanticIndex);
    }
    std::stable_sort(variables.begin(), variables.end(), [](const InterfaceVariable& a, const InterfaceVariable& b) {
        if (a.reflected.systemValue != b.reflected.systemValue)
            return !a.reflected.systemValue;
        return a.reflected.location < b.reflected.location;
    });
    return variables;
}

} // namespace hlsl
