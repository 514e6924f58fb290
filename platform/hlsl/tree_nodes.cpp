#include "platform/hlsl/tree_nodes.h"

#include <algorithm>
#include <limits>

namespace hlsl {

SourcePosition PositionOf(const glslang::TSourceLoc& loc, const std::string& mainFile)
{
    const char* file = loc.getFilename();
    return {file && *file ? file : mainFile, std::max(loc.line, 1), std::max(loc.column, 1)};
}

SourcePosition PlaceName(const glslang::TSourceLoc& loc, std::string_view name, int linesAbove,
                         const SourceSet& sources)
{
    const SourcePosition at = PositionOf(loc, sources.MainFile());
    const std::string* text = sources.Text(at.file);
    if (!text)
        return at;
    for (int line = at.line; line >= std::max(1, at.line - linesAbove); --line) {
        const int limit = line == at.line ? at.column : std::numeric_limits<int>::max();
        if (const int column = LastWordColumnBefore(SourceLine(*text, line), name, limit))
            return {at.file, line, column};
    }
    return at;
}

std::vector<glslang::TIntermAggregate*> Functions(const glslang::TIntermediate& intermediate)
{
    std::vector<glslang::TIntermAggregate*> functions;
    const glslang::TIntermAggregate* root =
        intermediate.getTreeRoot() ? intermediate.getTreeRoot()->getAsAggregate() : nullptr;
    if (root)
        for (TIntermNode* node : root->getSequence())
            if (glslang::TIntermAggregate* function = node->getAsAggregate())
                if (function->getOp() == glslang::EOpFunction)
                    functions.push_back(function);
    return functions;
}

const glslang::TIntermAggregate* FindEntryFunction(const glslang::TIntermediate& intermediate,
                                                   const std::string& entryPoint)
{
    const glslang::TIntermAggregate* wrapper = nullptr;
    for (const glslang::TIntermAggregate* function : Functions(intermediate)) {
        const std::string_view name(function->getName().c_str());
        if (name.starts_with("@" + entryPoint + "("))
            return function;
        if (name.starts_with(entryPoint + "("))
            wrapper = function;
    }
    return wrapper;
}

std::vector<const glslang::TIntermSymbol*> Parameters(const glslang::TIntermAggregate* function)
{
    std::vector<const glslang::TIntermSymbol*> parameters;
    if (!function || function->getSequence().empty())
        return parameters;
    const glslang::TIntermAggregate* list = function->getSequence()[0]->getAsAggregate();
    if (!list)
        return parameters;
    for (TIntermNode* node : list->getSequence())
        if (const glslang::TIntermSymbol* symbol = node->getAsSymbolNode())
            parameters.push_back(symbol);
    return parameters;
}

std::vector<const glslang::TIntermSymbol*> Globals(const glslang::TIntermediate& intermediate)
{
    std::vector<const glslang::TIntermSymbol*> globals;
    const glslang::TIntermAggregate* root =
        intermediate.getTreeRoot() ? intermediate.getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return globals;
    for (TIntermNode* node : root->getSequence()) {
        const glslang::TIntermAggregate* objects = node->getAsAggregate();
        if (!objects || objects->getOp() != glslang::EOpLinkerObjects)
            continue;
        for (TIntermNode* object : objects->getSequence())
            if (const glslang::TIntermSymbol* symbol = object->getAsSymbolNode())
                globals.push_back(symbol);
    }
    return globals;
}

} // namespace hlsl
