// Lowerings on glslang's tree: where glslang builds an HLSL construct with
// the meaning of its GLSL namesake, the tree is given back HLSL's.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace hlsl {

namespace {

// SV_Position vertex inputs become ordinary inputs, numbered on from the
// last location glslang gave.
class PositionInputsToAttributes final : public glslang::TIntermTraverser {
public:
    explicit PositionInputsToAttributes(const glslang::TIntermediate& intermediate)
    {
        for (const glslang::TIntermSymbol* symbol : Globals(intermediate)) {
            const glslang::TType& type = symbol->getType();
            const glslang::TQualifier& qualifier = type.getQualifier();
            if (qualifier.storage == glslang::EvqVaryingIn && qualifier.builtIn == glslang::EbvNone
                && qualifier.hasLocation())
                next_ = std::max(next_, static_cast<int>(qualifier.layoutLocation)
                                            + glslang::TIntermediate::computeTypeLocationSize(type, EShLangVertex));
        }
    }

    void visitSymbol(glslang::TIntermSymbol* symbol) override
    {
        glslang::TType& type = symbol->getWritableType();
        glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqVaryingIn || qualifier.builtIn != glslang::EbvPosition)
            return;
        const auto [assigned, added] = locations_.try_emplace(symbol->getId(), next_);
        if (added)
            next_ += glslang::TIntermediate::computeTypeLocationSize(type, EShLangVertex);
        qualifier.builtIn = glslang::EbvNone;
        // Locations end far below the 12 bits glslang keeps them in.
        qualifier.layoutLocation = static_cast<unsigned>(assigned->second) & 0xFFFu;
    }

private:
    std::map<long long, int> locations_; // by symbol id
    int next_ = 0;
};

// The output copy glslang makes of an `inout` parameter keeps the plain
// qualifier of the input it copies: one whose semantic is SV_Position
// becomes the Position built-in again, without a location.
class PositionOutputsToBuiltIns final : public glslang::TIntermTraverser {
public:
    void visitSymbol(glslang::TIntermSymbol* symbol) override
    {
        glslang::TQualifier& qualifier = symbol->getWritableType().getQualifier();
        if (qualifier.storage != glslang::EvqVaryingOut || qualifier.builtIn != glslang::EbvNone
            || !qualifier.semanticName || symbol->getType().isStruct())
            return;
        std::string semantic = qualifier.semanticName;
        std::transform(semantic.begin(), semantic.end(), semantic.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (semantic != "SV_POSITION" && semantic != "SV_POSITION0")
            return;
        qualifier.builtIn = glslang::EbvPosition;
        qualifier.layoutLocation = glslang::TQualifier::layoutLocationEnd;
    }
};

} // namespace

void LowerPositionOutputs(Tree& tree)
{
    if (!tree.linked->getTreeRoot())
        return;
    PositionOutputsToBuiltIns positions;
    tree.linked->getTreeRoot()->traverse(&positions);
}

void LowerPositionInputs(Tree& tree)
{
    if (!tree.linked->getTreeRoot())
        return;
    PositionInputsToAttributes positions(*tree.linked);
    tree.linked->getTreeRoot()->traverse(&positions);
}

} // namespace hlsl
