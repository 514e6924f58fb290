// The opcode table's HasResultAndType, to find every result and its type:
// before spirv.hpp's first inclusion.
#define SPV_ENABLE_UTILITY_CODE
#include "platform/hlsl/spirv_module.h"

#include <spirv-tools/optimizer.hpp>

namespace hlsl::spirv {

namespace {

std::uint32_t FirstWord(spv::Op op, std::size_t count)
{
    return (static_cast<std::uint32_t>(count) << spv::WordCountShift) | static_cast<std::uint32_t>(op);
}

} // namespace

Instruction::Instruction(spv::Op op, std::initializer_list<std::uint32_t> operands)
{
    words_.reserve(operands.size() + 1);
    words_.push_back(FirstWord(op, operands.size() + 1));
    words_.insert(words_.end(), operands);
}

void Instruction::SetOp(spv::Op op)
{
    words_[0] = FirstWord(op, words_.size());
}

void Instruction::Append(std::uint32_t word)
{
    words_.push_back(word);
    words_[0] = FirstWord(Op(), words_.size());
}

std::string Instruction::String(std::size_t index) const
{
    std::string text;
    for (std::size_t i = index; i < words_.size(); ++i)
        for (int byte = 0; byte < 4; ++byte) {
            const char c = static_cast<char>((words_[i] >> (8 * byte)) & 0xFFu);
            if (c == '\0')
                return text;
            text += c;
        }
    return text;
}

std::uint32_t Instruction::Result() const
{
    bool hasResult = false, hasType = false;
    spv::HasResultAndType(Op(), &hasResult, &hasType);
    return hasResult ? Word(hasType ? 2 : 1) : 0;
}

std::uint32_t Instruction::ResultType() const
{
    bool hasResult = false, hasType = false;
    spv::HasResultAndType(Op(), &hasResult, &hasType);
    return hasType ? Word(1) : 0;
}

Module::Module(const Words& words)
{
    if (words.size() < kHeaderWords) {
        complete_ = false;
        header_.assign(kHeaderWords, 0);
        return;
    }
    header_.assign(words.begin(), words.begin() + kHeaderWords);
    for (std::size_t at = kHeaderWords; at < words.size();) {
        const std::uint32_t count = words[at] >> spv::WordCountShift;
        if (count == 0 || at + count > words.size()) {
            complete_ = false;
            break;
        }
        const auto begin = words.begin() + static_cast<std::ptrdiff_t>(at);
        instructions_.emplace_back(begin, begin + count);
        at += count;
    }
    Read();
}

void Module::SetInstructions(std::vector<Instruction> instructions)
{
    instructions_ = std::move(instructions);
    Read();
}

void Module::Read()
{
    firstFunction_ = instructions_.size();
    definitions_.clear();
    names_.clear();
    decorations_.clear();
    memberDecorations_.clear();
    for (std::size_t i = 0; i < instructions_.size(); ++i) {
        const Instruction& instruction = instructions_[i];
        if (const std::uint32_t result = instruction.Result())
            definitions_[result] = i;
        switch (instruction.Op()) {
        case spv::OpFunction:
            if (firstFunction_ == instructions_.size())
                firstFunction_ = i;
            break;
        case spv::OpName:
            if (instruction.Size() >= 3)
                names_[instruction.Word(1)] = instruction.String(2);
            break;
        case spv::OpDecorate:
            if (instruction.Size() >= 3)
                decorations_.insert({instruction.Word(1), instruction.Word(2)});
            break;
        case spv::OpMemberDecorate:
            if (instruction.Size() >= 4)
                memberDecorations_[{instruction.Word(1), instruction.Word(3)}].insert(instruction.Word(2));
            break;
        case spv::OpTypeBool:
            types_[{spv::OpTypeBool, 0, 0}] = instruction.Word(1);
            break;
        case spv::OpTypeInt:
            types_[{spv::OpTypeInt, instruction.Word(2), instruction.Word(3)}] = instruction.Word(1);
            break;
        case spv::OpTypeFloat:
            types_[{spv::OpTypeFloat, instruction.Word(2), 0}] = instruction.Word(1);
            break;
        case spv::OpTypeVector:
            types_[{spv::OpTypeVector, instruction.Word(2), instruction.Word(3)}] = instruction.Word(1);
            vectors_[instruction.Word(1)] = {instruction.Word(2), instruction.Word(3)};
            break;
        default:
            break;
        }
    }
}

const Instruction* Module::Definition(std::uint32_t id) const
{
    const auto it = definitions_.find(id);
    return it == definitions_.end() ? nullptr : &instructions_[it->second];
}

std::uint32_t Module::TypeOf(std::uint32_t id) const
{
    const Instruction* definition = Definition(id);
    return definition ? definition->ResultType() : 0;
}

std::string Module::Name(std::uint32_t id) const
{
    const auto it = names_.find(id);
    return it == names_.end() ? std::string() : it->second;
}

bool Module::Decorated(std::uint32_t id, spv::Decoration decoration) const
{
    return decorations_.count({id, static_cast<std::uint32_t>(decoration)}) != 0;
}

std::set<std::uint32_t> Module::DecoratedMembers(std::uint32_t type, spv::Decoration decoration) const
{
    const auto it = memberDecorations_.find({type, static_cast<std::uint32_t>(decoration)});
    return it == memberDecorations_.end() ? std::set<std::uint32_t>{} : it->second;
}

std::uint32_t Module::ImportedSet(const std::string& name) const
{
    for (const Instruction& instruction : instructions_)
        if (instruction.Op() == spv::OpExtInstImport && instruction.String(2).starts_with(name))
            return instruction.Word(1);
    return 0;
}

bool Module::IsConstant(std::uint32_t id) const
{
    const Instruction* definition = Definition(id);
    if (!definition)
        return false;
    switch (definition->Op()) {
    case spv::OpConstantTrue:
    case spv::OpConstantFalse:
    case spv::OpConstant:
    case spv::OpConstantComposite:
    case spv::OpConstantNull:
        return true;
    default:
        return false;
    }
}

std::pair<std::uint32_t, std::uint32_t> Module::Components(std::uint32_t type) const
{
    const auto it = vectors_.find(type);
    return it == vectors_.end() ? std::pair{type, 1u} : it->second;
}

std::uint32_t Module::FindType(spv::Op op, std::uint32_t a, std::uint32_t b) const
{
    const auto it = types_.find({op, a, b});
    return it == types_.end() ? 0 : it->second;
}

void Module::AddGlobal(Instruction instruction)
{
    globals_.push_back(std::move(instruction));
}

// Two declarations of one scalar or vector type are invalid: reuse.
std::uint32_t Module::BoolType(std::uint32_t count)
{
    std::uint32_t scalar = FindType(spv::OpTypeBool);
    if (!scalar) {
        scalar = NewId();
        AddGlobal(Instruction(spv::OpTypeBool, {scalar}));
        types_[{spv::OpTypeBool, 0, 0}] = scalar;
    }
    return VectorType(scalar, count);
}

std::uint32_t Module::IntType(bool isSigned, std::uint32_t count)
{
    std::uint32_t scalar = FindType(spv::OpTypeInt, 32, isSigned ? 1 : 0);
    if (!scalar) {
        scalar = NewId();
        AddGlobal(Instruction(spv::OpTypeInt, {scalar, 32, isSigned ? 1u : 0u}));
        types_[{spv::OpTypeInt, 32, isSigned ? 1u : 0u}] = scalar;
    }
    return VectorType(scalar, count);
}

std::uint32_t Module::VectorType(std::uint32_t scalar, std::uint32_t count)
{
    if (count == 1)
        return scalar;
    std::uint32_t vector = FindType(spv::OpTypeVector, scalar, count);
    if (!vector) {
        vector = NewId();
        AddGlobal(Instruction(spv::OpTypeVector, {vector, scalar, count}));
        types_[{spv::OpTypeVector, scalar, count}] = vector;
        vectors_[vector] = {scalar, count};
    }
    return vector;
}

std::uint32_t Module::Constant(std::uint32_t type, std::uint32_t bits)
{
    const auto key = std::pair{type, bits};
    if (const auto it = constants_.find(key); it != constants_.end())
        return it->second;
    const auto [component, count] = Components(type);
    std::uint32_t id = 0;
    if (count == 1) {
        id = NewId();
        AddGlobal(Instruction(spv::OpConstant, {type, id, bits}));
    } else {
        const std::uint32_t scalar = Constant(component, bits);
        id = NewId();
        Instruction composite(spv::OpConstantComposite, {type, id});
        for (std::uint32_t i = 0; i < count; ++i)
            composite.Append(scalar);
        AddGlobal(std::move(composite));
    }
    constants_[key] = id;
    return id;
}

std::uint32_t Module::NullConstant(std::uint32_t type)
{
    if (const auto it = nulls_.find(type); it != nulls_.end())
        return it->second;
    const std::uint32_t id = NewId();
    AddGlobal(Instruction(spv::OpConstantNull, {type, id}));
    nulls_[type] = id;
    return id;
}

Words Module::Serialize() const
{
    Words words = header_;
    bool placed = false;
    const auto place = [&] {
        for (const Instruction& global : globals_)
            words.insert(words.end(), global.Encoded().begin(), global.Encoded().end());
        placed = true;
    };
    for (const Instruction& instruction : instructions_) {
        if (!placed && instruction.Op() == spv::OpFunction)
            place();
        words.insert(words.end(), instruction.Encoded().begin(), instruction.Encoded().end());
    }
    if (!placed)
        place();
    return words;
}

bool RunOptimizer(Words& words, const std::function<void(spvtools::Optimizer&)>& add)
{
    // glslang's target: SPIR-V 1.0 for Vulkan 1.0.
    spvtools::Optimizer optimizer(SPV_ENV_VULKAN_1_0);
    optimizer.SetMessageConsumer([](spv_message_level_t, const char*, const spv_position_t&, const char*) {});
    add(optimizer);
    spvtools::OptimizerOptions options;
    options.set_run_validator(false);
    Words out;
    if (!optimizer.Run(words.data(), words.size(), &out, options) || out.empty())
        return false;
    words = std::move(out);
    return true;
}

} // namespace hlsl::spirv
