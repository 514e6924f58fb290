// What a class inherits: the chain of its bases, the interfaces it
// implements, which definition of a method a name reaches, and the copy of
// a base's member made for a class derived from it.

#include "platform/hlsl/source_classes.h"

#include <algorithm>

namespace hlsl::classes {

namespace {

// Each external declaration on lines of its own, then the text.
std::string Joined(std::string_view text, const std::vector<ExternalDeclaration>& externals)
{
    std::string joined;
    for (const ExternalDeclaration& external : externals)
        joined += external.text + ";\n";
    return joined.append(text);
}

} // namespace

ClassGraph::ClassGraph(std::string_view text, const std::vector<ExternalDeclaration>& externals)
    : text_(Joined(text, externals)), externals_(externals), tokens_(text_)
{
    for (const ExternalDeclaration& external : externals) {
        externalStarts_.push_back(prefix_);
        prefix_ += external.text.size() + 2;
    }
    prefixLines_ = static_cast<int>(std::count(text_.begin(), text_.begin() + static_cast<std::ptrdiff_t>(prefix_), '\n'));
}

const ExternalDeclaration& ClassGraph::ExternalAt(std::size_t offset) const
{
    const auto after = std::upper_bound(externalStarts_.begin(), externalStarts_.end(), offset);
    return externals_[static_cast<std::size_t>(after - externalStarts_.begin()) - 1];
}

TextPosition ClassGraph::At(std::size_t token) const
{
    TextPosition at = tokens_.Position(token);
    at.line -= prefixLines_;
    return at;
}

bool ClassGraph::ArgumentIsCall(std::size_t open) const
{
    return tokens_.Is(open + 1, '(') || tokens_.Text(open + 1) == "this"
           || (tokens_.IsIdentifier(open + 1) && tokens_.Is(open + 2, '('));
}

bool ClassGraph::ImplicitThisCall(std::size_t t, const Declaration& target) const
{
    if (!tokens_.IsIdentifier(t) || !tokens_.Is(t + 1, '(') || tokens_.Is(t - 1, '.') || tokens_.Is(t - 1, ':'))
        return false;
    std::vector<const Declaration*> chain = Ancestors(target);
    chain.push_back(&target);
    return std::any_of(chain.begin(), chain.end(), [&](const Declaration* c) {
        return std::any_of(c->members.begin(), c->members.end(), [&](const Member& m) {
            return m.body && m.name == tokens_.Text(t) && tokens_.Text(m.first) != "static";
        });
    });
}

std::vector<const Declaration*> ClassGraph::Ancestors(const Declaration& declaration) const
{
    std::vector<const Declaration*> chain;
    for (const Declaration* at = &declaration; !at->baseClass.empty();) {
        at = &declarations_[known_.at(at->baseClass)];
        chain.insert(chain.begin(), at);
    }
    return chain;
}

std::vector<std::string> ClassGraph::Interfaces(const Declaration& declaration) const
{
    std::vector<const Declaration*> chain = Ancestors(declaration);
    chain.push_back(&declaration);
    std::vector<std::string> names;
    for (const Declaration* c : chain)
        for (const std::string& name : c->interfaces)
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
    return names;
}

bool ClassGraph::Defines(const Declaration& declaration, std::string_view method)
{
    return std::any_of(declaration.members.begin(), declaration.members.end(),
                       [&](const Member& m) { return m.body && m.name == method; });
}

const Declaration* ClassGraph::Definer(const Declaration& from, std::string_view method) const
{
    if (Defines(from, method))
        return &from;
    const std::vector<const Declaration*> chain = Ancestors(from);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (Defines(**it, method))
            return *it;
    return nullptr;
}

bool ClassGraph::Virtual(const Declaration& in, std::string_view method) const
{
    std::vector<const Declaration*> chain = Ancestors(in);
    chain.push_back(&in);
    for (const Declaration* c : chain)
        for (const std::string& name : c->interfaces)
            for (const Member& m : declarations_[known_.at(name)].members)
                if (m.name == method)
                    return true;
    return false;
}

std::string ClassGraph::VisibleName(const std::string& method, const Declaration& definer, const Declaration& target) const
{
    if (&definer == &target)
        return method;
    std::vector<const Declaration*> chain = Ancestors(target);
    chain.push_back(&target);
    const auto below = std::find(chain.begin(), chain.end(), &definer);
    const bool overridden =
        below != chain.end()
        && std::any_of(below + 1, chain.end(), [&](const Declaration* c) { return Defines(*c, method); });
    return overridden ? definer.name + "__" + method : method;
}

std::string ClassGraph::QualifiedCall(std::size_t t, const Declaration& target, const Declaration* origin) const
{
    if (!tokens_.IsIdentifier(t) || !tokens_.Is(t + 1, ':') || !tokens_.Is(t + 2, ':') || !tokens_.IsIdentifier(t + 3)
        || !tokens_.Is(t + 4, '('))
        return {};
    const auto named = known_.find(std::string(tokens_.Text(t)));
    const std::vector<const Declaration*> chain = Ancestors(origin ? *origin : target);
    if (named == known_.end()
        || std::find(chain.begin(), chain.end(), &declarations_[named->second]) == chain.end())
        return {};
    const std::string method(tokens_.Text(t + 3));
    const Declaration* definer = Definer(declarations_[named->second], method);
    return definer ? VisibleName(method, *definer, target) : std::string();
}

std::string ClassGraph::Rewrite(const Member& member, const Declaration& origin, const Declaration& target) const
{
    std::string line;
    for (std::size_t t = member.first; t <= member.last; ++t) {
        if (t > member.first && tokens_.Token(t).begin != tokens_.Token(t - 1).end)
            line += ' ';
        std::string word(tokens_.Text(t));
        if (member.method && t == member.nameToken) {
            word = VisibleName(member.name, origin, target);
        } else if (const std::string name = QualifiedCall(t, target, &origin); !name.empty()) {
            word = (ArgumentIsCall(t + 4) ? "this." : "") + name;
            t += 3;
        } else if (member.method && tokens_.IsIdentifier(t) && tokens_.Is(t + 1, '(')
                   && !tokens_.Is(t - 1, ':')
                   && (!tokens_.Is(t - 1, '.') || (tokens_.Text(t - 2) == "this" && !tokens_.Is(t - 3, '.')))) {
            const Declaration* definer = Virtual(origin, word) ? nullptr : Definer(origin, word);
            const bool implicit = ImplicitThisCall(t, origin);
            if (definer)
                word = VisibleName(word, *definer, target);
            if (implicit && ArgumentIsCall(t + 1))
                word = "this." + word;
        }
        line += word;
    }
    return line;
}

} // namespace hlsl::classes
