// Float32 denormals, flushed as Direct3D flushes them.

#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

namespace spv {
#include <glslang/SPIRV/GLSL.std.450.h>
}

#include <map>
#include <set>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

bool IsFloat32(const Module& module, std::uint32_t type)
{
    const std::uint32_t component = module.Components(type).first;
    return component != 0 && component == module.FindType(spv::OpTypeFloat, 32);
}

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

// `value` with a denormal replaced by zero of its sign, on the bits: exact
// whether or not the driver flushes in its own arithmetic. The result takes
// the id `result`, or a new one.
std::uint32_t Flush(Module& module, std::uint32_t floatType, std::uint32_t value, std::vector<Instruction>& code,
                    std::uint32_t result = 0)
{
    const std::uint32_t count = module.Components(floatType).second;
    const std::uint32_t uintType = module.IntType(false, count);
    const std::uint32_t bits = module.NewId(), exponent = module.NewId(), denormal = module.NewId();
    const std::uint32_t sign = module.NewId(), flushed = module.NewId();
    if (!result)
        result = module.NewId();
    code.push_back(Instruction(spv::OpBitcast, {uintType, bits, value}));
    code.push_back(Instruction(spv::OpBitwiseAnd, {uintType, exponent, bits, module.Constant(uintType, 0x7F800000u)}));
    code.push_back(Instruction(spv::OpIEqual, {module.BoolType(count), denormal, exponent,
                                               module.Constant(uintType, 0)}));
    code.push_back(Instruction(spv::OpBitwiseAnd, {uintType, sign, bits, module.Constant(uintType, 0x80000000u)}));
    code.push_back(Instruction(spv::OpSelect, {uintType, flushed, denormal, sign, bits}));
    code.push_back(Instruction(spv::OpBitcast, {floatType, result, flushed}));
    return result;
}

} // namespace

void LowerDenormals(std::vector<std::uint32_t>& words)
{
    Module module(words);
    if (!module.Complete() || !module.FindType(spv::OpTypeFloat, 32))
        return;
    const std::uint32_t glslSet = module.ImportedSet("GLSL.std.450");
    // The results of arithmetic are flushed where they are made, so an
    // operand that is one needs no flush of its own.
    std::set<std::uint32_t> flushedResults;
    for (const Instruction& instruction : module.Instructions())
        if (Arithmetic(instruction, glslSet) && IsFloat32(module, instruction.ResultType()))
            flushedResults.insert(instruction.Result());
    std::map<std::uint32_t, std::uint32_t> flushedOperands; // within one block: value -> flushed
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
            if (!IsFloat32(module, type) || flushedResults.count(operand) || NormalConstant(module, operand))
                continue;
            auto known = flushedOperands.find(operand);
            if (known == flushedOperands.end())
                known = flushedOperands.emplace(operand, Flush(module, type, operand, rewritten)).first;
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
        Flush(module, instruction.ResultType(), plain, rewritten, instruction.Result());
        changed = true;
    }
    if (!changed)
        return;
    module.SetInstructions(std::move(rewritten));
    words = module.Serialize();
}

} // namespace hlsl
