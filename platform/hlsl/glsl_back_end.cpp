#include "platform/hlsl/glsl_back_end.h"

#include "platform/hlsl/constant_buffer_check.h"
#include "platform/hlsl/spirv.h"
#include "platform/hlsl/stage_interface.h"

#include <spirv_cross_c.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <span>

namespace hlsl {

namespace {

// GL matches uniforms by name across the stages of one program, while each
// Direct3D stage has its own slots: every stage names its uniforms apart.
std::string UniformPrefix(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::Vertex:
        return "fxsc_vs_";
    case ShaderStage::Geometry:
        return "fxsc_gs_";
    case ShaderStage::Pixel:
        break;
    }
    return "fxsc_ps_";
}

// Direct3D 11's slot counts per stage.
constexpr std::uint32_t kConstantBufferSlots = 14;
constexpr std::uint32_t kTextureSlots = 128;
constexpr std::uint32_t kSamplerSlots = 16;
constexpr std::uint32_t kTextureUnitsPerStage = 16;

class CrossContext {
public:
    CrossContext()
    {
        if (spvc_context_create(&context_) != SPVC_SUCCESS)
            context_ = nullptr;
        else
            spvc_context_set_error_callback(context_, &OnError, this);
    }
    CrossContext(const CrossContext&) = delete;
    CrossContext& operator=(const CrossContext&) = delete;
    ~CrossContext()
    {
        if (context_)
            spvc_context_destroy(context_);
    }

    spvc_context Get() const { return context_; }
    const std::string& LastError() const { return lastError_; }

private:
    static void OnError(void* self, const char* message) { static_cast<CrossContext*>(self)->lastError_ = message; }

    spvc_context context_ = nullptr;
    std::string lastError_;
};

// ---- Resources -------------------------------------------------------------

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

const char* RegisterLetter(ResourceClass resourceClass)
{
    switch (resourceClass) {
    case ResourceClass::ConstantBuffer:
        return "b";
    case ResourceClass::Texture:
        return "t";
    case ResourceClass::Sampler:
        return "s";
    case ResourceClass::Other:
        break;
    }
    return "?";
}

std::uint32_t SlotCount(ResourceClass resourceClass)
{
    switch (resourceClass) {
    case ResourceClass::ConstantBuffer:
        return kConstantBufferSlots;
    case ResourceClass::Texture:
        return kTextureSlots;
    case ResourceClass::Sampler:
        return kSamplerSlots;
    case ResourceClass::Other:
        break;
    }
    return 0;
}

// register() gives the slot; the rest take the lowest free slot of their
// class in declaration order, as the HLSL compiler assigns them (an array
// takes a run of free slots, one per element). Only resources the entry
// point uses take part, as only those are bound.
void AssignSlots(std::vector<BoundResource>& resources)
{
    std::stable_sort(resources.begin(), resources.end(), [](const BoundResource& a, const BoundResource& b) {
        return a.declarationOrder < b.declarationOrder;
    });
    const ResourceClass classes[] = {ResourceClass::ConstantBuffer, ResourceClass::Texture, ResourceClass::Sampler};
    for (ResourceClass resourceClass : classes) {
        const std::string letter = RegisterLetter(resourceClass);
        std::map<std::uint32_t, const BoundResource*> taken;
        for (BoundResource& resource : resources) {
            if (resource.resourceClass != resourceClass || !resource.explicitSlot)
                continue;
            const std::string reg = letter + std::to_string(*resource.explicitSlot);
            if (*resource.explicitSlot >= SlotCount(resourceClass)
                || resource.count > SlotCount(resourceClass) - *resource.explicitSlot)
                Refuse(resource.position, Quoted(resource.name) + ": register(" + reg + ") is out of range; "
                                              + letter + "0 to " + letter
                                              + std::to_string(SlotCount(resourceClass) - 1) + " exist");
            for (std::uint32_t i = 0; i < resource.count; ++i) {
                const auto [it, inserted] = taken.emplace(*resource.explicitSlot + i, &resource);
                if (!inserted)
                    Refuse(resource.position, Quoted(it->second->name) + " and " + Quoted(resource.name)
                                                  + " are both bound to register(" + letter
                                                  + std::to_string(*resource.explicitSlot + i) + ")");
            }
            resource.slot = *resource.explicitSlot;
        }
        std::uint32_t next = 0;
        for (BoundResource& resource : resources) {
            if (resource.resourceClass != resourceClass || resource.explicitSlot)
                continue;
            const auto runIsFree = [&](std::uint32_t first) {
                for (std::uint32_t i = 0; i < resource.count; ++i)
                    if (taken.count(first + i))
                        return false;
                return true;
            };
            std::uint32_t first = next;
            while (first < SlotCount(resourceClass) && !runIsFree(first))
                ++first;
            if (first >= SlotCount(resourceClass) || resource.count > SlotCount(resourceClass) - first)
                Refuse(resource.position, Quoted(resource.name) + ": no " + letter + " register is left for it");
            resource.slot = first;
            for (std::uint32_t i = 0; i < resource.count; ++i)
                taken.emplace(first + i, &resource);
            while (taken.count(next))
                ++next;
        }
    }
}

// ---- GLSL text ----------------------------------------------------------------

// Where text may be inserted after the #version line and the #extension
// lines that must follow it.
std::size_t AfterVersionLines(const std::string& glsl)
{
    std::size_t insertAt = 0;
    bool seenVersion = false;
    for (std::size_t pos = 0; pos < glsl.size();) {
        std::size_t end = glsl.find('\n', pos);
        const std::size_t next = end == std::string::npos ? glsl.size() : end + 1;
        const std::string_view line(glsl.data() + pos, next - pos);
        if (!seenVersion && line.starts_with("#version"))
            seenVersion = true;
        else if (!(seenVersion && line.starts_with("#extension")))
            break;
        insertAt = next;
        pos = next;
    }
    return insertAt;
}

// The line that declares `name` at global scope: "layout(...) ... name;" or
// "layout(...) ... name[3];". Returns its start and end.
std::optional<std::pair<std::size_t, std::size_t>> DeclarationLine(const std::string& glsl, const std::string& name)
{
    for (std::size_t start = 0; start < glsl.size();) {
        std::size_t end = glsl.find('\n', start);
        if (end == std::string::npos)
            end = glsl.size();
        std::string_view line(glsl.data() + start, end - start);
        if (line.starts_with("layout(") && line.ends_with(";")) {
            line.remove_suffix(1);
            if (line.ends_with("]"))
                line = line.substr(0, line.rfind('['));
            if (line.ends_with(" " + name))
                return std::make_pair(start, end);
        }
        start = end + 1;
    }
    return std::nullopt;
}

void UseLocationMacro(std::string& glsl, const InterfaceVariable& variable, const SourcePosition& at)
{
    const auto line = DeclarationLine(glsl, variable.glslName);
    constexpr std::string_view kLocation = "location = ";
    const std::size_t location = line ? glsl.find(kLocation, line->first) : std::string::npos;
    if (!line || location == std::string::npos || location > line->second)
        Refuse(at, "the stage input or output " + Quoted(SemanticText(variable.reflected))
                       + " is not supported by this compiler: a structure with one semantic for all its members "
                         "is not; give each member a semantic of its own");
    const std::size_t digits = location + kLocation.size();
    std::size_t end = digits;
    while (end < glsl.size() && std::isdigit(static_cast<unsigned char>(glsl[end])))
        ++end;
    glsl.replace(digits, end - digits, variable.reflected.locationMacro);
}

// SPIRV-Cross writes a flattened block as a plain uniform array; GL needs it
// in a uniform block to be fed from a buffer.
void WrapFlattenedBlock(std::string& glsl, const std::string& name, std::uint32_t binding, const SourcePosition& at)
{
    constexpr std::string_view kUniform = "uniform ";
    for (const char* type : {"vec4", "ivec4", "uvec4"}) {
        const std::string declaration = std::string(kUniform) + type + " " + name + "[";
        const std::size_t start = glsl.find(declaration);
        if (start == std::string::npos || (start > 0 && glsl[start - 1] != '\n'))
            continue;
        const std::size_t end = glsl.find(';', start);
        if (end == std::string::npos)
            break;
        const std::string member = glsl.substr(start + kUniform.size(), end - start - kUniform.size());
        glsl.replace(start, end + 1 - start,
                     "layout(binding = " + std::to_string(binding) + ", std140) uniform " + name + "_block\n{\n    "
                         + member + ";\n};");
        return;
    }
    Refuse(at, "internal error: constant buffer " + Quoted(name) + " is missing from the generated GLSL");
}

// ---- The translation ----------------------------------------------------------

struct Translation {
    const SpirvModule& module;
    std::vector<std::uint32_t> words; // the module's, as rewritten here
    std::vector<UnboundResource> unbound;
    CrossContext context;
    spvc_compiler compiler = nullptr;
    spvc_resources resources = nullptr;
    ShaderContainer container;

    explicit Translation(const SpirvModule& m) : module(m), words(m.words) {}

    [[noreturn]] void Fail(const std::string& what) const
    {
        Refuse(module.entryPosition, what + (context.LastError().empty() ? "" : ": " + context.LastError()));
    }

    void Open()
    {
        if (!context.Get())
            Fail("cannot start SPIRV-Cross");
        spvc_parsed_ir ir = nullptr;
        if (spvc_context_parse_spirv(context.Get(), words.data(), words.size(), &ir) != SPVC_SUCCESS)
            Fail("internal error: SPIRV-Cross cannot read the module");
        if (spvc_context_create_compiler(context.Get(), SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP,
                                         &compiler)
            != SPVC_SUCCESS)
            Fail("internal error: cannot create the GLSL back end");
        spvc_compiler_options options = nullptr;
        spvc_compiler_create_compiler_options(compiler, &options);
        spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
        // Redeclares gl_PerVertex, as separate stages linked by GL need.
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS, SPVC_TRUE);
        // SV_InstanceID does not count the base instance; no extra uniform.
        spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SUPPORT_NONZERO_BASE_INSTANCE, SPVC_FALSE);
        spvc_compiler_install_compiler_options(compiler, options);

        const spvc_entry_point* entryPoints = nullptr;
        std::size_t entryPointCount = 0;
        spvc_compiler_get_entry_points(compiler, &entryPoints, &entryPointCount);
        if (entryPointCount != 1)
            Refuse(module.entryPosition, "entry point " + Quoted(module.entryPoint) + " not found");
        if (spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS)
            Fail("internal error: cannot reflect the module");
    }

    // Valid while the compiler lives.
    std::span<const spvc_reflected_resource> List(spvc_resource_type type) const
    {
        const spvc_reflected_resource* list = nullptr;
        std::size_t count = 0;
        spvc_resources_get_resource_list_for_type(resources, type, &list, &count);
        return {list, count};
    }

    // Buffers and RW resources are slots nothing binds: Direct3D's rule for
    // an unbound slot is applied to the code (see spirv.h). RW
    // resources exist only in ps_5_0, as in Direct3D 11.
    void ApplyUnboundSlotRule()
    {
        std::optional<std::vector<UnboundResource>> found = LowerUnboundResources(words);
        if (!found)
            Refuse(module.entryPosition, "the entry point's buffers and read-write resources cannot be compiled");
        unbound = std::move(*found);
        for (const UnboundResource& resource : unbound)
            if (resource.readWrite && module.profile != "ps_5_0")
                Refuse(FindDeclaration(resource.name).second,
                       Quoted(resource.name) + ": read-write resources (RWTexture2D, RWBuffer, RWStructuredBuffer and "
                                               "the like) exist only in ps_5_0, not in "
                           + module.profile);
    }

    // What is left after ApplyUnboundSlotRule: uses it does not know.
    void RefuseUnsupportedResources() const
    {
        const std::pair<spvc_resource_type, const char*> unsupported[] = {
            {SPVC_RESOURCE_TYPE_STORAGE_BUFFER, "this use of a structured or byte-address buffer"},
            {SPVC_RESOURCE_TYPE_STORAGE_IMAGE, "this use of a read-write texture or buffer"},
            {SPVC_RESOURCE_TYPE_SAMPLED_IMAGE, "Direct3D 9 style samplers"},
            {SPVC_RESOURCE_TYPE_ATOMIC_COUNTER, "atomic counters"},
            {SPVC_RESOURCE_TYPE_PUSH_CONSTANT, "push constants"},
            {SPVC_RESOURCE_TYPE_SUBPASS_INPUT, "subpass inputs"},
            {SPVC_RESOURCE_TYPE_ACCELERATION_STRUCTURE, "acceleration structures"},
        };
        for (const auto& [type, what] : unsupported)
            for (const spvc_reflected_resource& resource : List(type))
                Refuse(FindDeclaration(resource.name ? resource.name : "").second,
                       Quoted(resource.name ? resource.name : "") + ": " + what + " is not supported");
    }

    std::pair<std::size_t, SourcePosition> FindDeclaration(const std::string& name) const
    {
        for (std::size_t i = 0; i < module.resources.size(); ++i)
            if (module.resources[i].name == name)
                return {i, module.resources[i].position};
        return {module.resources.size(), module.entryPosition};
    }

    BoundResource Bind(const spvc_reflected_resource& resource, ResourceClass resourceClass, const std::string& name)
    {
        BoundResource bound;
        bound.variable = resource.id;
        bound.baseType = resource.base_type_id;
        bound.name = name;
        bound.resourceClass = resourceClass;
        for (std::size_t i = 0; i < module.resources.size(); ++i) {
            const ResourceDeclaration& declaration = module.resources[i];
            if (declaration.name != name || declaration.resourceClass != resourceClass)
                continue;
            bound.declaration = &declaration;
            bound.declarationOrder = i;
            bound.explicitSlot = declaration.slot;
            bound.position = declaration.position;
            return bound;
        }
        // Not found among the declarations: trust the module's binding.
        bound.declarationOrder = module.resources.size();
        bound.position = module.entryPosition;
        if (spvc_compiler_has_decoration(compiler, resource.id, SpvDecorationBinding))
            bound.explicitSlot = spvc_compiler_get_decoration(compiler, resource.id, SpvDecorationBinding);
        return bound;
    }

    std::vector<BoundResource> CollectResources()
    {
        std::vector<BoundResource> bound;
        for (const spvc_reflected_resource& resource : List(SPVC_RESOURCE_TYPE_UNIFORM_BUFFER)) {
            const char* name = spvc_compiler_get_name(compiler, resource.base_type_id);
            bound.push_back(Bind(resource, ResourceClass::ConstantBuffer, name ? name : ""));
        }
        for (const spvc_reflected_resource& resource : List(SPVC_RESOURCE_TYPE_SEPARATE_IMAGE)) {
            const std::string name = resource.name ? resource.name : "";
            const spvc_type type = spvc_compiler_get_type_handle(compiler, resource.type_id);
            const SourcePosition at = FindDeclaration(name).second;
            const unsigned dimensions = spvc_type_get_num_array_dimensions(type);
            if (dimensions > 1)
                Refuse(at, Quoted(name) + ": arrays of arrays of textures are not supported");
            if (dimensions == 1 && !spvc_type_array_dimension_is_literal(type, 0))
                Refuse(at, Quoted(name) + ": an array of textures needs a constant size");
            if (spvc_type_get_image_dimension(type) == SpvDimBuffer)
                Refuse(at, Quoted(name) + ": this use of a typed buffer is not supported");
            BoundResource texture = Bind(resource, ResourceClass::Texture, name);
            if (dimensions == 1)
                texture.count = std::max<std::uint32_t>(spvc_type_get_array_dimension(type, 0), 1);
            bound.push_back(std::move(texture));
        }
        for (const spvc_reflected_resource& resource : List(SPVC_RESOURCE_TYPE_SEPARATE_SAMPLERS)) {
            const std::string name = resource.name ? resource.name : "";
            const spvc_type type = spvc_compiler_get_type_handle(compiler, resource.type_id);
            if (spvc_type_get_num_array_dimensions(type) > 0)
                Refuse(FindDeclaration(name).second, Quoted(name) + ": arrays of samplers are not supported");
            bound.push_back(Bind(resource, ResourceClass::Sampler, name));
        }
        // Read-only buffers the code used still take their t registers, so
        // that the textures declared after them land where Direct3D puts
        // them; they have no GLSL of their own.
        for (const UnboundResource& resource : unbound) {
            if (!resource.takesTextureSlot)
                continue;
            BoundResource buffer;
            buffer.name = resource.name;
            buffer.resourceClass = ResourceClass::Texture;
            const auto [index, at] = FindDeclaration(resource.name);
            buffer.declarationOrder = index;
            buffer.position = at;
            if (index < module.resources.size())
                buffer.explicitSlot = module.resources[index].slot;
            bound.push_back(std::move(buffer));
        }
        AssignSlots(bound);
        return bound;
    }

    // Returns the GLSL name and binding of each flattened block.
    std::vector<std::pair<std::string, std::uint32_t>> ConstantBuffers(const std::vector<BoundResource>& bound)
    {
        std::vector<std::pair<std::string, std::uint32_t>> flattened;
        for (const BoundResource& resource : bound) {
            if (resource.resourceClass != ResourceClass::ConstantBuffer)
                continue;
            const bool flatten = HasOneBasicType(compiler, resource.baseType);
            ConstantBuffer buffer;
            buffer.name = resource.name;
            buffer.slot = resource.slot;
            buffer.byteSize = CheckConstantBufferLayout(
                compiler, {resource.baseType, resource.name, resource.position, resource.declaration}, flatten);
            buffer.binding = ConstantBufferBinding(module.stage, resource.slot);
            const std::string glslName = UniformPrefix(module.stage) + "cb" + std::to_string(buffer.slot);
            spvc_compiler_set_name(compiler, resource.baseType, glslName.c_str());
            spvc_compiler_set_name(compiler, resource.variable, (glslName + "_").c_str());
            spvc_compiler_unset_decoration(compiler, resource.variable, SpvDecorationDescriptorSet);
            spvc_compiler_set_decoration(compiler, resource.variable, SpvDecorationBinding, buffer.binding);
            if (flatten) {
                spvc_compiler_flatten_buffer_block(compiler, resource.variable);
                flattened.emplace_back(glslName, buffer.binding);
            }
            container.constantBuffers.push_back(std::move(buffer));
        }
        std::sort(container.constantBuffers.begin(), container.constantBuffers.end(),
                  [](const ConstantBuffer& a, const ConstantBuffer& b) { return a.slot < b.slot; });
        return flattened;
    }

    void CombinedSamplers(const std::vector<BoundResource>& bound)
    {
        std::map<spvc_variable_id, std::uint32_t> slots;
        std::map<spvc_variable_id, std::uint32_t> counts;
        for (const BoundResource& resource : bound)
            if (resource.variable) {
                slots[resource.variable] = resource.slot;
                counts[resource.variable] = resource.count;
            }

        // Texture.Load reads without a sampler; SPIRV-Cross pairs it with a
        // dummy.
        spvc_variable_id dummy = 0;
        spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummy);
        if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS)
            Fail("internal error: cannot combine textures and samplers");
        const spvc_combined_image_sampler* pairs = nullptr;
        std::size_t count = 0;
        spvc_compiler_get_combined_image_samplers(compiler, &pairs, &count);
        std::uint32_t units = 0;
        for (std::size_t i = 0; i < count; ++i)
            units += counts.count(pairs[i].image_id) ? counts[pairs[i].image_id] : 1;
        if (units > kTextureUnitsPerStage)
            Refuse(module.entryPosition, "the entry point reads " + std::to_string(units)
                                             + " texture and sampler pairs (each element of an array counts); the "
                                               "limit is "
                                             + std::to_string(kTextureUnitsPerStage));
        std::uint32_t nextUnit = 0;
        for (std::size_t i = 0; i < count; ++i) {
            CombinedSampler sampler;
            sampler.textureSlot = slots.count(pairs[i].image_id) ? slots[pairs[i].image_id] : 0;
            sampler.arraySize = counts.count(pairs[i].image_id) ? counts[pairs[i].image_id] : 1;
            const bool withSampler = pairs[i].sampler_id != dummy && slots.count(pairs[i].sampler_id);
            sampler.samplerSlot = withSampler ? slots[pairs[i].sampler_id] : kNoSlot;
            sampler.textureUnit = TextureUnit(module.stage, nextUnit);
            nextUnit += sampler.arraySize;
            std::string name = UniformPrefix(module.stage) + "t" + std::to_string(sampler.textureSlot);
            if (sampler.samplerSlot != kNoSlot)
                name += "_s" + std::to_string(sampler.samplerSlot);
            spvc_compiler_set_name(compiler, pairs[i].combined_id, name.c_str());
            spvc_compiler_unset_decoration(compiler, pairs[i].combined_id, SpvDecorationDescriptorSet);
            spvc_compiler_set_decoration(compiler, pairs[i].combined_id, SpvDecorationBinding, sampler.textureUnit);
            container.samplers.push_back(sampler);
        }
    }

    void Run()
    {
        ApplyUnboundSlotRule();
        Open();
        RefuseUnsupportedResources();

        // Outputs first: they tell most plainly which stage an entry point is for.
        std::vector<InterfaceVariable> outputs = ReadInterface(compiler, resources, module, false);
        std::vector<InterfaceVariable> inputs = ReadInterface(compiler, resources, module, true);
        if (module.pixelOnlyUse)
            throw Refusal{*module.pixelOnlyUse};

        const std::vector<BoundResource> bound = CollectResources();
        const std::vector<std::pair<std::string, std::uint32_t>> flattened = ConstantBuffers(bound);
        CombinedSamplers(bound);

        const char* source = nullptr;
        if (spvc_compiler_compile(compiler, &source) != SPVC_SUCCESS || !source)
            Fail("the entry point cannot be expressed in GLSL");
        std::string glsl = source;

        for (const auto& [name, binding] : flattened)
            WrapFlattenedBlock(glsl, name, binding, module.entryPosition);
        std::string defaults;
        for (const std::vector<InterfaceVariable>* list : {&inputs, &outputs})
            for (const InterfaceVariable& variable : *list) {
                if (variable.reflected.locationMacro.empty())
                    continue;
                UseLocationMacro(glsl, variable, module.entryPosition);
                const std::string& macro = variable.reflected.locationMacro;
                defaults += "#ifndef " + macro + "\n#define " + macro + " "
                            + std::to_string(variable.reflected.location) + "\n#endif\n";
            }
        glsl.insert(AfterVersionLines(glsl), defaults);

        container.stage = module.stage;
        container.entryPoint = module.entryPoint;
        container.glsl = std::move(glsl);
        for (InterfaceVariable& variable : inputs)
            container.inputs.push_back(std::move(variable.reflected));
        for (InterfaceVariable& variable : outputs)
            container.outputs.push_back(std::move(variable.reflected));
        if (module.stage == ShaderStage::Geometry)
            container.geometryMaxVertices =
                spvc_compiler_get_execution_mode_argument(compiler, SpvExecutionModeOutputVertices);
    }
};

} // namespace

CompileResult TranslateToGlsl(const SpirvModule& module)
{
    CompileResult result;
    try {
        Translation translation(module);
        translation.Run();
        result.container = std::move(translation.container);
    } catch (const Refusal& refusal) {
        result.errors.push_back(refusal.diagnostic);
    }
    return result;
}

} // namespace hlsl
