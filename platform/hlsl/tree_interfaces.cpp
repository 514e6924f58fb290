// Interfaces on glslang's tree. LowerClasses (source.h) made each interface
// a structure marked by its first member, so that what survives the
// preprocessor can be told here: an abstract instance is a variable whose
// type is such a structure.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>

namespace hlsl {

namespace {

bool IsInterface(const glslang::TType& type)
{
    const glslang::TTypeList* members = type.isStruct() ? type.getStruct() : nullptr;
    return members && !members->empty() && members->front().type->getFieldName() == kInterfaceMarker;
}

struct AbstractInstance {
    std::string name, interfaceName;
    SourcePosition position;
};

// Abstract instances among a block's or structure's members, and deeper.
void FindInMembers(const glslang::TTypeList& members, const SourceSet& sources, std::vector<AbstractInstance>& found)
{
    for (const glslang::TTypeLoc& member : members) {
        const glslang::TType& type = *member.type;
        if (IsInterface(type))
            found.push_back({type.getFieldName().c_str(), type.getTypeName().c_str(),
                             PlaceName(member.loc, type.getFieldName().c_str(), 0, sources)});
        else if (type.isStruct() && type.getStruct())
            FindInMembers(*type.getStruct(), sources, found);
    }
}

void FindInSymbol(const glslang::TIntermSymbol& symbol, const SourceSet& sources, std::vector<AbstractInstance>& found)
{
    const glslang::TType& type = symbol.getType();
    if (IsInterface(type))
        found.push_back({symbol.getName().c_str(), type.getTypeName().c_str(),
                         PlaceName(symbol.getLoc(), symbol.getName().c_str(), kSignatureLines, sources)});
    else if (type.isStruct() && type.getStruct())
        FindInMembers(*type.getStruct(), sources, found);
}

} // namespace

void CheckInterfaceInstances(const Tree& tree, const std::string& entryPoint, const std::string& profile,
                             const SourceSet& sources)
{
    std::vector<AbstractInstance> found;
    for (const glslang::TIntermSymbol* global : Globals(*tree.parsed))
        FindInSymbol(*global, sources, found);
    for (const glslang::TIntermSymbol* parameter : Parameters(FindEntryFunction(*tree.parsed, entryPoint)))
        FindInSymbol(*parameter, sources, found);
    if (found.empty())
        return;
    std::vector<Diagnostic> diagnostics;
    for (const AbstractInstance& instance : found)
        diagnostics.push_back(MakeDiagnostic(instance.position, ""));
    SortBySourcePosition(diagnostics);
    const auto first = std::find_if(found.begin(), found.end(), [&](const AbstractInstance& instance) {
        return instance.position.file == diagnostics.front().position.file
               && instance.position.line == diagnostics.front().position.line
               && instance.position.column == diagnostics.front().position.column;
    });
    const std::string what = "abstract interface instance " + Quoted(first->name) + " of interface "
                             + Quoted(first->interfaceName) + ": a call through it is resolved when the shader is "
                               "bound (dynamic shader linkage)";
    if (!profile.ends_with("5_0"))
        Refuse(first->position, what + ", which shader model 5 introduced; " + profile
                                    + " does not have it, and the Windows compiler refuses it there too; declare an "
                                      "instance of a class that implements the interface");
    Refuse(first->position, what + ", which this compiler does not support; declare an instance of a class that "
                                   "implements the interface");
}

} // namespace hlsl
