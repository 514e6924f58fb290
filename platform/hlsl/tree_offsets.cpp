// Texture offsets on the tree: where the calls with offsets are, and the
// loops too long to unroll for them.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>

namespace hlsl {

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
            calls.push_back(PositionOf(node->getLoc(), mainFile_));
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
                found = PositionOf(node->getLoc(), mainFile_);
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

void CheckUnrollLimit(const Tree& tree, const std::string& mainFile, int limit)
{
    LongLoopOffsetFinder finder(mainFile, limit);
    if (TIntermNode* root = tree.linked->getTreeRoot())
        root->traverse(&finder);
    if (finder.found)
        Refuse(*finder.found, "the offset of this texture call must be a constant: it depends on a loop "
                                         "of more than "
                                             + std::to_string(limit)
                                             + " iterations, which is more than the compiler unrolls");
}

std::vector<SourcePosition> ReadOffsetCalls(const Tree& tree, const std::string& mainFile)
{
    OffsetCallFinder finder(mainFile);
    if (TIntermNode* root = tree.linked->getTreeRoot())
        root->traverse(&finder);
    return finder.calls;
}

} // namespace hlsl
