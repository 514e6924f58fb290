// Direct3D slots and GL bindings for the resources the GLSL binds.

#include "platform/hlsl/glsl.h"

#include <algorithm>
#include <map>

namespace hlsl {

namespace {

// Direct3D 11's slot counts per stage.
constexpr std::uint32_t kConstantBufferSlots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;
constexpr std::uint32_t kTextureSlots = D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT;
constexpr std::uint32_t kSamplerSlots = D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT;

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

} // namespace

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

std::string CombinedSamplerName(ShaderStage stage, const CombinedSampler& sampler)
{
    std::string name = UniformPrefix(stage) + "t" + std::to_string(sampler.textureSlot);
    if (sampler.samplerSlot != kNoSlot)
        name += "_s" + std::to_string(sampler.samplerSlot);
    return name;
}

void LowerSamplers(const CrossCompiler& cross, const std::vector<BoundResource>& resources,
                   ShaderContainer& container)
{
    const spvc_compiler compiler = cross.Get();
    const ShaderStage stage = cross.Module().stage;
    std::map<spvc_variable_id, std::uint32_t> slots;
    std::map<spvc_variable_id, std::uint32_t> counts;
    for (const BoundResource& resource : resources)
        if (resource.variable) {
            slots[resource.variable] = resource.slot;
            counts[resource.variable] = resource.count;
        }

    // Texture.Load reads without a sampler; SPIRV-Cross pairs it with a
    // dummy.
    spvc_variable_id dummy = 0;
    spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummy);
    if (spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS)
        cross.Fail("internal error: cannot combine textures and samplers");
    const spvc_combined_image_sampler* pairs = nullptr;
    std::size_t count = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &pairs, &count);
    std::uint32_t units = 0;
    for (std::size_t i = 0; i < count; ++i)
        units += counts.count(pairs[i].image_id) ? counts[pairs[i].image_id] : 1;
    if (units > kTextureUnitsPerStage)
        Refuse(cross.Module().entryPosition,
               "the entry point reads " + std::to_string(units)
                   + " texture and sampler pairs (each element of an array counts); the limit is "
                   + std::to_string(kTextureUnitsPerStage));
    std::uint32_t nextUnit = 0;
    for (std::size_t i = 0; i < count; ++i) {
        CombinedSampler sampler;
        sampler.textureSlot = slots.count(pairs[i].image_id) ? slots[pairs[i].image_id] : 0;
        sampler.arraySize = counts.count(pairs[i].image_id) ? counts[pairs[i].image_id] : 1;
        const bool withSampler = pairs[i].sampler_id != dummy && slots.count(pairs[i].sampler_id);
        sampler.samplerSlot = withSampler ? slots[pairs[i].sampler_id] : kNoSlot;
        sampler.textureUnit = TextureUnit(stage, nextUnit);
        nextUnit += sampler.arraySize;
        spvc_compiler_set_name(compiler, pairs[i].combined_id, CombinedSamplerName(stage, sampler).c_str());
        spvc_compiler_unset_decoration(compiler, pairs[i].combined_id, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(compiler, pairs[i].combined_id, SpvDecorationBinding, sampler.textureUnit);
        container.samplers.push_back(sampler);
    }
}

} // namespace hlsl
