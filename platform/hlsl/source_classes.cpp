// Classes and interfaces that resolve when compiling. glslang's HLSL front
// end takes a struct's or class's methods (members used without "this.",
// static methods, calls on instances anywhere), but neither inheritance nor
// interfaces: a base class's members and methods are copied into each class
// derived from it, and an interface becomes a structure that glslang reads,
// so that a class that implements it is an ordinary class and an abstract
// instance of it is found, after the preprocessor, on glslang's tree.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_classes.h"
#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <map>
#include <set>

namespace hlsl {

namespace {

using namespace classes;

class ClassLowering {
public:
    ClassLowering(std::string_view text, const std::string& file) : text_(text), file_(file), tokens_(text) {}

    std::vector<ClassExplanation> Explain()
    {
        Lower();
        return explanations_;
    }

    std::string Run()
    {
        Lower();
        if (edits_.empty())
            return std::string(text_);
        std::sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
        std::string lowered;
        std::size_t at = 0;
        for (const Edit& edit : edits_) {
            lowered.append(text_.substr(at, edit.begin - at));
            lowered += edit.text;
            at = edit.end;
        }
        lowered.append(text_.substr(at));
        return lowered;
    }

private:
    void Lower()
    {
        ReadDeclarations();
        for (Declaration& declaration : declarations_) {
            if (declaration.isInterface)
                LowerInterface(declaration);
            else
                LowerClass(declaration);
        }
    }

    // What this compiler refuses is left as written but for one character,
    // for glslang to fail on where the preprocessor keeps it; the error it
    // gives on the declaration's lines is replaced by this one
    // (ExplainClasses).
    void RefuseAt(std::size_t token, const std::string& message, Declaration& declaration)
    {
        const TextPosition at = tokens_.Position(token);
        const int last = declaration.close ? tokens_.Position(declaration.close).line : at.line;
        explanations_.push_back({MakeDiagnostic({file_, at.line, at.column}, message), last});
        // glslang reads some of these without a word ("class C : A" where
        // C uses nothing of A): a character it refuses makes sure.
        // After the declaration's '}', so that nothing before it moves.
        if (!declaration.leftAlone && declaration.close)
            edits_.push_back({tokens_.Token(declaration.close).end, tokens_.Token(declaration.close).end, "@"});
        declaration.leftAlone = true;
    }

    void ReadDeclarations()
    {
        int depth = 0;
        for (std::size_t i = 0; i < tokens_.Size(); ++i) {
            if (tokens_.Is(i, '{'))
                ++depth;
            else if (tokens_.Is(i, '}'))
                --depth;
            const std::string_view word = tokens_.Text(i);
            if (depth != 0 || !tokens_.IsIdentifier(i + 1) || (i > 0 && tokens_.Is(i - 1, '.'))
                || (word != "class" && word != "struct" && word != "interface"))
                continue;
            Declaration declaration;
            std::vector<std::pair<std::size_t, std::string>> problems;
            declaration.name = std::string(tokens_.Text(i + 1));
            declaration.isInterface = word == "interface";
            declaration.keyword = i;
            std::size_t open = i + 2;
            if (tokens_.Is(open, ':')) {
                declaration.basesBegin = open;
                for (++open; tokens_.IsIdentifier(open); open += tokens_.Is(open + 1, ',') ? 2 : 1) {
                    const std::string base(tokens_.Text(open));
                    const auto known = known_.find(base);
                    if (known != known_.end() && !declarations_[known->second].isInterface) {
                        if (!declaration.baseClass.empty())
                            problems.emplace_back(open, "class " + Quoted(declaration.name) + " derives from two classes, "
                                                            + Quoted(declaration.baseClass) + " and " + Quoted(base)
                                                            + "; an HLSL class has at most one base class");
                        declaration.baseClass = base;
                    } else if (known != known_.end()) {
                        declaration.interfaces.push_back(base);
                    } else {
                        problems.emplace_back(open, Quoted(base) + ", a base of " + Quoted(declaration.name)
                                                        + ", is not a class or interface declared before it in this file");
                    }
                }
            } else {
                declaration.basesBegin = open;
            }
            if (!tokens_.Is(open, '{'))
                continue; // "struct S s;" and the like: no declaration of a type
            declaration.open = open;
            declaration.close = AfterMatching(tokens_, open) - 1;
            if (declaration.close >= tokens_.Size())
                continue;
            declaration.members = ReadMembers(tokens_, declaration.open, declaration.close);
            // An interface this pass has made a structure of, read again by
            // ExplainClasses.
            declaration.isInterface |= !declaration.members.empty()
                                       && tokens_.Text(declaration.members.front().first + 1) == kInterfaceMarker;
            for (const auto& [token, message] : problems)
                if (!declaration.leftAlone)
                    RefuseAt(token, message, declaration);
            known_[declaration.name] = declarations_.size();
            declarations_.push_back(std::move(declaration));
            i = declarations_.back().close;
        }
    }

    // "interface I { float3 f(float3 n); };" becomes a structure of the
    // same name whose methods have bodies, with a first member that marks
    // it: glslang reads every use of it, and the tree stage finds abstract
    // instances by the mark (kInterfaceMarker in source.h).
    void LowerInterface(Declaration& declaration)
    {
        for (const Member& member : declaration.members)
            if ((!member.method || member.body) && tokens_.Text(member.first + 1) != kInterfaceMarker)
                RefuseAt(member.first, "interface " + Quoted(declaration.name)
                                           + " may declare only methods, without bodies", declaration);
        if (declaration.leftAlone)
            return;
        const SourceToken keyword = tokens_.Token(declaration.keyword);
        edits_.push_back({keyword.begin, keyword.end, "struct   "});
        const std::size_t open = tokens_.Token(declaration.open).end;
        edits_.push_back({open, open, std::string(" uint ") + kInterfaceMarker + ";"});
        for (const Member& member : declaration.members) {
            std::string type;
            for (std::size_t t = member.first; t < member.nameToken; ++t)
                type += std::string(tokens_.Text(t)) + " ";
            const SourceToken semicolon = tokens_.Token(member.last);
            edits_.push_back({semicolon.begin, semicolon.end,
                              type == "void " ? std::string(" {}")
                                              : " { " + type + "r; return r; }"});
        }
    }

    void LowerClass(Declaration& declaration)
    {
        for (const Member& member : declaration.members)
            if (member.method && !member.body && !declaration.leftAlone)
                RefuseAt(member.nameToken, "the method " + Quoted(declaration.name + "::" + member.name)
                                               + " is declared without its body; this compiler takes a class's "
                                                 "methods only where the class defines them", declaration);
        for (const Declaration* base : Ancestors(declaration))
            for (const Member& member : base->members)
                if (!declaration.leftAlone)
                    CheckOneLine(member, *base, declaration);
        if (declaration.leftAlone)
            return;
        if (declaration.basesBegin != declaration.open) {
            const std::size_t from = tokens_.Token(declaration.basesBegin).begin;
            const std::size_t to = tokens_.Token(declaration.open).begin;
            edits_.push_back({from, to, Blank(text_.substr(from, to - from))});
        }
        // The base classes' members, root first, on the line of the '{',
        // and an empty method per interface the class implements, its
        // bases' included, by which the tree stage knows the interfaces.
        std::string copied;
        for (const Declaration* base : Ancestors(declaration))
            for (const Member& member : base->members)
                copied += " " + Rewrite(member, *base, declaration);
        for (const std::string& name : Interfaces(declaration))
            copied += std::string(" void ") + kImplementsMarker + name + "() {}";
        const std::size_t open = tokens_.Token(declaration.open).end;
        if (!copied.empty())
            edits_.push_back({open, open, copied});
        // Its own methods: a call of a base's method by its class's name,
        // and "this." where glslang needs it.
        for (const Member& member : declaration.members)
            for (std::size_t t = member.first; member.body && t + 3 <= member.last; ++t)
                if (std::string name = QualifiedCall(t, declaration); !name.empty()) {
                    const std::size_t from = tokens_.Token(t).begin, to = tokens_.Token(t + 3).end;
                    if (ArgumentIsCall(t + 4))
                        name = "this." + name;
                    edits_.push_back({from, to, name + std::string(name.size() < to - from ? to - from - name.size() : 0, ' ')});
                    t += 3;
                } else if (ImplicitThisCall(t, declaration) && ArgumentIsCall(t + 1)) {
                    edits_.push_back({tokens_.Token(t).begin, tokens_.Token(t).begin, "this."});
                }
    }

    // glslang fails to convert the argument of a method called without
    // "this." when that argument is a whole call ("Add(Add(v))"); with
    // "this." it takes it. `open` is the call's '('.
    bool ArgumentIsCall(std::size_t open) const
    {
        return tokens_.Is(open + 1, '(') || tokens_.Text(open + 1) == "this"
               || (tokens_.IsIdentifier(open + 1) && tokens_.Is(open + 2, '('));
    }

    // A call at token t of a method of `target` or its bases, without
    // "this." or a class name.
    bool ImplicitThisCall(std::size_t t, const Declaration& target) const
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

    // A copy goes on one line, where a preprocessor directive cannot be.
    void CheckOneLine(const Member& member, const Declaration& base, Declaration& derived)
    {
        const std::size_t from = tokens_.Token(member.first).begin, to = tokens_.Token(member.last).end;
        const std::string_view range = text_.substr(from, to - from);
        std::size_t directive = std::string_view::npos;
        ForEachToken(range, TokenSource::Directives, [&](const SourceToken& found) {
            directive = from + found.begin;
            return false;
        });
        if (directive == std::string_view::npos)
            return;
        // The error glslang gives is at the derived class: it is explained
        // there, naming the directive's line.
        RefuseAt(derived.basesBegin,
                 "a preprocessor directive inside a member of " + Quoted(base.name) + ", a base class of "
                     + Quoted(derived.name) + " (line " + std::to_string(tokens_.PositionOf(directive).line)
                     + "), is not supported by this compiler, which copies a base's members into each class derived "
                       "from it",
                 derived);
    }

    // The chain of base classes, the root first.
    std::vector<const Declaration*> Ancestors(const Declaration& declaration) const
    {
        std::vector<const Declaration*> chain;
        for (const Declaration* at = &declaration; !at->baseClass.empty();) {
            at = &declarations_[known_.at(at->baseClass)];
            chain.insert(chain.begin(), at);
        }
        return chain;
    }

    // The interfaces a class implements, its bases' first.
    std::vector<std::string> Interfaces(const Declaration& declaration) const
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

    static bool Defines(const Declaration& declaration, std::string_view method)
    {
        return std::any_of(declaration.members.begin(), declaration.members.end(),
                           [&](const Member& m) { return m.body && m.name == method; });
    }

    // The class at or above `from` whose definition of `method` `from` sees.
    const Declaration* Definer(const Declaration& from, std::string_view method) const
    {
        if (Defines(from, method))
            return &from;
        const std::vector<const Declaration*> chain = Ancestors(from);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            if (Defines(**it, method))
                return *it;
        return nullptr;
    }

    // Interface methods are virtual in every class that implements the
    // interface and in the classes derived from it; no other method is.
    bool Virtual(const Declaration& in, std::string_view method) const
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

    // The name under which the definition of `method` in `definer` is
    // reached in `target`: its own where no class between them overrides
    // it, else "Definer__method", the name of its copy.
    std::string VisibleName(const std::string& method, const Declaration& definer, const Declaration& target) const
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

    // "Base::method" at token t, in a method of `origin` copied into
    // `target`: the name that reaches the base's definition there, or "".
    std::string QualifiedCall(std::size_t t, const Declaration& target, const Declaration* origin = nullptr) const
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

    // A member of `origin`, copied into `target`, on one line: an overridden
    // method under its copy's name, and each call in a method to the name
    // that reaches the same definition from `target`.
    std::string Rewrite(const Member& member, const Declaration& origin, const Declaration& target) const
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

    std::string_view text_;
    const std::string& file_;
    TokenView tokens_;
    std::vector<Declaration> declarations_;
    std::map<std::string, std::size_t> known_; // by name: the latest declaration
    std::vector<Edit> edits_;
    std::vector<ClassExplanation> explanations_;
};

} // namespace

std::string LowerClasses(std::string_view text, const std::string& file)
{
    return ClassLowering(text, file).Run();
}

std::vector<ClassExplanation> ExplainClasses(std::string_view text, const std::string& file)
{
    return ClassLowering(text, file).Explain();
}

} // namespace hlsl
