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

class ClassLowering : public ClassGraph {
public:
    ClassLowering(std::string_view text, const std::string& file, const std::vector<ExternalDeclaration>& externals = {})
        : ClassGraph(text, externals), file_(file)
    {
    }

    // Whether a base named in the text is declared before it nowhere this
    // lowering looked.
    bool Unresolved() const { return unresolved_; }

    std::vector<ClassExplanation> Explain()
    {
        Lower();
        return explanations_;
    }

    std::string Run()
    {
        Lower();
        if (edits_.empty())
            return text_.substr(prefix_);
        std::sort(edits_.begin(), edits_.end(), [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
        std::string lowered;
        std::size_t at = prefix_;
        for (const Edit& edit : edits_) {
            lowered.append(std::string_view(text_).substr(at, edit.begin - at));
            lowered += edit.text;
            at = edit.end;
        }
        lowered.append(std::string_view(text_).substr(at));
        return lowered;
    }

private:
    void Lower()
    {
        ReadDeclarations();
        for (Declaration& declaration : declarations_) {
            if (declaration.external)
                continue;
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
        const TextPosition at = At(token);
        const int last = declaration.close ? At(declaration.close).line : at.line;
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
            declaration.external = tokens_.Offset(i) < prefix_;
            if (declaration.external)
                declaration.visibleFrom = ExternalAt(tokens_.Offset(i)).visibleFrom;
            std::vector<std::pair<std::size_t, std::string>> problems;
            declaration.name = std::string(tokens_.Text(i + 1));
            declaration.isInterface = word == "interface";
            declaration.keyword = i;
            std::size_t open = i + 2;
            if (tokens_.Is(open, ':')) {
                declaration.basesBegin = open;
                for (++open; tokens_.IsIdentifier(open); open += tokens_.Is(open + 1, ',') ? 2 : 1) {
                    const std::string base(tokens_.Text(open));
                    auto known = known_.find(base);
                    // Another file's declaration from its #include on.
                    if (known != known_.end() && !declaration.external && declarations_[known->second].external
                        && declarations_[known->second].visibleFrom > tokens_.Offset(i) - prefix_)
                        known = known_.end();
                    if (known != known_.end() && !declarations_[known->second].isInterface) {
                        if (!declaration.baseClass.empty())
                            problems.emplace_back(open, "class " + Quoted(declaration.name) + " derives from two classes, "
                                                            + Quoted(declaration.baseClass) + " and " + Quoted(base)
                                                            + "; an HLSL class has at most one base class");
                        declaration.baseClass = base;
                    } else if (known != known_.end()) {
                        declaration.interfaces.push_back(base);
                    } else {
                        unresolved_ = true;
                        problems.emplace_back(open, Quoted(base) + ", a base of " + Quoted(declaration.name)
                                                        + ", is not a class or interface declared before it, in "
                                                          "this file or in a file included before it");
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
                if (!declaration.leftAlone && !declaration.external)
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

    // A copy goes on one line, where a preprocessor directive cannot be.
    void CheckOneLine(const Member& member, const Declaration& base, Declaration& derived)
    {
        const std::size_t from = tokens_.Token(member.first).begin, to = tokens_.Token(member.last).end;
        const std::string_view range = std::string_view(text_).substr(from, to - from);
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
                     + Quoted(derived.name) + " (" + LineName(directive)
                     + "), is not supported by this compiler, which copies a base's members into each class derived "
                       "from it",
                 derived);
    }

    // "line N" of the file's own text, or "line N of <file>" for another's.
    std::string LineName(std::size_t offset) const
    {
        const int line = tokens_.PositionOf(offset).line;
        if (offset >= prefix_)
            return "line " + std::to_string(line - prefixLines_);
        const ExternalDeclaration& external = ExternalAt(offset);
        const std::size_t start = externalStarts_[static_cast<std::size_t>(&external - externals_.data())];
        return "line " + std::to_string(external.line + line - tokens_.PositionOf(start).line) + " of "
               + external.file;
    }

    const std::string& file_;
    bool unresolved_ = false;
    std::vector<Edit> edits_;
    std::vector<ClassExplanation> explanations_;
};

} // namespace

std::string LowerClasses(std::string_view text, const std::string& file, const IncludeRoot& root)
{
    ClassLowering alone(text, file);
    std::string lowered = alone.Run();
    if (!alone.Unresolved())
        return lowered;
    // A base from another file: the same again, with the declarations the
    // file sees from the others in front of its own.
    const std::vector<ExternalDeclaration> externals = ReadExternalDeclarations(root, file);
    return externals.empty() ? lowered : ClassLowering(text, file, externals).Run();
}

std::vector<ClassExplanation> ExplainClasses(std::string_view text, const std::string& file)
{
    return ClassLowering(text, file).Explain();
}

} // namespace hlsl
