#pragma once

// What the class lowering (source_classes.cpp) reads from the token scan: a
// class's, struct's or interface's declaration and its members.

#include "platform/hlsl/source_tokens.h"

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

} // namespace hlsl::classes
