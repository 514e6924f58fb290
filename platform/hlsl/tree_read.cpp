// What the later stages need from the source and no longer find in SPIR-V:
// where the entry point is, the resources in declaration order with their
// register() slots and packoffset()s, and every declared vertex input.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>

namespace hlsl {

namespace {

std::vector<MemberDeclaration> ReadMembers(const glslang::TTypeList& list, const SourceSet& sources)
{
    std::vector<MemberDeclaration> members;
    for (const glslang::TTypeLoc& entry : list) {
        MemberDeclaration member;
        member.name = entry.type->getFieldName().c_str();
        member.position = PlaceName(entry.loc, member.name, 0, sources);
        const glslang::TQualifier& qualifier = entry.type->getQualifier();
        if (qualifier.hasOffset())
            member.packOffset = static_cast<std::uint64_t>(qualifier.layoutOffset);
        if (entry.type->isStruct() && entry.type->getStruct())
            member.members = ReadMembers(*entry.type->getStruct(), sources);
        members.push_back(std::move(member));
    }
    return members;
}

ComponentType ComponentTypeOf(glslang::TBasicType type)
{
    switch (type) {
    case glslang::EbtInt:
    case glslang::EbtInt16:
    case glslang::EbtInt8:
        return ComponentType::Int;
    case glslang::EbtUint:
    case glslang::EbtUint16:
    case glslang::EbtUint8:
    case glslang::EbtBool:
        return ComponentType::Uint;
    default:
        return ComponentType::Float;
    }
}

} // namespace

SourcePosition ReadEntryPosition(const Tree& tree, const std::string& entryPoint, const SourceSet& sources)
{
    const glslang::TIntermAggregate* function = FindEntryFunction(*tree.parsed, entryPoint);
    return function ? PlaceName(function->getLoc(), entryPoint, kSignatureLines, sources)
                    : SourcePosition{sources.MainFile()};
}

std::vector<ResourceDeclaration> ReadResources(const Tree& tree, const SourceSet& sources)
{
    std::vector<ResourceDeclaration> resources;
    for (const glslang::TIntermSymbol* symbol : Globals(*tree.parsed)) {
        const glslang::TType& type = symbol->getType();
        const glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqUniform && qualifier.storage != glslang::EvqBuffer)
            continue;
        ResourceDeclaration resource;
        if (type.getBasicType() == glslang::EbtBlock) {
            resource.name = type.getTypeName().c_str();
            if (qualifier.storage == glslang::EvqUniform)
                resource.resourceClass = ResourceClass::ConstantBuffer;
            if (type.getStruct())
                resource.members = ReadMembers(*type.getStruct(), sources);
        } else {
            resource.name = symbol->getName().c_str();
            if (type.getBasicType() == glslang::EbtSampler) {
                const glslang::TSampler& sampler = type.getSampler();
                if (sampler.isPureSampler())
                    resource.resourceClass = ResourceClass::Sampler;
                else if (!sampler.isCombined() && !sampler.isImage())
                    resource.resourceClass = ResourceClass::Texture;
            }
        }
        if (qualifier.hasBinding())
            resource.slot = qualifier.layoutBinding;
        resource.position = sources.FindWord(resource.name);
        resources.push_back(std::move(resource));
    }
    return resources;
}

std::vector<DeclaredInput> ReadDeclaredInputs(const Tree& tree)
{
    // The entry point's inputs as glslang splits them out of its
    // parameters, before the optimizer removes those never read.
    std::vector<DeclaredInput> inputs;
    for (const glslang::TIntermSymbol* symbol : Globals(*tree.parsed)) {
        const glslang::TType& type = symbol->getType();
        const glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqVaryingIn || qualifier.builtIn != glslang::EbvNone
            || !qualifier.semanticName || type.isStruct())
            continue;
        DeclaredInput input;
        input.semantic = qualifier.semanticName;
        input.componentType = ComponentTypeOf(type.getBasicType());
        input.componentCount = type.isMatrix() ? static_cast<std::uint32_t>(type.getMatrixRows())
                                               : static_cast<std::uint32_t>(std::max(type.getVectorSize(), 1));
        input.locationCount = type.isMatrix() ? static_cast<std::uint32_t>(type.getMatrixCols()) : 1;
        if (type.isSizedArray())
            input.locationCount *= static_cast<std::uint32_t>(type.getCumulativeArraySize());
        inputs.push_back(std::move(input));
    }
    return inputs;
}

} // namespace hlsl
