// SPIRV-Cross over the module: setting it up, the resources it reflects, and
// the GLSL it writes.

#include "platform/hlsl/glsl.h"

#include <algorithm>

namespace hlsl {

namespace {

// The declaration of a resource by name, and its place in declaration
// order; the entry point, after every declaration, where there is none.
std::pair<std::size_t, SourcePosition> FindDeclaration(const SpirvModule& module, const std::string& name)
{
    for (std::size_t i = 0; i < module.resources.size(); ++i)
        if (module.resources[i].name == name)
            return {i, module.resources[i].position};
    return {module.resources.size(), module.entryPosition};
}

BoundResource Bind(const CrossCompiler& cross, const spvc_reflected_resource& resource, ResourceClass resourceClass,
                   const std::string& name)
{
    const SpirvModule& module = cross.Module();
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
    if (spvc_compiler_has_decoration(cross.Get(), resource.id, SpvDecorationBinding))
        bound.explicitSlot = spvc_compiler_get_decoration(cross.Get(), resource.id, SpvDecorationBinding);
    return bound;
}

} // namespace

// ---- CrossCompiler ------------------------------------------------------------------

CrossCompiler::CrossCompiler(const SpirvModule& module, const std::vector<std::uint32_t>& words) : module_(module)
{
    spvc_context context = nullptr;
    if (spvc_context_create(&context) != SPVC_SUCCESS)
        Fail("cannot start SPIRV-Cross");
    context_.reset(context);
    spvc_context_set_error_callback(context, &OnError, this);
    spvc_parsed_ir ir = nullptr;
    if (spvc_context_parse_spirv(context, words.data(), words.size(), &ir) != SPVC_SUCCESS)
        Fail("internal error: SPIRV-Cross cannot read the module");
    if (spvc_context_create_compiler(context, SPVC_BACKEND_GLSL, ir, SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler_)
        != SPVC_SUCCESS)
        Fail("internal error: cannot create the GLSL back end");
    spvc_compiler_options options = nullptr;
    spvc_compiler_create_compiler_options(compiler_, &options);
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
    // Redeclares gl_PerVertex, as separate stages linked by GL need.
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS, SPVC_TRUE);
    // SV_InstanceID does not count the base instance; no extra uniform.
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SUPPORT_NONZERO_BASE_INSTANCE, SPVC_FALSE);
    spvc_compiler_install_compiler_options(compiler_, options);

    const spvc_entry_point* entryPoints = nullptr;
    std::size_t entryPointCount = 0;
    spvc_compiler_get_entry_points(compiler_, &entryPoints, &entryPointCount);
    if (entryPointCount != 1)
        Refuse(module.entryPosition, "entry point " + Quoted(module.entryPoint) + " not found");
    // Only what the entry point reaches: the optimizer keeps every call of a
    // denormal flush, and a load it leaves behind that nothing reads is no
    // part of the shader.
    spvc_set active = nullptr;
    if (spvc_compiler_get_active_interface_variables(compiler_, &active) != SPVC_SUCCESS
        || spvc_compiler_set_enabled_interface_variables(compiler_, active) != SPVC_SUCCESS
        || spvc_compiler_create_shader_resources_for_active_variables(compiler_, &resources_, active) != SPVC_SUCCESS)
        Fail("internal error: cannot reflect the module");
}

std::span<const spvc_reflected_resource> CrossCompiler::List(spvc_resource_type type) const
{
    const spvc_reflected_resource* list = nullptr;
    std::size_t count = 0;
    spvc_resources_get_resource_list_for_type(resources_, type, &list, &count);
    return {list, count};
}

void CrossCompiler::Fail(const std::string& what) const
{
    Refuse(module_.entryPosition, what + (lastError_.empty() ? "" : ": " + lastError_));
}

void CrossCompiler::OnError(void* self, const char* message)
{
    static_cast<CrossCompiler*>(self)->lastError_ = message;
}

// ---- Passes -------------------------------------------------------------------------

void CheckReadWriteResources(const SpirvModule& module, const std::vector<UnboundResource>& unbound)
{
    for (const UnboundResource& resource : unbound)
        if (resource.readWrite && module.profile != "ps_5_0")
            Refuse(FindDeclaration(module, resource.name).second,
                   Quoted(resource.name) + ": read-write resources (RWTexture2D, RWBuffer, RWStructuredBuffer and "
                                           "the like) exist only in ps_5_0, not in "
                       + module.profile);
}

void CheckUnsupportedResources(const CrossCompiler& cross)
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
        for (const spvc_reflected_resource& resource : cross.List(type)) {
            const std::string name = resource.name ? resource.name : "";
            Refuse(FindDeclaration(cross.Module(), name).second, Quoted(name) + ": " + what + " is not supported");
        }
}

std::vector<BoundResource> ReadBoundResources(const CrossCompiler& cross, const std::vector<UnboundResource>& unbound)
{
    const spvc_compiler compiler = cross.Get();
    const SpirvModule& module = cross.Module();
    std::vector<BoundResource> bound;
    for (const spvc_reflected_resource& resource : cross.List(SPVC_RESOURCE_TYPE_UNIFORM_BUFFER)) {
        const char* name = spvc_compiler_get_name(compiler, resource.base_type_id);
        bound.push_back(Bind(cross, resource, ResourceClass::ConstantBuffer, name ? name : ""));
    }
    for (const spvc_reflected_resource& resource : cross.List(SPVC_RESOURCE_TYPE_SEPARATE_IMAGE)) {
        const std::string name = resource.name ? resource.name : "";
        const spvc_type type = spvc_compiler_get_type_handle(compiler, resource.type_id);
        const SourcePosition at = FindDeclaration(module, name).second;
        const unsigned dimensions = spvc_type_get_num_array_dimensions(type);
        if (dimensions > 1)
            Refuse(at, Quoted(name) + ": arrays of arrays of textures are not supported");
        if (dimensions == 1 && !spvc_type_array_dimension_is_literal(type, 0))
            Refuse(at, Quoted(name) + ": an array of textures needs a constant size");
        if (spvc_type_get_image_dimension(type) == SpvDimBuffer)
            Refuse(at, Quoted(name) + ": this use of a typed buffer is not supported");
        BoundResource texture = Bind(cross, resource, ResourceClass::Texture, name);
        if (dimensions == 1)
            texture.count = std::max<std::uint32_t>(spvc_type_get_array_dimension(type, 0), 1);
        bound.push_back(std::move(texture));
    }
    for (const spvc_reflected_resource& resource : cross.List(SPVC_RESOURCE_TYPE_SEPARATE_SAMPLERS)) {
        const std::string name = resource.name ? resource.name : "";
        const spvc_type type = spvc_compiler_get_type_handle(compiler, resource.type_id);
        if (spvc_type_get_num_array_dimensions(type) > 0)
            Refuse(FindDeclaration(module, name).second, Quoted(name) + ": arrays of samplers are not supported");
        bound.push_back(Bind(cross, resource, ResourceClass::Sampler, name));
    }
    // Read-only buffers the code used still take their t registers, so that
    // the textures declared after them land where Direct3D puts them; they
    // have no GLSL of their own.
    for (const UnboundResource& resource : unbound) {
        if (!resource.takesTextureSlot)
            continue;
        BoundResource buffer;
        buffer.name = resource.name;
        buffer.resourceClass = ResourceClass::Texture;
        const auto [index, at] = FindDeclaration(module, resource.name);
        buffer.declarationOrder = index;
        buffer.position = at;
        if (index < module.resources.size())
            buffer.explicitSlot = module.resources[index].slot;
        bound.push_back(std::move(buffer));
    }
    return bound;
}

std::string WriteGlsl(const CrossCompiler& cross)
{
    const char* source = nullptr;
    if (spvc_compiler_compile(cross.Get(), &source) != SPVC_SUCCESS || !source)
        cross.Fail("the entry point cannot be expressed in GLSL");
    return source;
}

std::string UniformPrefix(ShaderStage stage)
{
    return std::string("fxsc_") + StageShortName(stage) + "_";
}

} // namespace hlsl
