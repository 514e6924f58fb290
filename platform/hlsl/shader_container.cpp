#include "platform/hlsl/shader_container.h"

#include "platform/hlsl/byte_codec.h"

#include <algorithm>
#include <cstring>

namespace hlsl {

namespace {

constexpr std::uint8_t kMagic[4] = {'F', 'X', 'S', 'C'};
// 2: combined samplers carry an array size.
// 3: interface slots and class instances (dynamic linkage).
constexpr std::uint32_t kVersion = 3;
// Generous bounds that keep a corrupt count from allocating without limit.
constexpr std::uint32_t kMaxListLength = 4096;

void WriteVariables(ByteWriter& out, const std::vector<StageVariable>& variables)
{
    out.U32(static_cast<std::uint32_t>(variables.size()));
    for (const StageVariable& v : variables) {
        out.Text(v.semantic);
        out.U32(v.semanticIndex);
        out.U32(static_cast<std::uint32_t>(v.componentType));
        out.U32(v.componentCount);
        out.U32(v.location);
        out.U32(v.locationCount);
        out.Text(v.locationMacro);
        out.U32(v.systemValue ? 1 : 0);
    }
}

bool ReadVariables(ByteReader& in, std::vector<StageVariable>* variables)
{
    std::uint32_t count = 0;
    if (!in.U32(&count) || count > kMaxListLength)
        return false;
    variables->resize(count);
    for (StageVariable& v : *variables) {
        std::uint32_t type = 0, systemValue = 0;
        if (!in.Text(&v.semantic) || !in.U32(&v.semanticIndex) || !in.U32(&type) || !in.U32(&v.componentCount)
            || !in.U32(&v.location) || !in.U32(&v.locationCount) || !in.Text(&v.locationMacro)
            || !in.U32(&systemValue))
            return false;
        if (type > static_cast<std::uint32_t>(ComponentType::Uint) || systemValue > 1)
            return false;
        v.componentType = static_cast<ComponentType>(type);
        v.systemValue = systemValue != 0;
    }
    return true;
}

void WriteLinkage(ByteWriter& out, const ShaderContainer& c)
{
    out.U32(c.interfaceSlotCount);
    out.U32(static_cast<std::uint32_t>(c.interfaceSlots.size()));
    for (const InterfaceSlotRecord& slot : c.interfaceSlots) {
        out.Text(slot.name);
        out.Text(slot.interfaceName);
        out.U32(slot.slot);
        out.U32(slot.arraySize);
    }
    out.U32(static_cast<std::uint32_t>(c.classInstances.size()));
    for (const ClassInstanceRecord& instance : c.classInstances) {
        out.U32(instance.id);
        out.Text(instance.typeName);
        out.Text(instance.instanceName);
        out.U32(instance.instanceIndex);
        out.U32(static_cast<std::uint32_t>(instance.interfaces.size()));
        for (const std::string& name : instance.interfaces)
            out.Text(name);
    }
}

// Slots lie within interfaceSlotCount and take at least one slot each; class
// instance ids are nonzero (0 selects nothing) and distinct.
bool ReadLinkage(ByteReader& in, ShaderContainer* c)
{
    std::uint32_t count = 0;
    if (!in.U32(&c->interfaceSlotCount) || c->interfaceSlotCount > kMaxListLength || !in.U32(&count)
        || count > kMaxListLength)
        return false;
    c->interfaceSlots.resize(count);
    for (InterfaceSlotRecord& slot : c->interfaceSlots)
        if (!in.Text(&slot.name) || !in.Text(&slot.interfaceName) || !in.U32(&slot.slot) || !in.U32(&slot.arraySize)
            || slot.arraySize == 0 || slot.slot >= c->interfaceSlotCount
            || slot.arraySize > c->interfaceSlotCount - slot.slot)
            return false;
    if (!in.U32(&count) || count > kMaxListLength)
        return false;
    c->classInstances.resize(count);
    std::vector<std::uint32_t> ids;
    for (ClassInstanceRecord& instance : c->classInstances) {
        std::uint32_t interfaces = 0;
        if (!in.U32(&instance.id) || instance.id == 0 || !in.Text(&instance.typeName)
            || !in.Text(&instance.instanceName) || !in.U32(&instance.instanceIndex) || !in.U32(&interfaces)
            || interfaces > kMaxListLength)
            return false;
        instance.interfaces.resize(interfaces);
        for (std::string& name : instance.interfaces)
            if (!in.Text(&name))
                return false;
        ids.push_back(instance.id);
    }
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

} // namespace

std::vector<std::uint8_t> SerializeContainer(const ShaderContainer& container)
{
    ByteWriter out;
    out.Raw(kMagic);
    out.U32(kVersion);
    out.U32(static_cast<std::uint32_t>(container.stage));
    out.Text(container.entryPoint);
    out.Text(container.glsl);
    WriteVariables(out, container.inputs);
    WriteVariables(out, container.outputs);
    out.U32(static_cast<std::uint32_t>(container.constantBuffers.size()));
    for (const ConstantBuffer& cb : container.constantBuffers) {
        out.Text(cb.name);
        out.U32(cb.slot);
        out.U32(cb.byteSize);
        out.U32(cb.binding);
    }
    out.U32(static_cast<std::uint32_t>(container.samplers.size()));
    for (const CombinedSampler& s : container.samplers) {
        out.U32(s.textureSlot);
        out.U32(s.samplerSlot);
        out.U32(s.textureUnit);
        out.U32(s.arraySize);
    }
    out.U32(container.geometryMaxVertices);
    WriteLinkage(out, container);
    return out.Take();
}

std::optional<ShaderContainer> ParseContainer(std::span<const std::uint8_t> bytes)
{
    ByteReader in(bytes);
    std::span<const std::uint8_t> magic;
    ShaderContainer c;
    std::uint32_t version = 0, stage = 0, count = 0;
    if (!in.Raw(sizeof kMagic, &magic) || std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0 || !in.U32(&version)
        || version != kVersion || !in.U32(&stage) || stage > static_cast<std::uint32_t>(ShaderStage::Pixel))
        return std::nullopt;
    c.stage = static_cast<ShaderStage>(stage);
    if (!in.Text(&c.entryPoint) || !in.Text(&c.glsl) || !ReadVariables(in, &c.inputs)
        || !ReadVariables(in, &c.outputs))
        return std::nullopt;
    if (!in.U32(&count) || count > kMaxListLength)
        return std::nullopt;
    c.constantBuffers.resize(count);
    for (ConstantBuffer& cb : c.constantBuffers)
        if (!in.Text(&cb.name) || !in.U32(&cb.slot) || !in.U32(&cb.byteSize) || !in.U32(&cb.binding))
            return std::nullopt;
    if (!in.U32(&count) || count > kMaxListLength)
        return std::nullopt;
    c.samplers.resize(count);
    for (CombinedSampler& s : c.samplers)
        if (!in.U32(&s.textureSlot) || !in.U32(&s.samplerSlot) || !in.U32(&s.textureUnit) || !in.U32(&s.arraySize)
            || s.arraySize == 0 || s.arraySize > kMaxListLength)
            return std::nullopt;
    if (!in.U32(&c.geometryMaxVertices) || !ReadLinkage(in, &c) || !in.AtEnd())
        return std::nullopt;
    return c;
}

} // namespace hlsl
