#include "platform/hlsl/constant_buffer_layout.h"

#include <algorithm>

namespace hlsl {

namespace {

std::uint64_t MembersEnd(const std::vector<PackedMember>& members)
{
    const std::vector<std::uint64_t> offsets = HlslOffsets(members);
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < members.size(); ++i)
        end = std::max(end, offsets[i] + HlslSize(members[i].type));
    return end;
}

bool StartsRegister(const PackedType& type)
{
    return !type.arraySizes.empty() || type.kind == PackedType::Kind::Matrix || type.kind == PackedType::Kind::Struct;
}

} // namespace

std::uint64_t RoundToRegister(std::uint64_t bytes)
{
    return (bytes + kRegisterBytes - 1) / kRegisterBytes * kRegisterBytes;
}

std::uint64_t HlslElementSize(const PackedType& type)
{
    switch (type.kind) {
    case PackedType::Kind::Scalar:
        return type.componentBytes;
    case PackedType::Kind::Vector:
        return std::uint64_t{type.components} * type.componentBytes;
    case PackedType::Kind::Matrix:
        return (std::uint64_t{type.registers} - 1) * kRegisterBytes
               + std::uint64_t{type.components} * type.componentBytes;
    case PackedType::Kind::Struct:
        return RoundToRegister(MembersEnd(type.members));
    }
    return 0;
}

std::uint64_t HlslArrayStride(const PackedType& type, std::size_t dimension)
{
    std::uint64_t stride = RoundToRegister(HlslElementSize(type));
    for (std::size_t inner = dimension + 1; inner < type.arraySizes.size(); ++inner)
        stride *= type.arraySizes[inner];
    return stride;
}

std::uint64_t HlslSize(const PackedType& type)
{
    std::uint64_t elements = 1;
    for (std::uint64_t size : type.arraySizes)
        elements *= size;
    if (elements == 0)
        return 0;
    return (elements - 1) * RoundToRegister(HlslElementSize(type)) + HlslElementSize(type);
}

std::vector<std::uint64_t> HlslOffsets(const std::vector<PackedMember>& members)
{
    std::vector<std::uint64_t> offsets;
    offsets.reserve(members.size());
    std::uint64_t offset = 0;
    for (const PackedMember& member : members) {
        const std::uint64_t size = HlslSize(member.type);
        if (member.packOffset)
            offset = *member.packOffset;
        else if (StartsRegister(member.type) || offset % kRegisterBytes + size > kRegisterBytes)
            offset = RoundToRegister(offset);
        offsets.push_back(offset);
        offset += size;
        if (member.type.kind == PackedType::Kind::Struct)
            offset = RoundToRegister(offset);
    }
    return offsets;
}

std::uint64_t HlslBufferSize(const std::vector<PackedMember>& members)
{
    return RoundToRegister(MembersEnd(members));
}

} // namespace hlsl
