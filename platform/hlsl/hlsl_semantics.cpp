#include "platform/hlsl/hlsl_semantics.h"

// The opcode table's HasResultAndType, to find every value's type.
#define SPV_ENABLE_UTILITY_CODE
#include <glslang/SPIRV/spirv.hpp>
namespace spv {
#include <glslang/SPIRV/GLSL.std.450.h>
}

#include <glslang/MachineIndependent/SymbolTable.h>
#include <glslang/MachineIndependent/localintermediate.h>
// SpvTools.h declares the optimizer entry points only where glslang was
// built with SPIRV-Tools, as Debian's is.
#define ENABLE_OPT 1
#include <glslang/SPIRV/SpvTools.h>

#include <bit>
#include <cctype>
#include <map>
#include <string_view>
#include <tuple>

namespace hlsl {

namespace {

// The first character of the token at a 1-based column of a source line, or
// 0 where the position lies outside the text.
char TokenAt(const SourceLookup& lookup, const std::string& mainFile, const glslang::TSourceLoc& loc)
{
    const char* file = loc.getFilename();
    const std::string* text = lookup(file && *file ? std::string_view(file) : std::string_view(mainFile));
    if (!text || loc.line < 1 || loc.column < 1)
        return 0;
    const std::string_view line = SourceLine(*text, loc.line);
    const auto column = static_cast<std::size_t>(loc.column - 1);
    return column < line.size() ? line[column] : 0;
}

// The identifier that starts at a source position, or empty.
std::string_view WordAt(const SourceLookup& lookup, const std::string& mainFile, const glslang::TSourceLoc& loc)
{
    const char* file = loc.getFilename();
    const std::string* text = lookup(file && *file ? std::string_view(file) : std::string_view(mainFile));
    if (!text || loc.line < 1 || loc.column < 1)
        return {};
    const std::string_view line = SourceLine(*text, loc.line);
    const auto start = static_cast<std::size_t>(loc.column - 1);
    std::size_t end = start;
    while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '_'))
        ++end;
    return start < line.size() ? line.substr(start, end - start) : std::string_view{};
}

bool SameShape(const glslang::TType& a, const glslang::TType& b)
{
    return a.isMatrix() && b.isMatrix() && a.getMatrixCols() == b.getMatrixCols()
           && a.getMatrixRows() == b.getMatrixRows();
}

// glslang builds `*` between two matrices as the node it builds for mul(),
// a matrix product. The operator's node sits at the `*` token, mul()'s at
// its name. A `*` that comes out of a macro sits at the macro's name and
// stays a product.
class MatrixOperatorPass final : public glslang::TIntermTraverser {
public:
    MatrixOperatorPass(const SourceLookup& lookup, const std::string& mainFile)
        : lookup_(lookup), mainFile_(mainFile)
    {
    }

    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        const glslang::TOperator op = node->getOp();
        if (op != glslang::EOpMatrixTimesMatrix && op != glslang::EOpMatrixTimesMatrixAssign)
            return true;
        if (!SameShape(node->getLeft()->getType(), node->getRight()->getType()))
            return true;
        if (TokenAt(lookup_, mainFile_, node->getLoc()) != '*')
            return true;
        // GLSL's matrixCompMult is EOpMul on two matrices: per component.
        node->setOp(op == glslang::EOpMatrixTimesMatrix ? glslang::EOpMul : glslang::EOpMulAssign);
        return true;
    }

private:
    const SourceLookup& lookup_;
    const std::string& mainFile_;
};

// A copy of a matrix operand that reads the same element on every
// evaluation: a variable, a member or element at a constant index of one,
// or a constant. Null for anything else (a call, an indexed access by a
// variable), which is left as it is.
glslang::TIntermTyped* CopyOperand(glslang::TIntermediate& intermediate, glslang::TIntermTyped* node)
{
    if (const glslang::TIntermSymbol* symbol = node->getAsSymbolNode())
        return intermediate.addSymbol(*symbol);
    if (const glslang::TIntermConstantUnion* constant = node->getAsConstantUnion())
        return intermediate.addConstantUnion(constant->getConstArray(), constant->getType(), constant->getLoc());
    glslang::TIntermBinary* binary = node->getAsBinaryNode();
    if (!binary || (binary->getOp() != glslang::EOpIndexDirect && binary->getOp() != glslang::EOpIndexDirectStruct))
        return nullptr;
    glslang::TIntermTyped* left = CopyOperand(intermediate, binary->getLeft());
    glslang::TIntermTyped* right = CopyOperand(intermediate, binary->getRight());
    if (!left || !right)
        return nullptr;
    auto* copy = new glslang::TIntermBinary(binary->getOp());
    copy->setLeft(left);
    copy->setRight(right);
    copy->setType(binary->getType());
    copy->setLoc(binary->getLoc());
    return copy;
}

// m._m10_m01 read as a value: a vector of the single elements m[1][0] and
// m[0][1], which glslang builds correctly. glslang's own node for a
// multi-element matrix swizzle generates no SPIR-V for it.
glslang::TIntermTyped* SwizzleAsVector(glslang::TIntermediate& intermediate, glslang::TIntermTyped* node)
{
    glslang::TIntermBinary* swizzle = node ? node->getAsBinaryNode() : nullptr;
    if (!swizzle || swizzle->getOp() != glslang::EOpMatrixSwizzle || !swizzle->getRight()->getAsAggregate())
        return nullptr;
    const glslang::TIntermSequence& selectors = swizzle->getRight()->getAsAggregate()->getSequence();
    if (selectors.empty() || selectors.size() % 2 != 0)
        return nullptr;
    const glslang::TSourceLoc& loc = swizzle->getLoc();
    // A matrix read by a variable index, or computed, is read once into a
    // temporary of its own: (t = g_bones[i], float2(t[0][0], t[1][1])).
    glslang::TIntermTyped* store = nullptr;
    glslang::TVariable* temporary = nullptr;
    if (glslang::TIntermTyped* probe = CopyOperand(intermediate, swizzle->getLeft()); !probe) {
        glslang::TType type;
        type.shallowCopy(swizzle->getLeft()->getType());
        type.getQualifier().clear();
        type.getQualifier().makeTemporary();
        temporary = new glslang::TVariable(glslang::NewPoolTString("fxdemo_swizzled"), type);
        // Far above the ids glslang gives its own symbols.
        static long long nextId = 0x7000000000000000LL;
        temporary->setUniqueId(nextId++);
        store = intermediate.addAssign(glslang::EOpAssign, intermediate.addSymbol(*temporary, loc), swizzle->getLeft(),
                                       loc);
        if (!store)
            return nullptr;
    }
    const auto matrixCopy = [&]() -> glslang::TIntermTyped* {
        return temporary ? intermediate.addSymbol(*temporary, loc) : CopyOperand(intermediate, swizzle->getLeft());
    };
    auto* vector = new glslang::TIntermAggregate(intermediate.mapTypeToConstructorOp(swizzle->getType()));
    vector->setType(swizzle->getType());
    vector->getQualifier().makeTemporary();
    vector->setLoc(loc);
    for (std::size_t i = 0; i < selectors.size(); i += 2) {
        const glslang::TIntermConstantUnion* row = selectors[i]->getAsConstantUnion();
        const glslang::TIntermConstantUnion* column = selectors[i + 1]->getAsConstantUnion();
        glslang::TIntermTyped* matrix = matrixCopy();
        if (!row || !column || !matrix)
            return nullptr;
        glslang::TIntermTyped* line = intermediate.addIndex(
            glslang::EOpIndexDirect, matrix, intermediate.addConstantUnion(row->getConstArray()[0].getIConst(), loc),
            loc);
        line->setType(glslang::TType(matrix->getType(), 0));
        glslang::TIntermTyped* element = intermediate.addIndex(
            glslang::EOpIndexDirect, line,
            intermediate.addConstantUnion(column->getConstArray()[0].getIConst(), loc), loc);
        element->setType(glslang::TType(line->getType(), 0));
        vector->getSequence().push_back(element);
    }
    return store ? intermediate.addComma(store, vector, loc) : vector;
}

// Replaces the multi-element matrix swizzles read as values among each
// node's operands. One assigned to stays: it is not a value.
class MatrixSwizzlePass final : public glslang::TIntermTraverser {
public:
    explicit MatrixSwizzlePass(glslang::TIntermediate& intermediate) : intermediate_(intermediate) {}

    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        const bool assigns = node->getOp() >= glslang::EOpAssign && node->getOp() <= glslang::EOpRightShiftAssign;
        if (!assigns)
            if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getLeft()))
                node->setLeft(vector);
        if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getRight()))
            node->setRight(vector);
        return true;
    }
    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* node) override
    {
        const glslang::TOperator op = node->getOp();
        const bool assigns = op == glslang::EOpPostIncrement || op == glslang::EOpPostDecrement
                             || op == glslang::EOpPreIncrement || op == glslang::EOpPreDecrement;
        if (!assigns)
            if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getOperand()))
                node->setOperand(vector);
        return true;
    }
    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        // A call's out and inout arguments are assigned to.
        const glslang::TQualifierList& qualifiers = node->getQualifierList();
        glslang::TIntermSequence& operands = node->getSequence();
        for (std::size_t i = 0; i < operands.size(); ++i) {
            const bool written = i < qualifiers.size()
                                 && (qualifiers[i] == glslang::EvqOut || qualifiers[i] == glslang::EvqInOut);
            if (!written)
                if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, operands[i]->getAsTyped()))
                    operands[i] = vector;
        }
        return true;
    }
    bool visitBranch(glslang::TVisit, glslang::TIntermBranch* node) override
    {
        if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getExpression()))
            node->setExpression(vector);
        return true;
    }
    bool visitSelection(glslang::TVisit, glslang::TIntermSelection* node) override
    {
        // The two values of `c ? a : b`.
        if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getTrueBlock()
                                                                               ? node->getTrueBlock()->getAsTyped()
                                                                               : nullptr))
            node->setTrueBlock(vector);
        if (glslang::TIntermTyped* vector = SwizzleAsVector(intermediate_, node->getFalseBlock()
                                                                               ? node->getFalseBlock()->getAsTyped()
                                                                               : nullptr))
            node->setFalseBlock(vector);
        return true;
    }

private:
    glslang::TIntermediate& intermediate_;
};

// glslang writes lit(n_dot_l, n_dot_h, m) out as
//   float4(1, max(n_dot_l, 0), min(n_dot_l, n_dot_h) < 0 ? 0 : n_dot_h * m, 1)
// where HLSL's specular term is n_dot_h to the power m. Every node of it
// sits at the name lit.
class LitPass final : public glslang::TIntermTraverser {
public:
    LitPass(glslang::TIntermediate& intermediate, const SourceLookup& lookup, const std::string& mainFile)
        : intermediate_(intermediate), lookup_(lookup), mainFile_(mainFile)
    {
    }

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        glslang::TIntermSequence& parts = node->getSequence();
        if (node->getOp() != glslang::EOpConstructVec4 || parts.size() != 4
            || WordAt(lookup_, mainFile_, node->getLoc()) != "lit")
            return true;
        glslang::TIntermSelection* specular = parts[2]->getAsSelectionNode();
        glslang::TIntermBinary* product =
            specular && specular->getFalseBlock() ? specular->getFalseBlock()->getAsBinaryNode() : nullptr;
        if (!product || product->getOp() != glslang::EOpMul || !specular->getTrueBlock()
            || !specular->getTrueBlock()->getAsTyped())
            return true;
        auto* power = new glslang::TIntermAggregate(glslang::EOpPow);
        power->getSequence().push_back(product->getLeft());
        power->getSequence().push_back(product->getRight());
        power->setType(product->getType());
        power->getQualifier().makeTemporary();
        power->setLoc(product->getLoc());
        parts[2] = intermediate_.addSelection(specular->getCondition(), specular->getTrueBlock()->getAsTyped(), power,
                                              specular->getLoc());
        return true;
    }

private:
    glslang::TIntermediate& intermediate_;
    const SourceLookup& lookup_;
    const std::string& mainFile_;
};

constexpr std::size_t kHeaderWords = 5;
constexpr std::size_t kBoundWord = 3;

using Words = std::vector<std::uint32_t>;

std::uint32_t Opcode(const Words& instruction)
{
    return instruction[0] & 0xFFFFu;
}

Words Instruction(spv::Op op, std::initializer_list<std::uint32_t> operands)
{
    Words words{(static_cast<std::uint32_t>(operands.size() + 1) << 16) | static_cast<std::uint32_t>(op)};
    words.insert(words.end(), operands);
    return words;
}

// A module split into instructions, with what the passes need to add
// types, constants and instructions of their own.
class Module {
public:
    explicit Module(const Words& words) : header_(words.begin(), words.begin() + kHeaderWords)
    {
        for (std::size_t at = kHeaderWords; at < words.size();) {
            const std::uint32_t count = words[at] >> 16;
            if (count == 0 || at + count > words.size()) {
                complete_ = false;
                break;
            }
            instructions_.emplace_back(words.begin() + static_cast<std::ptrdiff_t>(at),
                                       words.begin() + static_cast<std::ptrdiff_t>(at + count));
            at += count;
        }
        for (const Words& instruction : instructions_) {
            bool hasResult = false, hasType = false;
            spv::HasResultAndType(static_cast<spv::Op>(Opcode(instruction)), &hasResult, &hasType);
            if (hasResult && hasType && instruction.size() > 2)
                typeOf_[instruction[2]] = instruction[1];
            switch (Opcode(instruction)) {
            case spv::OpTypeBool:
                types_[{spv::OpTypeBool, 0, 0}] = instruction[1];
                break;
            case spv::OpTypeInt:
                types_[{spv::OpTypeInt, instruction[2], instruction[3]}] = instruction[1];
                break;
            case spv::OpTypeFloat:
                types_[{spv::OpTypeFloat, instruction[2], 0}] = instruction[1];
                break;
            case spv::OpTypeVector:
                types_[{spv::OpTypeVector, instruction[2], instruction[3]}] = instruction[1];
                vectors_[instruction[1]] = {instruction[2], instruction[3]};
                break;
            default:
                break;
            }
        }
    }

    Words Serialize()
    {
        // New types and constants go before the first function, after every
        // declaration they may refer to.
        Words words = header_;
        words[kBoundWord] = bound();
        bool placed = false;
        for (const Words& instruction : instructions_) {
            if (!placed && Opcode(instruction) == spv::OpFunction) {
                for (const Words& global : globals_)
                    words.insert(words.end(), global.begin(), global.end());
                placed = true;
            }
            words.insert(words.end(), instruction.begin(), instruction.end());
        }
        return words;
    }

    // Whether every word belongs to an instruction.
    bool Complete() const { return complete_; }
    std::vector<Words>& Instructions() { return instructions_; }

    std::uint32_t NewId() { return header_[kBoundWord]++; }
    std::uint32_t bound() const { return header_[kBoundWord]; }

    std::uint32_t TypeOf(std::uint32_t id) const
    {
        const auto it = typeOf_.find(id);
        return it == typeOf_.end() ? 0 : it->second;
    }

    // The component type and count of a type: count 1 for a scalar.
    std::pair<std::uint32_t, std::uint32_t> Components(std::uint32_t type) const
    {
        const auto it = vectors_.find(type);
        return it == vectors_.end() ? std::pair{type, 1u} : it->second;
    }

    std::uint32_t FindType(spv::Op op, std::uint32_t a = 0, std::uint32_t b = 0) const
    {
        const auto it = types_.find({op, a, b});
        return it == types_.end() ? 0 : it->second;
    }

    // Two declarations of one scalar or vector type are invalid: reuse.
    std::uint32_t BoolType(std::uint32_t count)
    {
        std::uint32_t scalar = FindType(spv::OpTypeBool);
        if (!scalar) {
            scalar = NewId();
            globals_.push_back(Instruction(spv::OpTypeBool, {scalar}));
            types_[{spv::OpTypeBool, 0, 0}] = scalar;
        }
        if (count == 1)
            return scalar;
        std::uint32_t vector = FindType(spv::OpTypeVector, scalar, count);
        if (!vector) {
            vector = NewId();
            globals_.push_back(Instruction(spv::OpTypeVector, {vector, scalar, count}));
            types_[{spv::OpTypeVector, scalar, count}] = vector;
            vectors_[vector] = {scalar, count};
        }
        return vector;
    }

    // A constant of a scalar or vector type, every component the same bits.
    std::uint32_t Constant(std::uint32_t type, std::uint32_t bits)
    {
        const auto key = std::pair{type, bits};
        if (const auto it = constants_.find(key); it != constants_.end())
            return it->second;
        const auto [component, count] = Components(type);
        std::uint32_t id = 0;
        if (count == 1) {
            id = NewId();
            globals_.push_back(Instruction(spv::OpConstant, {type, id, bits}));
        } else {
            const std::uint32_t scalar = Constant(component, bits);
            id = NewId();
            Words composite = Instruction(spv::OpConstantComposite, {type, id});
            composite.insert(composite.end(), count, scalar);
            composite[0] = (static_cast<std::uint32_t>(composite.size()) << 16) | spv::OpConstantComposite;
            globals_.push_back(std::move(composite));
        }
        constants_[key] = id;
        return id;
    }

private:
    Words header_;
    bool complete_ = true;
    std::vector<Words> instructions_;
    std::vector<Words> globals_;
    std::map<std::uint32_t, std::uint32_t> typeOf_;
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> types_;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> vectors_;
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> constants_;
};

// Float-to-integer conversion is defined for every input in Direct3D:
// toward zero, clamped to the integer type's range, NaN giving 0. GL leaves
// out-of-range values undefined, so each conversion selects the clamped
// results around the plain one.
std::vector<Words> DefinedConversion(Module& module, const Words& conversion)
{
    const bool toSigned = Opcode(conversion) == spv::OpConvertFToS;
    const std::uint32_t resultType = conversion[1], result = conversion[2], value = conversion[3];
    const std::uint32_t floatType = module.TypeOf(value);
    const std::uint32_t count = module.Components(floatType).second;
    const std::uint32_t boolType = module.BoolType(count);

    std::vector<Words> code;
    const std::uint32_t plain = module.NewId();
    code.push_back(Instruction(static_cast<spv::Op>(Opcode(conversion)), {resultType, plain, value}));
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

bool IsFloat32(const Module& module, std::uint32_t type)
{
    const std::uint32_t component = module.Components(type).first;
    return component != 0 && component == module.FindType(spv::OpTypeFloat, 32);
}

// HLSL's ldexp(x, e) is x * exp2(e) with a float e; glslang passes the
// float to GLSL's Ldexp, whose exponent is an integer, and the fraction is
// lost on the way to GLSL.
std::vector<Words> FloatLdexp(Module& module, const Words& ldexp)
{
    const std::uint32_t type = ldexp[1], result = ldexp[2], set = ldexp[3], x = ldexp[5], exponent = ldexp[6];
    const std::uint32_t power = module.NewId();
    return {Instruction(spv::OpExtInst, {module.TypeOf(exponent), power, set, spv::GLSLstd450Exp2, exponent}),
            Instruction(spv::OpFMul, {type, result, x, power})};
}

void RewriteInstructions(Words& words)
{
    Module module(words);
    if (!module.Complete())
        return;
    std::uint32_t glslSet = 0;
    for (const Words& instruction : module.Instructions())
        if (Opcode(instruction) == spv::OpExtInstImport && instruction.size() > 2
            && std::string_view(reinterpret_cast<const char*>(&instruction[2])).starts_with("GLSL.std.450"))
            glslSet = instruction[1];

    bool changed = false;
    std::vector<Words> rewritten;
    for (Words& instruction : module.Instructions()) {
        const std::uint32_t op = Opcode(instruction);
        std::vector<Words> replacement;
        if ((op == spv::OpConvertFToS || op == spv::OpConvertFToU) && instruction.size() == 4
            && IsFloat32(module, module.TypeOf(instruction[3])))
            replacement = DefinedConversion(module, instruction);
        else if (op == spv::OpExtInst && glslSet && instruction.size() == 7 && instruction[3] == glslSet
                 && instruction[4] == spv::GLSLstd450Ldexp && IsFloat32(module, module.TypeOf(instruction[6])))
            replacement = FloatLdexp(module, instruction);
        if (replacement.empty()) {
            rewritten.push_back(std::move(instruction));
            continue;
        }
        changed = true;
        for (Words& code : replacement)
            rewritten.push_back(std::move(code));
    }
    if (!changed)
        return;
    module.Instructions() = std::move(rewritten);
    words = module.Serialize();
}

} // namespace

void ApplyHlslTreeSemantics(glslang::TIntermediate& intermediate, const SourceLookup& lookup,
                            const std::string& mainFile)
{
    if (TIntermNode* root = intermediate.getTreeRoot()) {
        MatrixOperatorPass operators(lookup, mainFile);
        root->traverse(&operators);
        MatrixSwizzlePass swizzles(intermediate);
        root->traverse(&swizzles);
        LitPass lit(intermediate, lookup, mainFile);
        root->traverse(&lit);
    }
}

void ApplyHlslSemantics(std::vector<std::uint32_t>& words)
{
    if (words.size() <= kHeaderWords)
        return;
    // HLSL has no operation whose remainder takes the divisor's sign, so
    // every floored modulo glslang emits stands for `%` or fmod(). The
    // truncating forms take the same operands.
    for (std::size_t at = kHeaderWords; at < words.size();) {
        const std::uint32_t count = words[at] >> 16;
        const std::uint32_t opcode = words[at] & 0xFFFFu;
        if (opcode == spv::OpSMod)
            words[at] = (count << 16) | spv::OpSRem;
        else if (opcode == spv::OpFMod)
            words[at] = (count << 16) | spv::OpFRem;
        if (count == 0)
            break;
        at += count;
    }
    RewriteInstructions(words);
}

void LegalizeSpirv(const glslang::TIntermediate& intermediate, std::vector<std::uint32_t>& words,
                   spv::SpvBuildLogger* logger)
{
    glslang::SpvOptions options;
    options.disableOptimizer = false;
    options.validate = false;
    glslang::SpirvToolsTransform(intermediate, words, logger, &options);
}

} // namespace hlsl
