// Clip and cull distances between a vertex and a geometry stage: what the
// vertex entry point writes, and where the geometry entry point reads them.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace hlsl {

namespace {

// "SV_CLIPDISTANCE1" as 1 for clip, as 1 for cull with `cull` set.
std::optional<std::uint32_t> DistanceIndex(const glslang::TQualifier& qualifier, bool& cull)
{
    const std::string semantic = qualifier.semanticName ? qualifier.semanticName : "";
    for (const bool isCull : {false, true}) {
        const std::string name = isCull ? "SV_CULLDISTANCE" : "SV_CLIPDISTANCE";
        if (semantic.size() < name.size() || !std::equal(name.begin(), name.end(), semantic.begin(), [](char a, char b) {
                return a == std::toupper(static_cast<unsigned char>(b));
            }))
            continue;
        const std::string digits = semantic.substr(name.size());
        if (digits.size() > 1 || (digits.size() == 1 && !std::isdigit(static_cast<unsigned char>(digits[0]))))
            return std::nullopt;
        cull = isCull;
        return digits.empty() ? 0u : static_cast<std::uint32_t>(digits[0] - '0');
    }
    return std::nullopt;
}

void CollectOutputs(const glslang::TType& type, std::vector<DistanceOutput>& outputs)
{
    if (type.isStruct() && type.getStruct()) {
        for (const glslang::TTypeLoc& member : *type.getStruct())
            CollectOutputs(*member.type, outputs);
        return;
    }
    bool cull = false;
    const std::optional<std::uint32_t> index = DistanceIndex(type.getQualifier(), cull);
    if (!index)
        return;
    const std::uint32_t elements = type.isSizedArray() ? static_cast<std::uint32_t>(type.getOuterArraySize()) : 1u;
    const std::uint32_t components = static_cast<std::uint32_t>(std::max(type.getVectorSize(), 1));
    for (std::uint32_t e = 0; e < elements; ++e)
        outputs.push_back({cull, *index + e, components, e * components});
}

void CollectInputs(const glslang::TType& type, const SourcePosition& at, const SourceSet& sources,
                   std::vector<SourcePosition>& positions)
{
    bool cull = false;
    if (DistanceIndex(type.getQualifier(), cull))
        positions.push_back(at);
    if (!type.isStruct() || !type.getStruct())
        return;
    for (const glslang::TTypeLoc& member : *type.getStruct())
        CollectInputs(*member.type, PlaceName(member.loc, member.type->getFieldName().c_str(), 0, sources), sources,
                      positions);
}

} // namespace

std::vector<DistanceOutput> ReadDistanceOutputs(const Tree& tree, const std::string& entryPoint)
{
    const glslang::TIntermAggregate* entry = FindEntryFunction(*tree.parsed, entryPoint);
    std::vector<DistanceOutput> outputs;
    if (!entry)
        return outputs;
    CollectOutputs(entry->getType(), outputs);
    for (const glslang::TIntermSymbol* parameter : Parameters(entry)) {
        const glslang::TStorageQualifier storage = parameter->getType().getQualifier().storage;
        if (storage == glslang::EvqOut || storage == glslang::EvqInOut)
            CollectOutputs(parameter->getType(), outputs);
    }
    // glslang gives each semantic index of a kind its components after those
    // of the lower indices; an array's elements follow its first.
    std::map<std::pair<bool, std::uint32_t>, std::uint32_t> declaredSize;
    for (const DistanceOutput& output : outputs)
        declaredSize[{output.cull, output.semanticIndex - output.offset / output.componentCount}] +=
            output.componentCount;
    for (DistanceOutput& output : outputs) {
        const std::uint32_t declaredIndex = output.semanticIndex - output.offset / output.componentCount;
        for (const auto& [key, size] : declaredSize)
            if (key.first == output.cull && key.second < declaredIndex)
                output.offset += size;
    }
    return outputs;
}

std::vector<SourcePosition> ReadDistanceInputs(const Tree& probe, const std::string& entryPoint,
                                               const SourceSet& sources)
{
    std::vector<SourcePosition> positions;
    for (const glslang::TIntermSymbol* parameter : Parameters(FindEntryFunction(*probe.parsed, entryPoint))) {
        const glslang::TType& type = parameter->getType();
        const glslang::TStorageQualifier storage = type.getQualifier().storage;
        if (storage != glslang::EvqIn && storage != glslang::EvqConstReadOnly)
            continue;
        CollectInputs(type, PlaceName(parameter->getLoc(), parameter->getName().c_str(), kSignatureLines, sources),
                      sources, positions);
    }
    return positions;
}

} // namespace hlsl
