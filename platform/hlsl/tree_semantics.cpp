// Where glslang builds an HLSL operator or intrinsic with the meaning of its
// GLSL namesake, the tree is given back the meaning HLSL documents. This file
// makes glslang tree nodes itself: it is built without RTTI, as glslang is.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <glslang/MachineIndependent/SymbolTable.h>
#include <glslang/MachineIndependent/localintermediate.h>

#include <cctype>
#include <string_view>

namespace hlsl {

namespace {

// The source line glslang's location is on; empty where the location lies
// outside the text.
std::string_view LineAt(const SourceSet& sources, const glslang::TSourceLoc& loc)
{
    const std::string* text = sources.Text(PositionOf(loc, sources.MainFile()).file);
    if (!text || loc.line < 1 || loc.column < 1)
        return {};
    return SourceLine(*text, loc.line);
}

// The first character of the token at the location, or 0.
char TokenAt(const SourceSet& sources, const glslang::TSourceLoc& loc)
{
    const std::string_view line = LineAt(sources, loc);
    const auto column = static_cast<std::size_t>(std::max(loc.column, 1) - 1);
    return column < line.size() ? line[column] : 0;
}

// The identifier that starts at the location, or empty.
std::string_view WordAt(const SourceSet& sources, const glslang::TSourceLoc& loc)
{
    const std::string_view line = LineAt(sources, loc);
    const auto start = static_cast<std::size_t>(std::max(loc.column, 1) - 1);
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
    explicit MatrixOperatorPass(const SourceSet& sources) : sources_(sources)
    {
    }

    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        const glslang::TOperator op = node->getOp();
        if (op != glslang::EOpMatrixTimesMatrix && op != glslang::EOpMatrixTimesMatrixAssign)
            return true;
        if (!SameShape(node->getLeft()->getType(), node->getRight()->getType()))
            return true;
        if (TokenAt(sources_, node->getLoc()) != '*')
            return true;
        // GLSL's matrixCompMult is EOpMul on two matrices: per component.
        node->setOp(op == glslang::EOpMatrixTimesMatrix ? glslang::EOpMul : glslang::EOpMulAssign);
        return true;
    }

private:
    const SourceSet& sources_;
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
    LitPass(glslang::TIntermediate& intermediate, const SourceSet& sources)
        : intermediate_(intermediate), sources_(sources)
    {
    }

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        glslang::TIntermSequence& parts = node->getSequence();
        if (node->getOp() != glslang::EOpConstructVec4 || parts.size() != 4
            || WordAt(sources_, node->getLoc()) != "lit")
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
    const SourceSet& sources_;
};

} // namespace

void LowerMatrixOperators(Tree& tree, const SourceSet& sources)
{
    MatrixOperatorPass pass(sources);
    if (TIntermNode* root = tree.linked->getTreeRoot())
        root->traverse(&pass);
}

void LowerMatrixSwizzles(Tree& tree)
{
    MatrixSwizzlePass pass(*tree.linked);
    if (TIntermNode* root = tree.linked->getTreeRoot())
        root->traverse(&pass);
}

void LowerLit(Tree& tree, const SourceSet& sources)
{
    LitPass pass(*tree.linked, sources);
    if (TIntermNode* root = tree.linked->getTreeRoot())
        root->traverse(&pass);
}

} // namespace hlsl
