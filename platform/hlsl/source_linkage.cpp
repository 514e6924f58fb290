// Dynamic linkage in the text. LowerClasses made each interface a structure
// whose first member marks it; here that member holds an abstract
// instance's interface slot, and each of the interface's methods calls a
// function that chooses the class instance bound to the slot:
//
//   float3 fxdemo_iLight_0(uint fxdemo_slot, float3 n);
//   struct iLight { uint fxdemo_interface;
//                   float3 Illuminate(float3 n) { return fxdemo_iLight_0(this.fxdemo_interface, n); } };
//   static iLight g_lights[2] = {0u, 1u};
//   ...
//   static uint fxsc_ps_interfaces[3];
//   float3 fxdemo_iLight_0(uint fxdemo_slot, float3 n)
//   {
//       switch (fxsc_ps_interfaces[fxdemo_slot]) {
//       case 1u: return g_ambient.Illuminate(n);
//       case 2u: { cPlain fxdemo_created; return fxdemo_created.Illuminate(n); }
//       }
//       float3 fxdemo_none; return fxdemo_none;
//   }
//
// The SPIR-V stage makes the static array the GLSL uniform the layer sets
// (LowerInterfaceUniform). A structure passes its slot along wherever an
// instance goes: into functions, into locals, indexed in an array.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_classes.h"
#include "platform/hlsl/source_tokens.h"

#include <algorithm>

namespace hlsl {

namespace {

using namespace classes;

std::string DispatchName(const std::string& interfaceName, std::size_t method)
{
    return "fxdemo_" + interfaceName + "_" + std::to_string(method);
}

// The text from token `first` to token `last`, inclusive.
std::string_view Span(std::string_view text, const TokenView& tokens, std::size_t first, std::size_t last)
{
    return text.substr(tokens.Offset(first), tokens.Token(last).end - tokens.Offset(first));
}

struct MarkedInterface {
    std::string name;
    std::size_t keyword = 0, open = 0, close = 0;
};

// The structures LowerClasses made of interfaces.
std::vector<MarkedInterface> MarkedInterfaces(const TokenView& tokens)
{
    std::vector<MarkedInterface> found;
    for (std::size_t i = 0; i + 4 < tokens.Size(); ++i)
        if (tokens.Text(i) == "struct" && tokens.IsIdentifier(i + 1) && tokens.Is(i + 2, '{')
            && tokens.Text(i + 3) == "uint" && tokens.Text(i + 4) == kInterfaceMarker)
            found.push_back({std::string(tokens.Text(i + 1)), i, i + 2, AfterMatching(tokens, i + 2) - 1});
    return found;
}

// A method member's parameter list and body: '(' and ')', '{' and '}'.
struct MethodTokens {
    std::size_t open, close, bodyOpen, bodyClose;
};

MethodTokens Locate(const TokenView& tokens, const Member& member)
{
    MethodTokens at{};
    at.open = member.nameToken + 1;
    at.close = AfterMatching(tokens, at.open) - 1;
    at.bodyOpen = at.close + 1;
    while (at.bodyOpen < member.last && !tokens.Is(at.bodyOpen, '{'))
        ++at.bodyOpen;
    at.bodyClose = AfterMatching(tokens, at.bodyOpen) - 1;
    return at;
}

InterfaceMethod ReadMethod(std::string_view text, const TokenView& tokens, const std::string& interfaceName,
                           const Member& member)
{
    const MethodTokens at = Locate(tokens, member);
    InterfaceMethod method;
    method.interfaceName = interfaceName;
    method.name = member.name;
    method.returnType = std::string(Span(text, tokens, member.first, member.nameToken - 1));
    // Each parameter up to its semantic or default value.
    std::size_t first = at.open + 1;
    while (first < at.close) {
        std::size_t end = first, kept = first;
        bool cut = false;
        for (; end < at.close && !tokens.Is(end, ','); ++end) {
            if (tokens.Is(end, ':') || tokens.Is(end, '='))
                cut = true;
            if (!cut)
                kept = end;
            if (tokens.Is(end, '(') || tokens.Is(end, '['))
                end = AfterMatching(tokens, end) - 1;
        }
        if (!(end == first + 1 && tokens.Text(first) == "void" && method.parameters.empty() && end == at.close)) {
            method.parameters.emplace_back(Span(text, tokens, first, kept));
            // The name: the last identifier before any array size.
            std::size_t name = first;
            for (std::size_t t = first; t <= kept && !tokens.Is(t, '['); ++t)
                if (tokens.IsIdentifier(t))
                    name = t;
            method.arguments.emplace_back(tokens.Text(name));
        }
        first = end + 1;
    }
    return method;
}

std::string Join(const std::vector<std::string>& parts, const std::string& before)
{
    std::string joined;
    for (const std::string& part : parts)
        joined += before + part;
    return joined;
}

// The function that the methods number `index` of an interface call.
std::string Dispatch(const InterfaceMethod& method, std::size_t index, const DynamicLinkage& linkage)
{
    const bool returns = method.returnType != "void";
    const std::string call = method.name + "(" + [&] {
        std::string list;
        for (const std::string& argument : method.arguments)
            list += (list.empty() ? "" : ", ") + argument;
        return list;
    }() + ");";
    std::string text = method.returnType + " " + DispatchName(method.interfaceName, index) + "(uint fxdemo_slot"
                       + Join(method.parameters, ", ") + ")\n{\n    switch (" + InterfaceUniformName(linkage.stage)
                       + "[fxdemo_slot]) {\n";
    for (const ClassInstanceRecord& record : linkage.classInstances) {
        if (std::find(record.interfaces.begin(), record.interfaces.end(), method.interfaceName)
            == record.interfaces.end())
            continue;
        text += "    case " + std::to_string(record.id) + "u: ";
        std::string instance = record.instanceName;
        if (instance.empty()) {
            text += "{ " + record.typeName + " fxdemo_created; ";
            instance = "fxdemo_created";
        } else if (std::find(linkage.instanceArrays.begin(), linkage.instanceArrays.end(), instance)
                   != linkage.instanceArrays.end()) {
            instance += "[" + std::to_string(record.instanceIndex) + "]";
        }
        text += (returns ? "return " : "") + instance + "." + call + (returns ? "" : " return;");
        text += record.instanceName.empty() ? " }\n" : "\n";
    }
    text += "    }\n";
    if (returns)
        text += "    " + method.returnType + " fxdemo_none; return fxdemo_none;\n";
    return text + "}\n";
}

std::string Initializer(const AbstractInstance& instance)
{
    const std::uint32_t first = instance.slot.value_or(0);
    std::string list;
    for (std::uint32_t i = 0; i < std::max<std::uint32_t>(instance.arraySize, 1); ++i)
        list += (i ? ", " : "") + std::to_string(instance.slot ? first + i : 0) + "u";
    return " = {" + list + "}";
}

} // namespace

std::vector<InterfaceMethod> ReadInterfaceMethods(std::string_view text, const std::vector<std::string>& interfaces)
{
    const TokenView tokens(text);
    std::vector<InterfaceMethod> methods;
    for (const MarkedInterface& marked : MarkedInterfaces(tokens)) {
        if (std::find(interfaces.begin(), interfaces.end(), marked.name) == interfaces.end())
            continue;
        for (const Member& member : ReadMembers(tokens, marked.open, marked.close))
            if (member.method && member.body)
                methods.push_back(ReadMethod(text, tokens, marked.name, member));
    }
    return methods;
}

std::string LowerDynamicLinkage(std::string_view text, const std::string& file, const DynamicLinkage& linkage,
                                bool mainFile, std::vector<Insertion>& insertions)
{
    const TokenView tokens(text);
    std::string blanked(text); // parameters go, line breaks kept
    std::vector<Edit> edits;
    std::vector<std::size_t> staticAt;
    std::string beforeEntry; // the parameters, declared before the entry point
    std::size_t entryStart = 0;
    for (const AbstractInstance& instance : linkage.instances) {
        if (instance.position.file != file)
            continue;
        std::size_t name = 0;
        while (name < tokens.Size()
               && !(tokens.Text(name) == instance.name && tokens.Position(name).line == instance.position.line
                    && tokens.Position(name).column == instance.position.column))
            ++name;
        if (name == tokens.Size())
            continue;
        std::size_t start = name;
        while (start > 0 && !tokens.Is(start - 1, ';') && !tokens.Is(start - 1, '{') && !tokens.Is(start - 1, '}')
               && !(instance.parameter && (tokens.Is(start - 1, '(') || tokens.Is(start - 1, ','))))
            --start;
        std::size_t end = name + 1;
        while (tokens.Is(end, '['))
            end = AfterMatching(tokens, end);
        // The type, the name and any array sizes.
        const std::string declaration(Span(text, tokens, start + (tokens.Text(start) == "uniform" ? 1 : 0), end - 1));
        if (instance.parameter) {
            // "uniform iLight light" leaves the list with a comma beside it.
            std::size_t last = end;
            while (last < tokens.Size() && !tokens.Is(last, ',') && !tokens.Is(last, ')'))
                last = tokens.Is(last, '(') || tokens.Is(last, '[') ? AfterMatching(tokens, last) : last + 1;
            std::size_t from = tokens.Offset(start), to = tokens.Token(last - 1).end;
            if (tokens.Is(last, ','))
                to = tokens.Token(last).end;
            else if (tokens.Is(start - 1, ','))
                from = tokens.Offset(start - 1);
            const std::string blank = Blank(text.substr(from, to - from));
            blanked.replace(from, to - from, blank);
            beforeEntry += "static " + declaration + Initializer(instance) + "; ";
            std::size_t open = start;
            for (int depth = 0; open > 0 && !(depth == 0 && tokens.Is(open - 1, '('));) {
                --open;
                depth += tokens.Is(open, ')') ? 1 : tokens.Is(open, '(') ? -1 : 0;
            }
            std::size_t function = open > 1 ? open - 2 : 0;
            while (function > 0 && !tokens.Is(function - 1, ';') && !tokens.Is(function - 1, '}'))
                --function;
            entryStart = tokens.Offset(function);
            continue;
        }
        if (std::find(staticAt.begin(), staticAt.end(), start) == staticAt.end()) {
            staticAt.push_back(start);
            if (tokens.Text(start) == "uniform")
                edits.push_back({tokens.Offset(start), tokens.Token(start).end, "static "});
            else if (tokens.Text(start) != "static")
                edits.push_back({tokens.Offset(start), tokens.Offset(start), "static "});
        }
        edits.push_back({tokens.Token(end - 1).end, tokens.Token(end - 1).end, Initializer(instance)});
    }
    if (!beforeEntry.empty())
        edits.push_back({entryStart, entryStart, beforeEntry});

    // Each interface a slot holds: its methods call the dispatch functions,
    // declared before it.
    std::vector<std::string> held;
    for (const AbstractInstance& instance : linkage.instances)
        if (instance.slot)
            held.push_back(instance.interfaceName);
    for (const MarkedInterface& marked : MarkedInterfaces(tokens)) {
        if (std::find(held.begin(), held.end(), marked.name) == held.end())
            continue;
        std::string prototypes;
        std::size_t index = 0;
        for (const Member& member : ReadMembers(tokens, marked.open, marked.close)) {
            if (!member.method || !member.body)
                continue;
            const InterfaceMethod method = ReadMethod(text, tokens, marked.name, member);
            const MethodTokens at = Locate(tokens, member);
            const std::string name = DispatchName(marked.name, index++);
            prototypes += method.returnType + " " + name + "(uint fxdemo_slot" + Join(method.parameters, ", ") + "); ";
            edits.push_back({tokens.Offset(at.bodyOpen), tokens.Token(at.bodyClose).end,
                             std::string("{ ") + (method.returnType != "void" ? "return " : "") + name
                                 + "(this." + kInterfaceMarker + Join(method.arguments, ", ") + "); }"});
        }
        edits.push_back({tokens.Offset(marked.keyword), tokens.Offset(marked.keyword), prototypes});
    }

    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    std::string lowered;
    std::vector<std::pair<std::size_t, std::size_t>> inserted; // offset in `lowered`, bytes
    std::size_t from = 0;
    for (const Edit& edit : edits) {
        lowered.append(blanked, from, edit.begin - from);
        if (edit.begin == edit.end)
            inserted.emplace_back(lowered.size(), edit.text.size());
        lowered += edit.text;
        from = edit.end;
    }
    lowered.append(blanked, from);
    const LineIndex lines(lowered);
    for (const auto& [offset, count] : inserted) {
        const TextPosition at = lines.At(offset);
        insertions.push_back({at.line, at.column, static_cast<int>(count)});
    }

    // A constant buffer's abstract instances, static now, leave the buffer.
    lowered = LowerBufferStatics(lowered);
    if (mainFile && linkage.slotCount > 0) {
        lowered += "\nstatic uint " + InterfaceUniformName(linkage.stage) + "[" + std::to_string(linkage.slotCount)
                   + "];\n";
        std::vector<std::string> seen;
        for (const InterfaceMethod& method : linkage.methods) {
            const std::size_t index =
                static_cast<std::size_t>(std::count(seen.begin(), seen.end(), method.interfaceName));
            seen.push_back(method.interfaceName);
            lowered += Dispatch(method, index, linkage);
        }
    }
    return lowered;
}

} // namespace hlsl
