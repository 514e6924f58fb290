#include "platform/hlsl/spirv_passes.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <spirv-tools/optimizer.hpp>

#include <algorithm>
#include <map>
#include <set>

namespace hlsl {

namespace {

// ---- Reading the words -------------------------------------------------------------

constexpr std::size_t kHeaderWords = 5;

// SPIR-V opcodes and enumerants used here (SPIR-V 1.0 unified grammar).
enum Op : std::uint16_t {
    OpString = 7,
    OpLine = 8,
    OpName = 5,
    OpTypeImage = 25,
    OpTypeSampledImage = 27,
    OpTypeArray = 28,
    OpTypeRuntimeArray = 29,
    OpTypeStruct = 30,
    OpTypePointer = 32,
    OpConstantTrue = 41,
    OpConstantFalse = 42,
    OpConstant = 43,
    OpConstantComposite = 44,
    OpConstantNull = 46,
    OpFunction = 54,
    OpVariable = 59,
    OpImageTexelPointer = 60,
    OpLoad = 61,
    OpStore = 62,
    OpAccessChain = 65,
    OpInBoundsAccessChain = 66,
    OpPtrAccessChain = 67,
    OpArrayLength = 68,
    OpInBoundsPtrAccessChain = 70,
    OpDecorate = 71,
    OpMemberDecorate = 72,
    OpCopyObject = 83,
    OpSampledImage = 86,
    OpImageFetch = 95,
    OpImageRead = 98,
    OpImageWrite = 99,
    OpImage = 100,
    OpImageQuerySizeLod = 103,
    OpImageQuerySize = 104,
    OpImageQueryLevels = 106,
    OpImageQuerySamples = 107,
    OpAtomicLoad = 227,
    OpAtomicStore = 228,
    OpAtomicXor = 242,
    OpLoopMerge = 246,
    OpLabel = 248,
    OpNoLine = 317,
    OpImageSparseFetch = 313,
    OpImageSparseRead = 320,
};

constexpr std::uint32_t kDecorationBufferBlock = 3;
constexpr std::uint32_t kDecorationNonWritable = 24;
constexpr std::uint32_t kStorageUniform = 2;
constexpr std::uint32_t kStorageStorageBuffer = 12;
constexpr std::uint32_t kDimBuffer = 5;
constexpr std::uint32_t kLoopControlUnroll = 0x1;
constexpr std::uint32_t kLoopControlDontUnroll = 0x2;
constexpr std::uint32_t kImageOperandConstOffset = 0x8;
constexpr std::uint32_t kImageOperandOffset = 0x10;

struct Instruction {
    std::size_t at = 0; // index of its first word
    std::uint16_t opcode = 0;
    std::uint16_t count = 0;
};

// The instructions after the header; empty when the words are not a
// well-formed stream.
std::vector<Instruction> Instructions(const std::vector<std::uint32_t>& words)
{
    std::vector<Instruction> list;
    for (std::size_t at = kHeaderWords; at < words.size();) {
        const std::uint16_t count = static_cast<std::uint16_t>(words[at] >> 16);
        if (count == 0 || at + count > words.size())
            return {};
        list.push_back({at, static_cast<std::uint16_t>(words[at] & 0xFFFFu), count});
        at += count;
    }
    return list;
}

std::string LiteralString(const std::vector<std::uint32_t>& words, std::size_t from, std::size_t end)
{
    std::string text;
    for (std::size_t i = from; i < end; ++i)
        for (int byte = 0; byte < 4; ++byte) {
            const char c = static_cast<char>((words[i] >> (8 * byte)) & 0xFFu);
            if (c == '\0')
                return text;
            text += c;
        }
    return text;
}

// glslang's target: SPIR-V 1.0 for Vulkan 1.0.
constexpr spv_target_env kTargetEnvironment = SPV_ENV_VULKAN_1_0;

void Quiet(spvtools::Optimizer& optimizer)
{
    optimizer.SetMessageConsumer([](spv_message_level_t, const char*, const spv_position_t&, const char*) {});
}

bool Run(spvtools::Optimizer& optimizer, std::vector<std::uint32_t>& words)
{
    spvtools::OptimizerOptions options;
    // glslang's modules list only inputs and outputs as interface variables,
    // as SPIR-V 1.0 allows; the validator's newer rules would refuse them.
    options.set_run_validator(false);
    std::vector<std::uint32_t> out;
    if (!optimizer.Run(words.data(), words.size(), &out, options) || out.empty())
        return false;
    words = std::move(out);
    return true;
}

} // namespace

namespace {

bool IsOffsetCall(glslang::TOperator op)
{
    switch (op) {
    case glslang::EOpTextureOffset:
    case glslang::EOpTextureFetchOffset:
    case glslang::EOpTextureProjOffset:
    case glslang::EOpTextureLodOffset:
    case glslang::EOpTextureProjLodOffset:
    case glslang::EOpTextureGradOffset:
    case glslang::EOpTextureProjGradOffset:
    case glslang::EOpSparseTextureOffset:
    case glslang::EOpSparseTextureFetchOffset:
    case glslang::EOpSparseTextureLodOffset:
    case glslang::EOpSparseTextureGradOffset:
        return true;
    default:
        return false;
    }
}

class OffsetCallFinder final : public glslang::TIntermTraverser {
public:
    explicit OffsetCallFinder(const std::string& mainFile) : mainFile_(mainFile) {}

    std::vector<SourcePosition> calls;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        if (IsOffsetCall(node->getOp())) {
            const glslang::TSourceLoc& loc = node->getLoc();
            const char* file = loc.getFilename();
            calls.push_back({file && *file ? file : mainFile_, std::max(loc.line, 1), std::max(loc.column, 1)});
        }
        return true;
    }

private:
    const std::string& mainFile_;
};

// The argument that is the offset, by operation; -1 where it is not known.
int OffsetArgument(glslang::TOperator op)
{
    switch (op) {
    case glslang::EOpTextureOffset:
    case glslang::EOpTextureProjOffset:
        return 2;
    case glslang::EOpTextureFetchOffset:
    case glslang::EOpTextureLodOffset:
    case glslang::EOpTextureProjLodOffset:
        return 3;
    case glslang::EOpTextureGradOffset:
    case glslang::EOpTextureProjGradOffset:
        return 4;
    default:
        return -1;
    }
}

std::optional<long long> IntegerConstant(const glslang::TIntermTyped* node)
{
    const glslang::TIntermConstantUnion* constant = node ? node->getAsConstantUnion() : nullptr;
    if (!constant || constant->getConstArray().size() != 1)
        return std::nullopt;
    const glslang::TConstUnion& value = constant->getConstArray()[0];
    switch (value.getType()) {
    case glslang::EbtInt:
        return value.getIConst();
    case glslang::EbtUint:
        return value.getUConst();
    default:
        return std::nullopt;
    }
}

const glslang::TIntermSymbol* Symbol(const glslang::TIntermTyped* node)
{
    return node ? node->getAsSymbolNode() : nullptr;
}

// The constant a loop's counter starts at: the for statement's
// initialisation, which glslang places just before the loop.
std::optional<long long> InitialValue(const TIntermNode* before, long long id)
{
    if (!before)
        return std::nullopt;
    if (const glslang::TIntermAggregate* sequence = before->getAsAggregate()) {
        for (const TIntermNode* part : sequence->getSequence())
            if (std::optional<long long> value = InitialValue(part, id))
                return value;
        return std::nullopt;
    }
    const glslang::TIntermBinary* assign = before->getAsBinaryNode();
    const glslang::TIntermSymbol* counter = assign ? Symbol(assign->getLeft()) : nullptr;
    if (!counter || assign->getOp() != glslang::EOpAssign || counter->getId() != id)
        return std::nullopt;
    return IntegerConstant(assign->getRight());
}

// How many times a loop of the form for (i = a; i < b; i += c) runs, counted
// up to `limit` + 1; nothing for any other form.
std::optional<long long> TripCount(const glslang::TIntermLoop& loop, const TIntermNode* before, long long limit)
{
    const glslang::TIntermBinary* test = loop.getTest() ? loop.getTest()->getAsBinaryNode() : nullptr;
    const glslang::TIntermSymbol* counter = test ? Symbol(test->getLeft()) : nullptr;
    const std::optional<long long> bound = test ? IntegerConstant(test->getRight()) : std::nullopt;
    if (!counter || !bound || !loop.testFirst())
        return std::nullopt;
    std::optional<long long> step;
    if (const glslang::TIntermUnary* unary = loop.getTerminal() ? loop.getTerminal()->getAsUnaryNode() : nullptr) {
        const glslang::TOperator op = unary->getOp();
        if (Symbol(unary->getOperand()) && Symbol(unary->getOperand())->getId() == counter->getId())
            step = op == glslang::EOpPostIncrement || op == glslang::EOpPreIncrement   ? std::optional<long long>(1)
                   : op == glslang::EOpPostDecrement || op == glslang::EOpPreDecrement ? std::optional<long long>(-1)
                                                                                       : std::nullopt;
    } else if (const glslang::TIntermBinary* binary =
                   loop.getTerminal() ? loop.getTerminal()->getAsBinaryNode() : nullptr) {
        const std::optional<long long> amount = IntegerConstant(binary->getRight());
        if (amount && Symbol(binary->getLeft()) && Symbol(binary->getLeft())->getId() == counter->getId())
            step = binary->getOp() == glslang::EOpAddAssign   ? amount
                   : binary->getOp() == glslang::EOpSubAssign ? std::optional<long long>(-*amount)
                                                              : std::nullopt;
    }
    const std::optional<long long> start = InitialValue(before, counter->getId());
    if (!step || !start)
        return std::nullopt;
    const auto holds = [&](long long value) -> std::optional<bool> {
        switch (test->getOp()) {
        case glslang::EOpLessThan:
            return value < *bound;
        case glslang::EOpLessThanEqual:
            return value <= *bound;
        case glslang::EOpGreaterThan:
            return value > *bound;
        case glslang::EOpGreaterThanEqual:
            return value >= *bound;
        case glslang::EOpNotEqual:
            return value != *bound;
        default:
            return std::nullopt;
        }
    };
    long long trips = 0;
    for (long long value = *start; trips <= limit; value += *step, ++trips) {
        const std::optional<bool> more = holds(value);
        if (!more)
            return std::nullopt;
        if (!*more)
            break;
    }
    return trips;
}

// The first texture call with a non-constant offset inside a loop that runs
// more than `limit` times.
class LongLoopOffsetFinder final : public glslang::TIntermTraverser {
public:
    LongLoopOffsetFinder(const std::string& mainFile, int limit) : mainFile_(mainFile), limit_(limit) {}

    std::optional<SourcePosition> found;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        const int offset = OffsetArgument(node->getOp());
        if (found || offset < 0 || static_cast<std::size_t>(offset) >= node->getSequence().size())
            return !found;
        const glslang::TIntermTyped* argument = node->getSequence()[static_cast<std::size_t>(offset)]->getAsTyped();
        if (!argument || argument->getAsConstantUnion())
            return true;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const glslang::TIntermLoop* loop = path[i]->getAsLoopNode();
            if (!loop)
                continue;
            // The statement before the loop in the enclosing sequence.
            const TIntermNode* before = nullptr;
            if (const glslang::TIntermAggregate* parent = i > 0 ? path[i - 1]->getAsAggregate() : nullptr) {
                const glslang::TIntermSequence& statements = parent->getSequence();
                const auto at = std::find(statements.begin(), statements.end(), path[i]);
                if (at != statements.end() && at != statements.begin())
                    before = *(at - 1);
            }
            const std::optional<long long> trips = TripCount(*loop, before, limit_);
            if (trips && *trips > limit_) {
                const glslang::TSourceLoc& loc = node->getLoc();
                const char* file = loc.getFilename();
                found = SourcePosition{file && *file ? file : mainFile_, std::max(loc.line, 1),
                                       std::max(loc.column, 1)};
                return false;
            }
        }
        return true;
    }

private:
    const std::string& mainFile_;
    long long limit_;
};

} // namespace

std::optional<Diagnostic> CheckUnrollLimit(const glslang::TIntermediate& intermediate, const std::string& mainFile,
                                           int limit)
{
    LongLoopOffsetFinder finder(mainFile, limit);
    if (TIntermNode* root = intermediate.getTreeRoot())
        root->traverse(&finder);
    if (!finder.found)
        return std::nullopt;
    return MakeDiagnostic(*finder.found, "the offset of this texture call must be a constant: it depends on a loop "
                                         "of more than "
                                             + std::to_string(limit)
                                             + " iterations, which is more than the compiler unrolls");
}

std::vector<SourcePosition> OffsetCallPositions(const glslang::TIntermediate& intermediate,
                                                const std::string& mainFile)
{
    OffsetCallFinder finder(mainFile);
    if (TIntermNode* root = intermediate.getTreeRoot())
        root->traverse(&finder);
    return finder.calls;
}

// ---- Unbound resources --------------------------------------------------------------

namespace {

enum class Kind { None, ReadOnlyBuffer, ReadWriteBuffer, TexelBuffer, StorageImage };

struct Module {
    const std::vector<std::uint32_t>& words;
    std::vector<Instruction> list;
    std::map<std::uint32_t, std::string> names;
    std::map<std::uint32_t, std::size_t> definitions; // id -> instruction index, types and globals
    std::set<std::uint32_t> bufferBlocks;             // structs decorated BufferBlock
    std::map<std::uint32_t, std::set<std::uint32_t>> nonWritableMembers;
    std::size_t firstFunction = 0;

    explicit Module(const std::vector<std::uint32_t>& w) : words(w), list(Instructions(w))
    {
        firstFunction = list.size();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const Instruction& instruction = list[i];
            const std::uint32_t* operands = &words[instruction.at + 1];
            const std::size_t count = instruction.count - 1u;
            if (instruction.opcode == OpFunction) {
                firstFunction = i;
                break;
            }
            switch (instruction.opcode) {
            case OpName:
                if (count >= 2)
                    names[operands[0]] = LiteralString(words, instruction.at + 2, instruction.at + instruction.count);
                break;
            case OpDecorate:
                if (count >= 2 && operands[1] == kDecorationBufferBlock)
                    bufferBlocks.insert(operands[0]);
                break;
            case OpMemberDecorate:
                if (count >= 3 && operands[2] == kDecorationNonWritable)
                    nonWritableMembers[operands[0]].insert(operands[1]);
                break;
            case OpTypeImage:
            case OpTypeSampledImage:
            case OpTypeArray:
            case OpTypeRuntimeArray:
            case OpTypeStruct:
            case OpTypePointer:
                if (count >= 1)
                    definitions[operands[0]] = i;
                break;
            case OpVariable:
                if (count >= 3)
                    definitions[operands[1]] = i;
                break;
            default:
                break;
            }
        }
    }

    const Instruction* Definition(std::uint32_t id) const
    {
        const auto it = definitions.find(id);
        return it == definitions.end() ? nullptr : &list[it->second];
    }
    std::uint32_t Operand(const Instruction& instruction, std::size_t index) const
    {
        return index < instruction.count ? words[instruction.at + index] : 0;
    }

    // A variable's name; for the nameless instance of a tbuffer, its block's.
    std::string Name(std::uint32_t variable) const
    {
        const auto own = names.find(variable);
        if (own != names.end() && !own->second.empty())
            return own->second;
        const Instruction* definition = Definition(variable);
        const Instruction* pointer = definition ? Definition(Operand(*definition, 1)) : nullptr;
        std::uint32_t type = pointer && pointer->opcode == OpTypePointer ? Operand(*pointer, 3) : 0;
        for (const Instruction* pointee = Definition(type);
             pointee && (pointee->opcode == OpTypeArray || pointee->opcode == OpTypeRuntimeArray);
             pointee = Definition(type))
            type = Operand(*pointee, 2);
        const auto block = names.find(type);
        return block == names.end() ? std::string() : block->second;
    }

    bool IsImageType(std::uint32_t type) const
    {
        const Instruction* definition = Definition(type);
        return definition && (definition->opcode == OpTypeImage || definition->opcode == OpTypeSampledImage);
    }

    // What a global variable is, by its pointer type.
    Kind KindOf(const Instruction& variable) const
    {
        const Instruction* pointer = Definition(Operand(variable, 1));
        if (!pointer || pointer->opcode != OpTypePointer)
            return Kind::None;
        const std::uint32_t storage = Operand(*pointer, 2);
        std::uint32_t type = Operand(*pointer, 3);
        const Instruction* pointee = Definition(type);
        while (pointee && (pointee->opcode == OpTypeArray || pointee->opcode == OpTypeRuntimeArray)) {
            type = Operand(*pointee, 2);
            pointee = Definition(type);
        }
        if (!pointee)
            return Kind::None;
        if (pointee->opcode == OpTypeStruct
            && (storage == kStorageStorageBuffer || (storage == kStorageUniform && bufferBlocks.count(type)))) {
            const std::size_t members = pointee->count - 2u;
            const auto nonWritable = nonWritableMembers.find(type);
            const bool readOnly = members > 0 && nonWritable != nonWritableMembers.end()
                                  && nonWritable->second.size() == members;
            return readOnly ? Kind::ReadOnlyBuffer : Kind::ReadWriteBuffer;
        }
        if (pointee->opcode == OpTypeImage) {
            const std::uint32_t dim = Operand(*pointee, 3);
            const std::uint32_t sampled = Operand(*pointee, 7);
            if (sampled == 2)
                return Kind::StorageImage;
            if (dim == kDimBuffer)
                return Kind::TexelBuffer;
        }
        return Kind::None;
    }
};

bool IsAtomicWithResult(std::uint16_t opcode)
{
    return opcode == OpAtomicLoad || (opcode > OpAtomicStore && opcode <= OpAtomicXor);
}

bool IsImageQueryOrRead(std::uint16_t opcode)
{
    switch (opcode) {
    case OpImageFetch:
    case OpImageRead:
    case OpImageQuerySizeLod:
    case OpImageQuerySize:
    case OpImageQueryLevels:
    case OpImageQuerySamples:
    case OpImageSparseFetch:
    case OpImageSparseRead:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<std::vector<UnboundResource>> ZeroUnboundResources(std::vector<std::uint32_t>& words)
{
    const Module module(words);
    if (module.list.empty())
        return std::vector<UnboundResource>{};

    // The variables, and every pointer or image value derived from them,
    // mapped to the variable they come from.
    std::map<std::uint32_t, std::uint32_t> pointers;
    std::map<std::uint32_t, std::uint32_t> images;
    std::vector<std::pair<std::uint32_t, Kind>> variables;
    for (std::size_t i = 0; i < module.firstFunction; ++i) {
        const Instruction& instruction = module.list[i];
        if (instruction.opcode != OpVariable)
            continue;
        const Kind kind = module.KindOf(instruction);
        if (kind == Kind::None)
            continue;
        const std::uint32_t id = module.Operand(instruction, 2);
        pointers[id] = id;
        variables.emplace_back(id, kind);
    }
    if (variables.empty())
        return std::vector<UnboundResource>{};

    // Each instruction to replace by a copy of a null constant of its type,
    // or to drop (type 0).
    std::map<std::size_t, std::uint32_t> replaced;
    std::set<std::uint32_t> used;
    const auto from = [](const std::map<std::uint32_t, std::uint32_t>& set, std::uint32_t id) {
        const auto it = set.find(id);
        return it == set.end() ? 0u : it->second;
    };
    for (std::size_t i = module.firstFunction; i < module.list.size(); ++i) {
        const Instruction& instruction = module.list[i];
        const auto operand = [&](std::size_t index) { return module.Operand(instruction, index); };
        std::uint32_t source = 0;
        switch (instruction.opcode) {
        case OpAccessChain:
        case OpInBoundsAccessChain:
        case OpPtrAccessChain:
        case OpInBoundsPtrAccessChain:
        case OpImageTexelPointer:
            if ((source = from(pointers, operand(3))))
                pointers[operand(2)] = source;
            break;
        case OpCopyObject:
            if ((source = from(pointers, operand(3))))
                pointers[operand(2)] = source;
            else if ((source = from(images, operand(3))))
                images[operand(2)] = source;
            break;
        case OpLoad:
            if ((source = from(pointers, operand(3)))) {
                if (module.IsImageType(operand(1)))
                    images[operand(2)] = source; // the load itself dies with its uses
                else
                    replaced[i] = operand(1);
            }
            break;
        case OpSampledImage:
        case OpImage:
            if ((source = from(images, operand(3))))
                images[operand(2)] = source;
            break;
        case OpStore:
        case OpAtomicStore:
            if ((source = from(pointers, operand(1))))
                replaced[i] = 0;
            break;
        case OpArrayLength:
            if ((source = from(pointers, operand(3))))
                replaced[i] = operand(1);
            break;
        case OpImageWrite:
            if ((source = from(images, operand(1))))
                replaced[i] = 0;
            break;
        default:
            if (IsAtomicWithResult(instruction.opcode) && (source = from(pointers, operand(3))))
                replaced[i] = operand(1);
            else if (IsImageQueryOrRead(instruction.opcode) && (source = from(images, operand(3))))
                replaced[i] = operand(1);
            break;
        }
        if (source)
            used.insert(source);
    }

    // Null constants, declared after every type and global.
    std::uint32_t bound = words[3];
    std::map<std::uint32_t, std::uint32_t> nulls; // type -> constant
    for (const auto& [index, type] : replaced)
        if (type && !nulls.count(type))
            nulls[type] = bound++;

    std::vector<std::uint32_t> out(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(kHeaderWords));
    out[3] = bound;
    for (std::size_t i = 0; i < module.list.size(); ++i) {
        const Instruction& instruction = module.list[i];
        if (i == module.firstFunction)
            for (const auto& [type, id] : nulls)
                out.insert(out.end(), {(3u << 16) | OpConstantNull, type, id});
        const auto replacement = replaced.find(i);
        if (replacement == replaced.end()) {
            out.insert(out.end(), words.begin() + static_cast<std::ptrdiff_t>(instruction.at),
                       words.begin() + static_cast<std::ptrdiff_t>(instruction.at + instruction.count));
        } else if (replacement->second) {
            out.insert(out.end(), {(4u << 16) | OpCopyObject, replacement->second, module.Operand(instruction, 2),
                                   nulls.at(replacement->second)});
        }
    }

    std::vector<UnboundResource> resources;
    for (const auto& [id, kind] : variables) {
        if (!used.count(id))
            continue;
        UnboundResource resource;
        resource.name = module.Name(id);
        resource.takesTextureSlot = kind == Kind::ReadOnlyBuffer || kind == Kind::TexelBuffer;
        resource.readWrite = kind == Kind::ReadWriteBuffer || kind == Kind::StorageImage;
        resources.push_back(std::move(resource));
    }

    // Loads of images and access chains now unused go, and with them the
    // variables.
    spvtools::Optimizer optimizer(kTargetEnvironment);
    Quiet(optimizer);
    optimizer.RegisterPass(spvtools::CreateAggressiveDCEPass())
        .RegisterPass(spvtools::CreateDeadVariableEliminationPass())
        .RegisterPass(spvtools::CreateEliminateDeadConstantPass());
    if (!Run(optimizer, out))
        return std::nullopt;
    // `module` reads `words`: it is done with them only here.
    words = std::move(out);
    return resources;
}

} // namespace hlsl
