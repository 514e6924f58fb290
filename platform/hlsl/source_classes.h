#pragma once

// What the class lowering (source_classes.cpp) reads from the token scan: a
// class's, struct's or interface's declaration and its members.

#include "platform/hlsl/source.h"
#include "platform/hlsl/source_tokens.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl::classes {

struct Member {
    std::size_t first = 0, last = 0; // tokens, inclusive
    std::string name;                // a method's name; empty for data
    std::size_t nameToken = 0;
    bool method = false, body = false;
};

struct Declaration {
    std::string name;
    bool isInterface = false;
    std::size_t keyword = 0, open = 0, close = 0; // tokens
    std::size_t basesBegin = 0;                   // the ':' token, or `open` without bases
    std::string baseClass;
    std::vector<std::string> interfaces; // named in the base list
    std::vector<Member> members;
    bool leftAlone = false; // refused: glslang fails on it where it is live
    bool external = false;  // declared in another file: read, not lowered
    std::size_t visibleFrom = 0; // an external one: the offset in this file from which it is seen
};

struct Edit {
    std::size_t begin, end; // bytes replaced
    std::string text;
};

// The token after the bracket that `open` opens, or Size().
std::size_t AfterMatching(const TokenView& tokens, std::size_t open);

// The members between a declaration's braces: data, methods with bodies,
// methods declared without one.
std::vector<Member> ReadMembers(const TokenView& tokens, std::size_t open, std::size_t close);

// The text with every character but line breaks made a space.
std::string Blank(std::string_view text);

// A class, structure or interface declared in another file of the compile
// that a file sees: one of a file the preprocessor reads before it, or of a
// file it includes, from that #include on.
struct ExternalDeclaration {
    std::string text;            // from the keyword to the closing '}'
    std::string file;            // where it is declared
    int line = 1;                // of the keyword there
    std::size_t visibleFrom = 0; // the byte offset in the file that sees it
};

// The declarations `file` sees from the other files, in the order the
// preprocessor reads them from `root` (each file once, whatever #if says
// around its #include); none where `file` is not reached.
std::vector<ExternalDeclaration> ReadExternalDeclarations(const IncludeRoot& root, const std::string& file);

// The declarations of one text, with those of other files it sees in front
// of them, and what a class inherits through them (source_classes_graph.cpp).
class ClassGraph {
public:
    ClassGraph(const ClassGraph&) = delete;
    ClassGraph& operator=(const ClassGraph&) = delete;

protected:
    ClassGraph(std::string_view text, const std::vector<ExternalDeclaration>& externals);

    // The external declaration a prefix offset lies in.
    const ExternalDeclaration& ExternalAt(std::size_t offset) const;
    // A position of the file's own text, for its tokens.
    TextPosition At(std::size_t token) const;

    // glslang fails to convert the argument of a method called without
    // "this." when that argument is a whole call ("Add(Add(v))"); with
    // "this." it takes it. `open` is the call's '('.
    bool ArgumentIsCall(std::size_t open) const;
    // A call at token t of a method of `target` or its bases, without
    // "this." or a class name.
    bool ImplicitThisCall(std::size_t t, const Declaration& target) const;
    // The chain of base classes, the root first.
    std::vector<const Declaration*> Ancestors(const Declaration& declaration) const;
    // The interfaces a class implements, its bases' first.
    std::vector<std::string> Interfaces(const Declaration& declaration) const;
    static bool Defines(const Declaration& declaration, std::string_view method);
    // The class at or above `from` whose definition of `method` `from` sees.
    const Declaration* Definer(const Declaration& from, std::string_view method) const;
    // Interface methods are virtual in every class that implements the
    // interface and in the classes derived from it; no other method is.
    bool Virtual(const Declaration& in, std::string_view method) const;
    // The name under which the definition of `method` in `definer` is
    // reached in `target`: its own where no class between them overrides
    // it, else "Definer__method", the name of its copy.
    std::string VisibleName(const std::string& method, const Declaration& definer, const Declaration& target) const;
    // "Base::method" at token t, in a method of `origin` copied into
    // `target`: the name that reaches the base's definition there, or "".
    std::string QualifiedCall(std::size_t t, const Declaration& target, const Declaration* origin = nullptr) const;
    // A member of `origin`, copied into `target`, on one line: an overridden
    // method under its copy's name, and each call in a method to the name
    // that reaches the same definition from `target`.
    std::string Rewrite(const Member& member, const Declaration& origin, const Declaration& target) const;

    std::string text_;        // the external declarations, then the file's own text
    std::size_t prefix_ = 0;  // bytes of external declarations
    int prefixLines_ = 0;     // line breaks in them
    std::vector<ExternalDeclaration> externals_;
    std::vector<std::size_t> externalStarts_; // each one's offset in text_
    TokenView tokens_;
    std::vector<Declaration> declarations_;
    std::map<std::string, std::size_t> known_; // by name: the latest declaration
};

} // namespace hlsl::classes
