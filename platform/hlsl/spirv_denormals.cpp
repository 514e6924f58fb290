// Float32 denormals, flushed as Direct3D flushes them.

#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

namespace spv {
#include <glslang/SPIRV/GLSL.std.450.h>
}

#include <map>
#include <set>
#include <unordered_map>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

// The operations whose float operands Direct3D flushes, and whose float
// results it flushes too. Moves, selects, swizzles, bit casts, negation and
// abs (source modifiers in Direct3D's code) keep a denormal.
bool Arithmetic(const Instruction& instruction, std::uint32_t glslSet)
{
    switch (instruction.Op()) {
    case spv::OpFAdd:
    case spv::OpFSub:
    case spv::OpFMul:
    case spv::OpFDiv:
    case spv::OpFRem:
    case spv::OpFMod:
    case spv::OpVectorTimesScalar:
    case spv::OpVectorTimesMatrix:
    case spv::OpMatrixTimesVector:
    case spv::OpDot:
    case spv::OpFOrdEqual:
    case spv::OpFUnordEqual:
    case spv::OpFOrdNotEqual:
    case spv::OpFUnordNotEqual:
    case spv::OpFOrdLessThan:
    case spv::OpFUnordLessThan:
    case spv::OpFOrdGreaterThan:
    case spv::OpFUnordGreaterThan:
    case spv::OpFOrdLessThanEqual:
    case spv::OpFUnordLessThanEqual:
    case spv::OpFOrdGreaterThanEqual:
    case spv::OpFUnordGreaterThanEqual:
        return true;
    case spv::OpExtInst:
        return glslSet && instruction.Word(3) == glslSet && instruction.Word(4) != spv::GLSLstd450FAbs;
    default:
        return false;
    }
}

// The first operand word of an instruction with a result: after the set
// and the function number for an extended instruction.
std::size_t FirstOperand(const Instruction& instruction)
{
    return instruction.Op() == spv::OpExtInst ? 5 : 3;
}

// A float32 constant, or a composite of them, without a denormal.
bool NormalConstant(const Module& module, std::uint32_t id)
{
    const Instruction* definition = module.Definition(id);
    if (!definition)
        return false;
    if (definition->Op() == spv::OpConstant) {
        const std::uint32_t exponent = definition->Word(3) & 0x7F800000u;
        return exponent != 0 || (definition->Word(3) & 0x7FFFFFFFu) == 0;
    }
    if (definition->Op() == spv::OpConstantComposite) {
        for (std::size_t i = 3; i < definition->Size(); ++i)
            if (!NormalConstant(module, definition->Word(i)))
                return false;
        return true;
    }
    return definition->Op() == spv::OpConstantNull;
}

// The function type `type (type)`, found or declared.
std::uint32_t UnaryFunctionType(Module& module, std::uint32_t type)
{
    for (const Instruction& instruction : module.Instructions())
        if (instruction.Op() == spv::OpTypeFunction && instruction.Size() == 4 && instruction.Word(2) == type
            && instruction.Word(3) == type)
            return instruction.Result();
    const std::uint32_t function = module.NewId();
    module.AddGlobal(Instruction(spv::OpTypeFunction, {function, type, type}));
    return function;
}

// `value` with a denormal replaced by zero of its sign, on the bits, into
// `result`: exact whether or not the driver flushes in its own arithmetic.
void EmitFlush(Module& module, std::uint32_t floatType, std::uint32_t value, std::uint32_t result,
               std::vector<Instruction>& code)
{
    const std::uint32_t count = module.Components(floatType).second;
    const std::uint32_t uintType = module.IntType(false, count);
    const std::uint32_t bits = module.NewId(), exponent = module.NewId(), denormal = module.NewId();
    const std::uint32_t sign = module.NewId(), flushed = module.NewId();
    code.push_back(Instruction(spv::OpBitcast, {uintType, bits, value}));
    code.push_back(
        Instruction(spv::OpBitwiseAnd, {uintType, exponent, bits, module.Constant(uintType, 0x7F800000u)}));
    code.push_back(
        Instruction(spv::OpIEqual, {module.BoolType(count), denormal, exponent, module.Constant(uintType, 0)}));
    code.push_back(
        Instruction(spv::OpBitwiseAnd, {uintType, sign, bits, module.Constant(uintType, 0x80000000u)}));
    code.push_back(Instruction(spv::OpSelect, {uintType, flushed, denormal, sign, bits}));
    code.push_back(Instruction(spv::OpBitcast, {floatType, result, flushed}));
}

// A function that gives its argument flushed (EmitFlush). It is marked
// DontInline, so that the optimizer, which folds constants with denormals
// kept, cannot fold through the flush; the GL driver inlines it. Its
// instructions are appended to `functions`.
std::uint32_t FlushFunction(Module& module, std::uint32_t floatType, std::vector<Instruction>& functions)
{
    const std::uint32_t function = module.NewId(), value = module.NewId(), label = module.NewId();
    const std::uint32_t result = module.NewId();
    functions.push_back(Instruction(spv::OpFunction, {floatType, function, spv::FunctionControlDontInlineMask,
                                                      UnaryFunctionType(module, floatType)}));
    functions.push_back(Instruction(spv::OpFunctionParameter, {floatType, value}));
    functions.push_back(Instruction(spv::OpLabel, {label}));
    EmitFlush(module, floatType, value, result, functions);
    functions.push_back(Instruction(spv::OpReturnValue, {result}));
    functions.push_back(Instruction(spv::OpFunctionEnd, {}));
    return function;
}

// Instructions without side effects, which may go when nothing uses their
// result: what the flushes' operands are made of.
bool Pure(const Instruction& instruction, std::uint32_t glslSet, const std::set<std::uint32_t>& flushes)
{
    switch (instruction.Op()) {
    case spv::OpLoad:
    case spv::OpAccessChain:
    case spv::OpInBoundsAccessChain:
    case spv::OpCompositeExtract:
    case spv::OpCompositeConstruct:
    case spv::OpVectorShuffle:
    case spv::OpCopyObject:
    case spv::OpBitcast:
    case spv::OpSelect:
    case spv::OpFNegate:
    case spv::OpConvertFToS:
    case spv::OpConvertFToU:
    case spv::OpConvertSToF:
    case spv::OpConvertUToF:
    case spv::OpBitwiseAnd:
    case spv::OpIEqual:
        return true;
    case spv::OpExtInst:
        return glslSet && instruction.Word(3) == glslSet;
    case spv::OpFunctionCall:
        return flushes.count(instruction.Word(3)) != 0;
    default:
        return Arithmetic(instruction, glslSet);
    }
}

} // namespace

void LowerUnreadFlushes(std::vector<std::uint32_t>& words)
{
    Module module(words);
    if (!module.Complete())
        return;
    // The flush functions: each returns its one float argument, flushed.
    std::set<std::uint32_t> flushes;
    for (const Instruction& instruction : module.Instructions())
        if (instruction.Op() == spv::OpFunction && instruction.Word(3) == spv::FunctionControlDontInlineMask
            && module.Name(instruction.Result()).empty())
            flushes.insert(instruction.Result());
    if (flushes.empty())
        return;
    const std::uint32_t glslSet = module.ImportedSet("GLSL.std.450");
    std::vector<Instruction> instructions = module.Instructions();
    for (bool removed = true; removed;) {
        // Every word after the result counts as a use: a literal that
        // happens to equal an id only keeps an instruction that could go.
        std::unordered_map<std::uint32_t, std::size_t> uses;
        for (const Instruction& instruction : instructions) {
            if (instruction.Op() == spv::OpName || instruction.Op() == spv::OpDecorate)
                continue;
            const std::size_t first = instruction.Result() ? (instruction.ResultType() ? 3 : 2) : 1;
            for (std::size_t i = first; i < instruction.Size(); ++i)
                ++uses[instruction.Word(i)];
            if (instruction.ResultType())
                ++uses[instruction.ResultType()];
        }
        removed = false;
        std::vector<Instruction> kept;
        kept.reserve(instructions.size());
        std::set<std::uint32_t> gone;
        for (std::size_t i = 0; i < instructions.size(); ++i) {
            const Instruction& instruction = instructions[i];
            const bool dead = i >= module.FirstFunction() && instruction.Result() && !uses.count(instruction.Result())
                              && Pure(instruction, glslSet, flushes);
            if (dead) {
                gone.insert(instruction.Result());
                removed = true;
            } else {
                kept.push_back(instruction);
            }
        }
        std::erase_if(kept, [&](const Instruction& instruction) {
            return (instruction.Op() == spv::OpName || instruction.Op() == spv::OpDecorate)
                   && gone.count(instruction.Word(1));
        });
        instructions = std::move(kept);
    }
    module.SetInstructions(std::move(instructions));
    words = module.Serialize();
}

void LowerDenormals(std::vector<std::uint32_t>& words, bool inPlace)
{
    Module module(words);
    if (!module.Complete() || !module.FindType(spv::OpTypeFloat, 32))
        return;
    const std::uint32_t glslSet = module.ImportedSet("GLSL.std.450");
    // The results of arithmetic are flushed where they are made, so an
    // operand that is one needs no flush of its own.
    std::set<std::uint32_t> flushedResults;
    for (const Instruction& instruction : module.Instructions())
        if (Arithmetic(instruction, glslSet) && module.IsFloat32(instruction.ResultType()))
            flushedResults.insert(instruction.Result());
    std::map<std::uint32_t, std::uint32_t> flushedOperands; // within one block: value -> flushed
    std::map<std::uint32_t, std::uint32_t> flushFunctions;  // float type -> its flush
    std::vector<Instruction> functions;
    const auto flush = [&](std::uint32_t type, std::uint32_t value, std::vector<Instruction>& code,
                           std::uint32_t result) {
        auto known = flushFunctions.find(type);
        if (known == flushFunctions.end() && !inPlace)
            known = flushFunctions.emplace(type, FlushFunction(module, type, functions)).first;
        if (!result)
            result = module.NewId();
        if (inPlace)
            EmitFlush(module, type, value, result, code);
        else
            code.push_back(Instruction(spv::OpFunctionCall, {type, result, known->second, value}));
        return result;
    };
    bool changed = false;
    std::vector<Instruction> rewritten;
    for (const Instruction& instruction : module.Instructions()) {
        if (instruction.Op() == spv::OpLabel)
            flushedOperands.clear();
        if (!Arithmetic(instruction, glslSet)) {
            rewritten.push_back(instruction);
            continue;
        }
        Instruction operation = instruction;
        for (std::size_t i = FirstOperand(instruction); i < instruction.Size(); ++i) {
            const std::uint32_t operand = instruction.Word(i);
            const std::uint32_t type = module.TypeOf(operand);
            // A matrix operand is left as it is: each of its columns would
            // need a flush of its own.
            if (!module.IsFloat32(type) || flushedResults.count(operand) || NormalConstant(module, operand))
                continue;
            auto known = flushedOperands.find(operand);
            if (known == flushedOperands.end())
                known = flushedOperands.emplace(operand, flush(type, operand, rewritten, 0)).first;
            operation.WordAt(i) = known->second;
            changed = true;
        }
        if (!flushedResults.count(instruction.Result())) {
            rewritten.push_back(std::move(operation));
            continue;
        }
        // The flushed value takes the original result id, which the rest of
        // the module uses.
        const std::uint32_t plain = module.NewId();
        operation.WordAt(2) = plain;
        rewritten.push_back(std::move(operation));
        flush(instruction.ResultType(), plain, rewritten, instruction.Result());
        changed = true;
    }
    if (!changed)
        return;
    rewritten.insert(rewritten.end(), functions.begin(), functions.end());
    module.SetInstructions(std::move(rewritten));
    words = module.Serialize();
}

} // namespace hlsl
