#include "platform/hlsl/hlsl_semantics.h"

#include <glslang/MachineIndependent/localintermediate.h>
// SpvTools.h declares the optimizer entry points only where glslang was
// built with SPIRV-Tools, as Debian's is.
#define ENABLE_OPT 1
#include <glslang/SPIRV/SpvTools.h>

#include <cctype>
#include <string_view>

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

bool SameShape(const glslang::TType& a, const glslang::TType& b)
{
    return a.isMatrix() && b.isMatrix() && a.getMatrixCols() == b.getMatrixCols()
           && a.getMatrixRows() == b.getMatrixRows();
}

// glslang builds `a * b` and mul(b, a) alike, as a matrix product. The `*`
// operator sits at its own token; mul() at its name.
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

constexpr std::size_t kHeaderWords = 5;

// SPIR-V opcodes (SPIR-V 1.0, section 3.32).
constexpr std::uint32_t kOpSRem = 138;
constexpr std::uint32_t kOpSMod = 139;
constexpr std::uint32_t kOpFRem = 140;
constexpr std::uint32_t kOpFMod = 141;

} // namespace

void ApplyHlslTreeSemantics(glslang::TIntermediate& intermediate, const SourceLookup& lookup,
                            const std::string& mainFile)
{
    if (TIntermNode* root = intermediate.getTreeRoot()) {
        MatrixOperatorPass pass(lookup, mainFile);
        root->traverse(&pass);
    }
}

void ApplyHlslSemantics(std::vector<std::uint32_t>& words)
{
    // HLSL has no operation whose remainder takes the divisor's sign, so
    // every floored modulo glslang emits stands for `%` or fmod(). The
    // truncating forms take the same operands.
    for (std::size_t at = kHeaderWords; at < words.size();) {
        const std::uint32_t count = words[at] >> 16;
        const std::uint32_t opcode = words[at] & 0xFFFFu;
        if (opcode == kOpSMod)
            words[at] = (count << 16) | kOpSRem;
        else if (opcode == kOpFMod)
            words[at] = (count << 16) | kOpFRem;
        if (count == 0)
            break;
        at += count;
    }
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
