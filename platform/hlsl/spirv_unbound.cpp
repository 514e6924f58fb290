#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

#include <spirv-tools/optimizer.hpp>

#include <map>
#include <set>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

enum class Kind { None, ReadOnlyBuffer, ReadWriteBuffer, TexelBuffer, StorageImage };

// The type a pointer type points to, through arrays, and its definition.
std::pair<std::uint32_t, const Instruction*> Pointee(const Module& module, const Instruction& pointer)
{
    std::uint32_t type = pointer.Word(3);
    const Instruction* pointee = module.Definition(type);
    while (pointee && (pointee->Op() == spv::OpTypeArray || pointee->Op() == spv::OpTypeRuntimeArray)) {
        type = pointee->Word(2);
        pointee = module.Definition(type);
    }
    return {type, pointee};
}

// A variable's name; for the nameless instance of a tbuffer, its block's.
std::string VariableName(const Module& module, const Instruction& variable)
{
    if (std::string own = module.Name(variable.Word(2)); !own.empty())
        return own;
    const Instruction* pointer = module.Definition(variable.Word(1));
    if (!pointer || pointer->Op() != spv::OpTypePointer)
        return {};
    return module.Name(Pointee(module, *pointer).first);
}

// What a global variable is, by its pointer type.
Kind KindOf(const Module& module, const Instruction& variable)
{
    const Instruction* pointer = module.Definition(variable.Word(1));
    if (!pointer || pointer->Op() != spv::OpTypePointer)
        return Kind::None;
    const std::uint32_t storage = pointer->Word(2);
    const auto [type, pointee] = Pointee(module, *pointer);
    if (!pointee)
        return Kind::None;
    if (pointee->Op() == spv::OpTypeStruct
        && (storage == spv::StorageClassStorageBuffer
            || (storage == spv::StorageClassUniform && module.Decorated(type, spv::DecorationBufferBlock)))) {
        const std::size_t members = pointee->Size() - 2u;
        const bool readOnly = members > 0 && module.DecoratedMembers(type, spv::DecorationNonWritable).size() == members;
        return readOnly ? Kind::ReadOnlyBuffer : Kind::ReadWriteBuffer;
    }
    if (pointee->Op() == spv::OpTypeImage) {
        // Sampled 2: used without a sampler, a storage image.
        if (pointee->Word(7) == 2)
            return Kind::StorageImage;
        if (pointee->Word(3) == spv::DimBuffer)
            return Kind::TexelBuffer;
    }
    return Kind::None;
}

bool IsImageType(const Module& module, std::uint32_t type)
{
    const Instruction* definition = module.Definition(type);
    return definition && (definition->Op() == spv::OpTypeImage || definition->Op() == spv::OpTypeSampledImage);
}

bool IsAtomicWithResult(spv::Op op)
{
    switch (op) {
    case spv::OpAtomicLoad:
    case spv::OpAtomicExchange:
    case spv::OpAtomicCompareExchange:
    case spv::OpAtomicCompareExchangeWeak:
    case spv::OpAtomicIIncrement:
    case spv::OpAtomicIDecrement:
    case spv::OpAtomicIAdd:
    case spv::OpAtomicISub:
    case spv::OpAtomicSMin:
    case spv::OpAtomicUMin:
    case spv::OpAtomicSMax:
    case spv::OpAtomicUMax:
    case spv::OpAtomicAnd:
    case spv::OpAtomicOr:
    case spv::OpAtomicXor:
        return true;
    default:
        return false;
    }
}

bool IsImageQueryOrRead(spv::Op op)
{
    switch (op) {
    case spv::OpImageFetch:
    case spv::OpImageRead:
    case spv::OpImageQuerySizeLod:
    case spv::OpImageQuerySize:
    case spv::OpImageQueryLevels:
    case spv::OpImageQuerySamples:
    case spv::OpImageSparseFetch:
    case spv::OpImageSparseRead:
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<UnboundResource> LowerUnboundResources(std::vector<std::uint32_t>& words, const SourcePosition& entry)
{
    Module module(words);
    if (!module.Complete() || module.Instructions().empty())
        return {};
    const std::vector<Instruction>& list = module.Instructions();

    // The variables, and every pointer or image value derived from them,
    // mapped to the variable they come from.
    std::map<std::uint32_t, std::uint32_t> pointers;
    std::map<std::uint32_t, std::uint32_t> images;
    std::vector<std::pair<const Instruction*, Kind>> variables;
    for (std::size_t i = 0; i < module.FirstFunction(); ++i) {
        const Instruction& instruction = list[i];
        if (instruction.Op() != spv::OpVariable)
            continue;
        const Kind kind = KindOf(module, instruction);
        if (kind == Kind::None)
            continue;
        pointers[instruction.Word(2)] = instruction.Word(2);
        variables.emplace_back(&instruction, kind);
    }
    if (variables.empty())
        return {};

    // Each instruction to replace by a copy of a null constant of its type,
    // or to drop (type 0).
    std::map<std::size_t, std::uint32_t> replaced;
    std::set<std::uint32_t> used;
    const auto from = [](const std::map<std::uint32_t, std::uint32_t>& set, std::uint32_t id) {
        const auto it = set.find(id);
        return it == set.end() ? 0u : it->second;
    };
    for (std::size_t i = module.FirstFunction(); i < list.size(); ++i) {
        const Instruction& instruction = list[i];
        const auto operand = [&](std::size_t index) { return instruction.Word(index); };
        std::uint32_t source = 0;
        switch (instruction.Op()) {
        case spv::OpAccessChain:
        case spv::OpInBoundsAccessChain:
        case spv::OpPtrAccessChain:
        case spv::OpInBoundsPtrAccessChain:
        case spv::OpImageTexelPointer:
            if ((source = from(pointers, operand(3))))
                pointers[operand(2)] = source;
            break;
        case spv::OpCopyObject:
            if ((source = from(pointers, operand(3))))
                pointers[operand(2)] = source;
            else if ((source = from(images, operand(3))))
                images[operand(2)] = source;
            break;
        case spv::OpLoad:
            if ((source = from(pointers, operand(3)))) {
                if (IsImageType(module, operand(1)))
                    images[operand(2)] = source; // the load itself dies with its uses
                else
                    replaced[i] = operand(1);
            }
            break;
        case spv::OpSampledImage:
        case spv::OpImage:
            if ((source = from(images, operand(3))))
                images[operand(2)] = source;
            break;
        case spv::OpStore:
        case spv::OpAtomicStore:
            if ((source = from(pointers, operand(1))))
                replaced[i] = 0;
            break;
        case spv::OpArrayLength:
            if ((source = from(pointers, operand(3))))
                replaced[i] = operand(1);
            break;
        case spv::OpImageWrite:
            if ((source = from(images, operand(1))))
                replaced[i] = 0;
            break;
        default:
            if (IsAtomicWithResult(instruction.Op()) && (source = from(pointers, operand(3))))
                replaced[i] = operand(1);
            else if (IsImageQueryOrRead(instruction.Op()) && (source = from(images, operand(3))))
                replaced[i] = operand(1);
            break;
        }
        if (source)
            used.insert(source);
    }

    std::vector<UnboundResource> resources;
    for (const auto& [variable, kind] : variables) {
        if (!used.count(variable->Word(2)))
            continue;
        UnboundResource resource;
        resource.name = VariableName(module, *variable);
        resource.takesTextureSlot = kind == Kind::ReadOnlyBuffer || kind == Kind::TexelBuffer;
        resource.readWrite = kind == Kind::ReadWriteBuffer || kind == Kind::StorageImage;
        resources.push_back(std::move(resource));
    }

    std::vector<Instruction> rewritten;
    rewritten.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const auto replacement = replaced.find(i);
        if (replacement == replaced.end())
            rewritten.push_back(list[i]);
        else if (const std::uint32_t type = replacement->second)
            rewritten.push_back(
                Instruction(spv::OpCopyObject, {type, list[i].Word(2), module.NullConstant(type)}));
    }
    module.SetInstructions(std::move(rewritten));
    std::vector<std::uint32_t> out = module.Serialize();

    // Loads of images and access chains now unused go, and with them the
    // variables.
    const bool ran = spirv::RunOptimizer(out, [](spvtools::Optimizer& optimizer) {
        optimizer.RegisterPass(spvtools::CreateAggressiveDCEPass())
            .RegisterPass(spvtools::CreateDeadVariableEliminationPass())
            .RegisterPass(spvtools::CreateEliminateDeadConstantPass());
    });
    if (!ran)
        Refuse(entry, "the entry point's buffers and read-write resources cannot be compiled");
    words = std::move(out);
    return resources;
}

} // namespace hlsl
