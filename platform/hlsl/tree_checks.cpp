// Checks on glslang's tree: what Direct3D refuses and glslang lets through,
// and what glslang would crash on or silently get wrong.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <map>
#include <set>

namespace hlsl {

namespace {

bool IsGeometryEntry(const glslang::TIntermediate& intermediate)
{
    return intermediate.getVertices() != glslang::TQualifier::layoutNotSet
           || intermediate.getInputPrimitive() != glslang::ElgNone;
}

bool PixelOnly(glslang::TOperator op)
{
    switch (op) {
    case glslang::EOpTexture: // Sample, SampleBias, SampleCmp: level from derivatives
    case glslang::EOpTextureProj:
    case glslang::EOpTextureOffset:
    case glslang::EOpTextureProjOffset:
    case glslang::EOpSparseTexture:
    case glslang::EOpSparseTextureOffset:
    case glslang::EOpTextureQueryLod:
    case glslang::EOpMethodSample:
    case glslang::EOpMethodSampleBias:
    case glslang::EOpMethodSampleCmp:
    case glslang::EOpMethodCalculateLevelOfDetail:
    case glslang::EOpMethodCalculateLevelOfDetailUnclamped:
    case glslang::EOpDPdx:
    case glslang::EOpDPdy:
    case glslang::EOpFwidth:
    case glslang::EOpDPdxFine:
    case glslang::EOpDPdyFine:
    case glslang::EOpFwidthFine:
    case glslang::EOpDPdxCoarse:
    case glslang::EOpDPdyCoarse:
    case glslang::EOpFwidthCoarse:
    case glslang::EOpKill:
    case glslang::EOpTerminateInvocation:
    case glslang::EOpDemote:
        return true;
    default:
        return false;
    }
}

// Finds the first pixel-only operation in one function, and the functions
// it calls.
class PixelOnlyFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;
    std::vector<std::string> calls;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        if (node->getOp() == glslang::EOpFunctionCall)
            calls.emplace_back(node->getName().c_str());
        return Check(node->getOp(), node->getLoc());
    }
    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* node) override
    {
        return Check(node->getOp(), node->getLoc());
    }
    bool visitBranch(glslang::TVisit, glslang::TIntermBranch* node) override
    {
        return Check(node->getFlowOp(), node->getLoc());
    }

private:
    bool Check(glslang::TOperator op, const glslang::TSourceLoc& loc)
    {
        if (!found && PixelOnly(op))
            found = loc;
        return !found;
    }
};

// Finds the first multi-element matrix swizzle left in the tree.
class MatrixSwizzleFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;

    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        if (!found && node->getOp() == glslang::EOpMatrixSwizzle)
            found = node->getLoc();
        return !found;
    }
};

// A call's out or inout argument that is a matrix swizzle of several
// elements.
class SwizzleArgumentFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        const glslang::TQualifierList& qualifiers = node->getQualifierList();
        const glslang::TIntermSequence& arguments = node->getSequence();
        for (std::size_t i = 0; i < arguments.size() && i < qualifiers.size() && !found; ++i) {
            const glslang::TIntermBinary* argument = arguments[i]->getAsBinaryNode();
            if (argument && argument->getOp() == glslang::EOpMatrixSwizzle
                && (qualifiers[i] == glslang::EvqOut || qualifiers[i] == glslang::EvqInOut))
                found = argument->getLoc();
        }
        return !found;
    }
};

} // namespace

void CheckGeometryShape(const Tree& probe, const std::string& entryPoint, const SourceSet& sources)
{
    const glslang::TIntermediate& intermediate = *probe.parsed;
    const SourcePosition at = ReadEntryPosition(probe, entryPoint, sources);
    const std::string entry = Quoted(entryPoint);
    if (intermediate.getVertices() == glslang::TQualifier::layoutNotSet)
        Refuse(at, entry + " is not a geometry shader: it has no [maxvertexcount(n)] attribute");
    if (intermediate.getInputPrimitive() == glslang::ElgNone)
        Refuse(at, entry + " is not a geometry shader: no parameter is declared point, line, triangle, lineadj or "
                           "triangleadj");
    for (const glslang::TIntermSymbol* parameter : Parameters(FindEntryFunction(intermediate, entryPoint))) {
        const glslang::TType& type = parameter->getType();
        const glslang::TStorageQualifier storage = type.getQualifier().storage;
        if (storage != glslang::EvqIn && storage != glslang::EvqConstReadOnly)
            continue;
        const SourcePosition name = PlaceName(parameter->getLoc(), parameter->getName().c_str(), kSignatureLines, sources);
        if (type.isStruct() && !type.isArray())
            Refuse(name, "geometry shader input " + Quoted(parameter->getName().c_str())
                             + " must be an array with one element per vertex");
    }
}

void CheckStageKind(const Tree& tree, const std::string& entryPoint, const std::string& profile, ShaderStage stage,
                    const SourceSet& sources)
{
    const SourcePosition at = ReadEntryPosition(tree, entryPoint, sources);
    if (stage != ShaderStage::Geometry && IsGeometryEntry(*tree.parsed))
        Refuse(at, Quoted(entryPoint) + " is a geometry shader; " + profile + " compiles a " + StageName(stage)
                       + " shader");
    if (stage == ShaderStage::Geometry && tree.parsed->getOutputPrimitive() == glslang::ElgNone)
        Refuse(at, Quoted(entryPoint) + " has no PointStream, LineStream or TriangleStream parameter");
}

void CheckSwizzleArguments(const Tree& tree, const SourceSet& sources)
{
    SwizzleArgumentFinder finder;
    if (tree.linked->getTreeRoot())
        tree.linked->getTreeRoot()->traverse(&finder);
    if (finder.found)
        Refuse(PositionOf(*finder.found, sources.MainFile()),
               "a matrix swizzle of several elements as an out or inout argument is not supported by this compiler; "
               "pass a variable and assign the swizzle from it");
}

void CheckPixelOnlyOperations(const Tree& tree, const std::string& entryPoint, const std::string& profile,
                              ShaderStage stage, const SourceSet& sources)
{
    if (stage == ShaderStage::Pixel)
        return;
    const glslang::TIntermAggregate* entry = FindEntryFunction(*tree.parsed, entryPoint);
    if (!entry)
        return;
    std::map<std::string, glslang::TIntermAggregate*> functions;
    for (glslang::TIntermAggregate* function : Functions(*tree.parsed))
        functions.emplace(function->getName().c_str(), function);

    std::vector<std::string> pending{entry->getName().c_str()};
    std::set<std::string> visited;
    while (!pending.empty()) {
        const std::string name = std::move(pending.back());
        pending.pop_back();
        const auto function = functions.find(name);
        if (function == functions.end() || !visited.insert(name).second)
            continue;
        PixelOnlyFinder finder;
        function->second->traverse(&finder);
        if (finder.found)
            Refuse(PositionOf(*finder.found, sources.MainFile()),
                   Quoted(entryPoint) + " uses Sample, a derivative or discard, which only a pixel shader may; "
                       + profile + " compiles a " + StageName(stage) + " shader");
        pending.insert(pending.end(), finder.calls.begin(), finder.calls.end());
    }
}

void PlaceMissingFunctionality(const std::string& log, const Tree& tree, const SourceSet& sources,
                               const SourcePosition& entry)
{
    constexpr std::string_view kMarker = "Missing functionality: ";
    const std::size_t at = log.find(kMarker);
    if (at == std::string::npos)
        return;
    std::string what = log.substr(at + kMarker.size());
    what = what.substr(0, what.find_first_of("\r\n"));
    SourcePosition position = entry;
    if (what == "matrix swizzle") {
        what = "this use of a matrix swizzle of several elements";
        MatrixSwizzleFinder finder;
        if (tree.linked->getTreeRoot())
            tree.linked->getTreeRoot()->traverse(&finder);
        if (finder.found)
            position = PositionOf(*finder.found, sources.MainFile());
    } else {
        what = Quoted(what);
    }
    Refuse(position, what + " is not supported by this compiler");
}

} // namespace hlsl
