#include "platform/hlsl/shader_container.h"

#include <cstring>

namespace hlsl {

namespace {

constexpr std::uint8_t kMagic[4] = {'F', 'X', 'S', 'C'};
// 2: combined samplers carry an array size.
constexpr std::uint32_t kVersion = 2;
// Generous bounds that keep a corrupt count from allocating without limit.
constexpr std::uint32_t kMaxListLength = 4096;

class Writer {
public:
    void U32(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    void String(const std::string& text)
    {
        U32(static_cast<std::uint32_t>(text.size()));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
    }
    void Raw(const std::uint8_t* data, std::size_t size) { bytes_.insert(bytes_.end(), data, data + size); }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool U32(std::uint32_t* value)
    {
        if (bytes_.size() - offset_ < 4)
            return false;
        *value = 0;
        for (int i = 0; i < 4; ++i)
            *value |= static_cast<std::uint32_t>(bytes_[offset_ + i]) << (8 * i);
        offset_ += 4;
        return true;
    }
    bool String(std::string* text)
    {
        std::uint32_t size = 0;
        if (!U32(&size) || bytes_.size() - offset_ < size)
            return false;
        text->assign(reinterpret_cast<const char*>(bytes_.data() + offset_), size);
        offset_ += size;
        return true;
    }
    bool Magic()
    {
        if (bytes_.size() < sizeof kMagic || std::memcmp(bytes_.data(), kMagic, sizeof kMagic) != 0)
            return false;
        offset_ = sizeof kMagic;
        return true;
    }
    bool AtEnd() const { return offset_ == bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

void WriteVariables(Writer& out, const std::vector<StageVariable>& variables)
{
    out.U32(static_cast<std::uint32_t>(variables.size()));
    for (const StageVariable& v : variables) {
        out.String(v.semantic);
        out.U32(v.semanticIndex);
        out.U32(static_cast<std::uint32_t>(v.componentType));
        out.U32(v.componentCount);
        out.U32(v.location);
        out.U32(v.locationCount);
        out.String(v.locationMacro);
        out.U32(v.systemValue ? 1 : 0);
    }
}

bool ReadVariables(Reader& in, std::vector<StageVariable>* variables)
{
    std::uint32_t count = 0;
    if (!in.U32(&count) || count > kMaxListLength)
        return false;
    variables->resize(count);
    for (StageVariable& v : *variables) {
        std::uint32_t type = 0, systemValue = 0;
        if (!in.String(&v.semantic) || !in.U32(&v.semanticIndex) || !in.U32(&type) || !in.U32(&v.componentCount)
            || !in.U32(&v.location) || !in.U32(&v.locationCount) || !in.String(&v.locationMacro)
            || !in.U32(&systemValue))
            return false;
        if (type > static_cast<std::uint32_t>(ComponentType::Uint) || systemValue > 1)
            return false;
        v.componentType = static_cast<ComponentType>(type);
        v.systemValue = systemValue != 0;
    }
    return true;
}

} // namespace

std::vector<std::uint8_t> SerializeContainer(const ShaderContainer& container)
{
    Writer out;
    out.Raw(kMagic, sizeof kMagic);
    out.U32(kVersion);
    out.U32(static_cast<std::uint32_t>(container.stage));
    out.String(container.entryPoint);
    out.String(container.glsl);
    WriteVariables(out, container.inputs);
    WriteVariables(out, container.outputs);
    out.U32(static_cast<std::uint32_t>(container.constantBuffers.size()));
    for (const ConstantBuffer& cb : container.constantBuffers) {
        out.String(cb.name);
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
    return out.Take();
}

std::optional<ShaderContainer> ParseContainer(std::span<const std::uint8_t> bytes)
{
    Reader in(bytes);
    ShaderContainer c;
    std::uint32_t version = 0, stage = 0, count = 0;
    if (!in.Magic() || !in.U32(&version) || version != kVersion || !in.U32(&stage)
        || stage > static_cast<std::uint32_t>(ShaderStage::Pixel))
        return std::nullopt;
    c.stage = static_cast<ShaderStage>(stage);
    if (!in.String(&c.entryPoint) || !in.String(&c.glsl) || !ReadVariables(in, &c.inputs)
        || !ReadVariables(in, &c.outputs))
        return std::nullopt;
    if (!in.U32(&count) || count > kMaxListLength)
        return std::nullopt;
    c.constantBuffers.resize(count);
    for (ConstantBuffer& cb : c.constantBuffers)
        if (!in.String(&cb.name) || !in.U32(&cb.slot) || !in.U32(&cb.byteSize) || !in.U32(&cb.binding))
            return std::nullopt;
    if (!in.U32(&count) || count > kMaxListLength)
        return std::nullopt;
    c.samplers.resize(count);
    for (CombinedSampler& s : c.samplers)
        if (!in.U32(&s.textureSlot) || !in.U32(&s.samplerSlot) || !in.U32(&s.textureUnit) || !in.U32(&s.arraySize)
            || s.arraySize == 0 || s.arraySize > kMaxListLength)
            return std::nullopt;
    if (!in.U32(&c.geometryMaxVertices) || !in.AtEnd())
        return std::nullopt;
    return c;
}

} // namespace hlsl
