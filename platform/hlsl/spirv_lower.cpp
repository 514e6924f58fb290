#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

namespace spv {
#include <glslang/SPIRV/GLSL.std.450.h>
}
// SpvTools.h declares the optimizer entry points only where glslang was
// built with SPIRV-Tools, as Debian's is.
#define ENABLE_OPT 1
#include <glslang/SPIRV/SpvTools.h>

#include <bit>
#include <functional>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

// Replaces each instruction `rewrite` gives code for by that code; the words
// change only where one is replaced.
void Rewrite(std::vector<std::uint32_t>& words,
             const std::function<std::vector<Instruction>(Module&, const Instruction&)>& rewrite)
{
    Module module(words);
    if (!module.Complete())
        return;
    bool changed = false;
    std::vector<Instruction> rewritten;
    // The lookups read the module as it was: nothing is moved out of it
    // until the end.
    for (const Instruction& instruction : module.Instructions()) {
        std::vector<Instruction> replacement = rewrite(module, instruction);
        if (replacement.empty()) {
            rewritten.push_back(instruction);
            continue;
        }
        changed = true;
        for (Instruction& code : replacement)
            rewritten.push_back(std::move(code));
    }
    if (!changed)
        return;
    module.SetInstructions(std::move(rewritten));
    words = module.Serialize();
}

// Direct3D converts toward zero, clamps to the integer type's range and
// gives 0 for NaN. GL leaves out-of-range values undefined, so each
// conversion selects the clamped results around the plain one.
std::vector<Instruction> DefinedConversion(Module& module, const Instruction& conversion)
{
    const bool toSigned = conversion.Op() == spv::OpConvertFToS;
    const std::uint32_t resultType = conversion.Word(1), result = conversion.Word(2), value = conversion.Word(3);
    const std::uint32_t floatType = module.TypeOf(value);
    const std::uint32_t count = module.Components(floatType).second;
    const std::uint32_t boolType = module.BoolType(count);

    std::vector<Instruction> code;
    const std::uint32_t plain = module.NewId();
    code.emplace_back(conversion.Op(), std::initializer_list<std::uint32_t>{resultType, plain, value});
    const std::uint32_t tooLarge = module.NewId();
    const std::uint32_t upperLimit = std::bit_cast<std::uint32_t>(toSigned ? 2147483648.0f : 4294967296.0f);
    code.push_back(Instruction(spv::OpFOrdGreaterThanEqual,
                               {boolType, tooLarge, value, module.Constant(floatType, upperLimit)}));
    const std::uint32_t clampedHigh = module.NewId();
    code.push_back(Instruction(spv::OpSelect, {resultType, clampedHigh, tooLarge,
                                               module.Constant(resultType, toSigned ? 0x7FFFFFFFu : 0xFFFFFFFFu),
                                               plain}));
    if (toSigned) {
        const std::uint32_t tooSmall = module.NewId();
        code.push_back(Instruction(spv::OpFOrdLessThan, {boolType, tooSmall, value,
                                                         module.Constant(floatType, std::bit_cast<std::uint32_t>(
                                                                                        -2147483648.0f))}));
        const std::uint32_t clampedLow = module.NewId();
        code.push_back(Instruction(spv::OpSelect, {resultType, clampedLow, tooSmall,
                                                   module.Constant(resultType, 0x80000000u), clampedHigh}));
        const std::uint32_t isNan = module.NewId();
        code.push_back(Instruction(spv::OpIsNan, {boolType, isNan, value}));
        code.push_back(Instruction(spv::OpSelect, {resultType, result, isNan, module.Constant(resultType, 0),
                                                   clampedLow}));
    } else {
        // Below zero or NaN: 0.
        const std::uint32_t notPositive = module.NewId();
        code.push_back(Instruction(spv::OpFUnordLessThan,
                                   {boolType, notPositive, value, module.Constant(floatType, 0)}));
        code.push_back(Instruction(spv::OpSelect, {resultType, result, notPositive,
                                                   module.Constant(resultType, 0), clampedHigh}));
    }
    return code;
}

// Signed division and remainder. Shader models 4 and 5 divide unsigned
// only (udiv, which gives 0xFFFFFFFF for both results by zero); the HLSL
// compiler divides the magnitudes and gives the quotient the sign of a ^ b,
// the remainder the dividend's. Direct3D documents no signed rule of its
// own, so that lowering is the rule: by zero, a >= 0 gives -1 and a < 0
// gives 1 for both; INT_MIN / -1 is INT_MIN and INT_MIN % -1 is 0. GLSL
// leaves all of these, and a remainder of negative operands, undefined.
std::vector<Instruction> SignedDivision(Module& module, const Instruction& division)
{
    const bool quotient = division.Op() == spv::OpSDiv;
    const std::uint32_t type = division.Word(1), result = division.Word(2);
    const std::uint32_t a = division.Word(3), b = division.Word(4);
    const std::uint32_t count = module.Components(type).second;
    const std::uint32_t boolType = module.BoolType(count), uintType = module.IntType(false, count);
    std::vector<Instruction> code;
    const auto id = [&](spv::Op op, std::uint32_t resultType, std::initializer_list<std::uint32_t> operands) {
        const std::uint32_t made = module.NewId();
        Instruction instruction(op, {resultType, made});
        for (const std::uint32_t operand : operands)
            instruction.Append(operand);
        code.push_back(std::move(instruction));
        return made;
    };
    const std::uint32_t zero = module.Constant(type, 0);
    const auto magnitude = [&](std::uint32_t value, std::uint32_t negative) {
        const std::uint32_t negated = id(spv::OpSNegate, type, {value});
        return id(spv::OpBitcast, uintType, {id(spv::OpSelect, type, {negative, negated, value})});
    };
    const std::uint32_t aNegative = id(spv::OpSLessThan, boolType, {a, zero});
    const std::uint32_t bNegative = id(spv::OpSLessThan, boolType, {b, zero});
    const std::uint32_t aMagnitude = magnitude(a, aNegative), bMagnitude = magnitude(b, bNegative);
    const std::uint32_t plain = id(quotient ? spv::OpUDiv : spv::OpUMod, uintType, {aMagnitude, bMagnitude});
    const std::uint32_t byZero = id(spv::OpIEqual, boolType, {bMagnitude, module.Constant(uintType, 0)});
    const std::uint32_t unsignedResult =
        id(spv::OpSelect, uintType, {byZero, module.Constant(uintType, 0xFFFFFFFFu), plain});
    const std::uint32_t positive = id(spv::OpBitcast, type, {unsignedResult});
    const std::uint32_t negated = id(spv::OpSNegate, type, {positive});
    const std::uint32_t negative =
        quotient ? id(spv::OpLogicalNotEqual, boolType, {aNegative, bNegative}) : aNegative;
    code.push_back(Instruction(spv::OpSelect, {type, result, negative, negated, positive}));
    return code;
}

} // namespace

void LowerRemainders(std::vector<std::uint32_t>& words)
{
    // HLSL has no operation whose remainder takes the divisor's sign, so
    // every floored modulo glslang emits stands for `%` or fmod(). The
    // truncating forms take the same operands.
    Rewrite(words, [](Module&, const Instruction& instruction) -> std::vector<Instruction> {
        if (instruction.Op() != spv::OpSMod && instruction.Op() != spv::OpFMod)
            return {};
        Instruction remainder = instruction;
        remainder.SetOp(instruction.Op() == spv::OpSMod ? spv::OpSRem : spv::OpFRem);
        return {std::move(remainder)};
    });
}

void LowerFloatToIntConversions(std::vector<std::uint32_t>& words)
{
    Rewrite(words, [](Module& module, const Instruction& instruction) -> std::vector<Instruction> {
        const spv::Op op = instruction.Op();
        if ((op == spv::OpConvertFToS || op == spv::OpConvertFToU) && instruction.Size() == 4
            && module.IsFloat32(module.TypeOf(instruction.Word(3))))
            return DefinedConversion(module, instruction);
        return {};
    });
}

void LowerFloatLdexp(std::vector<std::uint32_t>& words)
{
    // HLSL's ldexp(x, e) is x * exp2(e) with a float e; glslang passes the
    // float to GLSL's Ldexp, whose exponent is an integer, and the fraction
    // is lost on the way to GLSL.
    std::uint32_t glslSet = 0;
    bool looked = false;
    Rewrite(words, [&](Module& module, const Instruction& ldexp) -> std::vector<Instruction> {
        if (!looked) {
            glslSet = module.ImportedSet("GLSL.std.450");
            looked = true;
        }
        if (ldexp.Op() != spv::OpExtInst || !glslSet || ldexp.Size() != 7 || ldexp.Word(3) != glslSet
            || ldexp.Word(4) != spv::GLSLstd450Ldexp || !module.IsFloat32(module.TypeOf(ldexp.Word(6))))
            return {};
        const std::uint32_t type = ldexp.Word(1), result = ldexp.Word(2), x = ldexp.Word(5), exponent = ldexp.Word(6);
        const std::uint32_t power = module.NewId();
        return {Instruction(spv::OpExtInst, {module.TypeOf(exponent), power, glslSet, spv::GLSLstd450Exp2, exponent}),
                Instruction(spv::OpFMul, {type, result, x, power})};
    });
}

void LowerDriverDependentRules(std::vector<std::uint32_t>& words)
{
    std::uint32_t glslSet = 0;
    bool looked = false;
    Rewrite(words, [&](Module& module, const Instruction& instruction) -> std::vector<Instruction> {
        if (!looked) {
            glslSet = module.ImportedSet("GLSL.std.450");
            looked = true;
        }
        const spv::Op op = instruction.Op();
        const std::uint32_t type = instruction.Word(1), result = instruction.Word(2);
        // min, max and clamp: with one NaN operand, the other one. GLSL
        // leaves NaN to the driver; SPIR-V's NMin and NMax state this rule.
        if (op == spv::OpExtInst && glslSet && instruction.Word(3) == glslSet) {
            const std::uint32_t function = instruction.Word(4);
            if (function == spv::GLSLstd450FMin || function == spv::GLSLstd450FMax) {
                Instruction defined = instruction;
                defined.WordAt(4) = function == spv::GLSLstd450FMin ? spv::GLSLstd450NMin : spv::GLSLstd450NMax;
                return {std::move(defined)};
            }
            if (function == spv::GLSLstd450FClamp && instruction.Size() == 8) {
                const std::uint32_t low = module.NewId();
                return {Instruction(spv::OpExtInst, {type, low, glslSet, spv::GLSLstd450NMax, instruction.Word(5),
                                                     instruction.Word(6)}),
                        Instruction(spv::OpExtInst, {type, result, glslSet, spv::GLSLstd450NMin, low,
                                                     instruction.Word(7)})};
            }
            return {};
        }
        // Unsigned division and remainder by zero: 0xFFFFFFFF. GLSL leaves
        // the result undefined.
        if ((op == spv::OpUDiv || op == spv::OpUMod) && instruction.Size() == 5) {
            const std::uint32_t divisor = instruction.Word(4);
            const std::uint32_t plain = module.NewId(), byZero = module.NewId();
            return {Instruction(op, {type, plain, instruction.Word(3), divisor}),
                    Instruction(spv::OpIEqual, {module.BoolType(module.Components(type).second), byZero, divisor,
                                                module.Constant(module.TypeOf(divisor), 0)}),
                    Instruction(spv::OpSelect, {type, result, byZero, module.Constant(type, 0xFFFFFFFFu), plain})};
        }
        if ((op == spv::OpSDiv || op == spv::OpSRem) && instruction.Size() == 5
            && module.Components(type).first == module.FindType(spv::OpTypeInt, 32, 1)
            && module.TypeOf(instruction.Word(3)) == type && module.TypeOf(instruction.Word(4)) == type)
            return SignedDivision(module, instruction);
        // Shift counts: their low 5 bits. GLSL leaves a count of 32 or more
        // undefined.
        if ((op == spv::OpShiftLeftLogical || op == spv::OpShiftRightLogical || op == spv::OpShiftRightArithmetic)
            && instruction.Size() == 5 && !module.IsConstant(instruction.Word(4))) {
            const std::uint32_t count = instruction.Word(4), countType = module.TypeOf(count);
            const std::uint32_t masked = module.NewId();
            return {Instruction(spv::OpBitwiseAnd, {countType, masked, count, module.Constant(countType, 31)}),
                    Instruction(op, {type, result, instruction.Word(3), masked})};
        }
        return {};
    });
}

void LegalizeSpirv(const Tree& tree, std::vector<std::uint32_t>& words, std::string& log)
{
    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    options.disableOptimizer = false;
    options.validate = false;
    glslang::SpirvToolsTransform(*tree.linked, words, &logger, &options);
    log += logger.getAllMessages();
}

} // namespace hlsl
