// Interfaces on glslang's tree. LowerClasses (source.h) made each interface
// a structure marked by its first member, and gave each class an empty
// method per interface it implements, so that what survives the
// preprocessor can be told here: an abstract instance is a variable whose
// type is such a structure, and a class's interfaces are its marked methods.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/tree_nodes.h"

#include <algorithm>
#include <map>
#include <set>

namespace hlsl {

namespace {

bool IsInterface(const glslang::TType& type)
{
    const glslang::TTypeList* members = type.isStruct() ? type.getStruct() : nullptr;
    return members && !members->empty() && members->front().type->getFieldName() == kInterfaceMarker;
}

std::uint32_t ArraySize(const glslang::TType& type)
{
    return type.isArray() ? static_cast<std::uint32_t>(std::max(type.getOuterArraySize(), 1)) : 0;
}

// Abstract instances among a block's members. One inside a structure is
// refused: its slot would be part of data the application fills.
void FindInMembers(const glslang::TType& holder, const SourceSet& sources, std::vector<AbstractInstance>& found)
{
    for (const glslang::TTypeLoc& member : *holder.getStruct()) {
        const glslang::TType& type = *member.type;
        const SourcePosition at = PlaceName(member.loc, type.getFieldName().c_str(), 0, sources);
        if (IsInterface(type) && holder.getBasicType() != glslang::EbtBlock)
            Refuse(at, "abstract interface instance " + Quoted(type.getFieldName().c_str())
                           + " inside the structure " + Quoted(holder.getTypeName().c_str())
                           + ": this compiler takes abstract instances declared on their own, in a constant buffer "
                             "or as an entry point's uniform parameters");
        if (IsInterface(type))
            found.push_back({type.getFieldName().c_str(), type.getTypeName().c_str(), at, ArraySize(type), false, {}});
        else if (type.isStruct() && type.getStruct())
            FindInMembers(type, sources, found);
    }
}

void FindInSymbol(const glslang::TIntermSymbol& symbol, bool parameter, const SourceSet& sources,
                  std::vector<AbstractInstance>& found)
{
    const glslang::TType& type = symbol.getType();
    if (IsInterface(type))
        found.push_back({symbol.getName().c_str(), type.getTypeName().c_str(),
                         PlaceName(symbol.getLoc(), symbol.getName().c_str(), kSignatureLines, sources),
                         ArraySize(type), parameter, {}});
    else if (type.isStruct() && type.getStruct())
        FindInMembers(type, sources, found);
}

// The names the entry point's code and the functions it calls read: symbols
// and members of blocks (the constant buffers, $Global among them).
class Uses final : public glslang::TIntermTraverser {
public:
    std::set<std::string> names, calls;

    void visitSymbol(glslang::TIntermSymbol* symbol) override { names.insert(symbol->getName().c_str()); }
    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        if (node->getOp() == glslang::EOpFunctionCall)
            calls.insert(node->getName().c_str());
        return true;
    }
    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        const glslang::TType& left = node->getLeft()->getType();
        if (node->getOp() == glslang::EOpIndexDirectStruct && left.getBasicType() == glslang::EbtBlock
            && node->getRight()->getAsConstantUnion()) {
            const int index = node->getRight()->getAsConstantUnion()->getConstArray()[0].getIConst();
            if (index >= 0 && static_cast<std::size_t>(index) < left.getStruct()->size())
                names.insert((*left.getStruct())[index].type->getFieldName().c_str());
        }
        return true;
    }
};

std::set<std::string> NamesUsed(const glslang::TIntermediate& parsed, const std::string& entryPoint)
{
    std::map<std::string, glslang::TIntermAggregate*> functions;
    for (glslang::TIntermAggregate* function : Functions(parsed))
        functions[function->getName().c_str()] = function;
    Uses uses;
    std::set<std::string> visited;
    std::vector<std::string> pending;
    if (const glslang::TIntermAggregate* entry = FindEntryFunction(parsed, entryPoint))
        pending.push_back(entry->getName().c_str());
    while (!pending.empty()) {
        const std::string name = pending.back();
        pending.pop_back();
        const auto found = functions.find(name);
        if (!visited.insert(name).second || found == functions.end())
            continue;
        found->second->traverse(&uses);
        pending.insert(pending.end(), uses.calls.begin(), uses.calls.end());
    }
    return uses.names;
}

// A class's own name and a method's name with its signature, from the
// function "cLight::Illuminate(vf3;".
std::pair<std::string, std::string> SplitMethod(const std::string& function)
{
    const std::size_t colons = function.find("::");
    if (colons == std::string::npos || function.find('(') < colons)
        return {};
    return {function.substr(0, colons), function.substr(colons + 2)};
}

struct ClassInfo {
    std::vector<std::string> interfaces;
    std::set<std::string> methods; // with their signatures
    bool data = false;
    SourcePosition position;
};

std::map<std::string, ClassInfo> ReadClasses(const glslang::TIntermediate& parsed, const SourceSet& sources)
{
    std::map<std::string, ClassInfo> classes;
    const std::string marker = kImplementsMarker;
    for (const glslang::TIntermAggregate* function : Functions(parsed)) {
        const auto [owner, method] = SplitMethod(function->getName().c_str());
        if (owner.empty())
            continue;
        ClassInfo& info = classes[owner];
        info.methods.insert(method);
        if (!method.starts_with(marker))
            continue;
        info.interfaces.push_back(method.substr(marker.size(), method.find('(') - marker.size()));
        const std::vector<const glslang::TIntermSymbol*> parameters = Parameters(function);
        const glslang::TType* self = parameters.empty() ? nullptr : &parameters.front()->getType();
        info.data = self && self->isStruct() && self->getStruct() && !self->getStruct()->empty();
        info.position = PlaceName(function->getLoc(), owner, kSignatureLines, sources);
    }
    return classes;
}

bool Implements(const ClassInfo& info, const std::set<std::string>& interfaces)
{
    return std::any_of(info.interfaces.begin(), info.interfaces.end(),
                       [&](const std::string& name) { return interfaces.count(name) > 0; });
}

// The class instances the code declares: globals and block members whose
// type implements an interface that a slot holds.
void ReadDeclaredInstances(const glslang::TIntermediate& parsed, const std::map<std::string, ClassInfo>& classes,
                           const std::set<std::string>& held, DynamicLinkage& linkage)
{
    const auto add = [&](const std::string& name, const glslang::TType& type) {
        const auto found = type.isStruct() ? classes.find(type.getTypeName().c_str()) : classes.end();
        if (found == classes.end() || !Implements(found->second, held))
            return;
        const std::uint32_t size = ArraySize(type);
        if (size)
            linkage.instanceArrays.push_back(name);
        for (std::uint32_t index = 0; index < std::max<std::uint32_t>(size, 1); ++index)
            linkage.classInstances.push_back({0, found->first, name, index, found->second.interfaces});
    };
    for (const glslang::TIntermSymbol* global : Globals(parsed)) {
        const glslang::TType& type = global->getType();
        if (type.getBasicType() == glslang::EbtBlock) {
            for (const glslang::TTypeLoc& member : *type.getStruct())
                add(member.type->getFieldName().c_str(), *member.type);
        } else {
            add(global->getName().c_str(), type);
        }
    }
}

} // namespace

DynamicLinkage ReadInterfaceInstances(const Tree& tree, const std::string& entryPoint, const std::string& profile,
                                      ShaderStage stage, const SourceSet& sources)
{
    DynamicLinkage linkage;
    linkage.stage = stage;
    std::vector<AbstractInstance>& found = linkage.instances;
    for (const glslang::TIntermSymbol* global : Globals(*tree.parsed))
        FindInSymbol(*global, false, sources, found);
    for (const glslang::TIntermSymbol* parameter : Parameters(FindEntryFunction(*tree.parsed, entryPoint)))
        FindInSymbol(*parameter, true, sources, found);
    // glslang also makes an entry point's uniform parameter a member of
    // $Global: it is the parameter.
    std::erase_if(found, [&](const AbstractInstance& instance) {
        return !instance.parameter && std::any_of(found.begin(), found.end(), [&](const AbstractInstance& other) {
            return other.parameter && other.name == instance.name;
        });
    });
    if (found.empty())
        return linkage;
    // In the order of the text: the main file's after its includes'.
    const auto order = [&](const AbstractInstance& x) {
        return std::tuple(x.position.file == sources.MainFile(), x.position.file, x.position.line, x.position.column);
    };
    std::stable_sort(found.begin(), found.end(),
                     [&](const AbstractInstance& a, const AbstractInstance& b) { return order(a) < order(b); });
    const AbstractInstance& first = found.front();
    if (!profile.ends_with("5_0"))
        Refuse(first.position, "abstract interface instance " + Quoted(first.name) + " of interface "
                                   + Quoted(first.interfaceName)
                                   + ": a call through it is resolved when the shader is bound (dynamic shader "
                                     "linkage), which shader model 5 introduced; "
                                   + profile
                                   + " does not have it, and the Windows compiler refuses it there too; declare an "
                                     "instance of a class that implements the interface");

    // Slots in declaration order, an array taking one per element, for the
    // instances the entry point's code uses; the compiler makes none for the
    // others.
    const std::set<std::string> used = NamesUsed(*tree.parsed, entryPoint);
    std::set<std::string> held;
    for (AbstractInstance& instance : found)
        if (used.count(instance.name)) {
            instance.slot = linkage.slotCount;
            linkage.slotCount += std::max<std::uint32_t>(instance.arraySize, 1);
            held.insert(instance.interfaceName);
        }
    if (held.empty())
        return linkage;

    // The instances that can fill them, each numbered from 1: the declared
    // ones, then one created instance of each class without data.
    const std::map<std::string, ClassInfo> classes = ReadClasses(*tree.parsed, sources);
    ReadDeclaredInstances(*tree.parsed, classes, held, linkage);
    for (const auto& [name, info] : classes)
        if (!info.data && Implements(info, held))
            linkage.classInstances.push_back({0, name, "", 0, info.interfaces});
    std::uint32_t id = 0;
    for (ClassInstanceRecord& record : linkage.classInstances)
        record.id = ++id;

    // Every method of each interface a slot holds, which each class that
    // implements the interface must define.
    std::set<std::string> files;
    for (const glslang::TIntermAggregate* function : Functions(*tree.parsed))
        if (held.count(SplitMethod(function->getName().c_str()).first))
            files.insert(PositionOf(function->getLoc(), sources.MainFile()).file);
    const std::vector<std::string> interfaces(held.begin(), held.end());
    for (const std::string& file : files)
        if (const std::string* text = sources.Text(file))
            for (InterfaceMethod& method : ReadInterfaceMethods(*text, interfaces))
                linkage.methods.push_back(std::move(method));
    for (const auto& [name, info] : classes) {
        if (!Implements(info, held))
            continue;
        for (const std::string& interfaceName : info.interfaces) {
            const auto declared = classes.find(interfaceName);
            if (!held.count(interfaceName) || declared == classes.end())
                continue;
            for (const std::string& method : declared->second.methods)
                if (!info.methods.count(method))
                    Refuse(info.position, "class " + Quoted(name) + " implements interface " + Quoted(interfaceName)
                                              + " but not its method " + Quoted(method.substr(0, method.find('(')))
                                              + " with the interface's parameters");
        }
    }
    return linkage;
}

} // namespace hlsl
