// Reading a class's, struct's or interface's members from the token scan,
// for the class lowering.

#include "platform/hlsl/source_classes.h"

#include <algorithm>

namespace hlsl::classes {

std::size_t AfterMatching(const TokenView& tokens, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < tokens.Size(); ++i) {
        if (tokens.Is(i, '{') || tokens.Is(i, '(') || tokens.Is(i, '['))
            ++depth;
        else if ((tokens.Is(i, '}') || tokens.Is(i, ')') || tokens.Is(i, ']')) && --depth == 0)
            return i + 1;
    }
    return tokens.Size();
}

std::vector<Member> ReadMembers(const TokenView& tokens, std::size_t open, std::size_t close)
{
    std::vector<Member> members;
    for (std::size_t i = open + 1; i < close;) {
        Member member;
        member.first = i;
        bool separator = false; // a ':' or '=' before any '(': a semantic or an initializer
        std::size_t j = i;
        for (; j < close; ++j) {
            if (tokens.Is(j, ';'))
                break;
            if (tokens.Is(j, ':') || tokens.Is(j, '='))
                separator = true;
            if (tokens.Is(j, '(') && !separator && !member.method && j > i && tokens.IsIdentifier(j - 1)) {
                member.method = true;
                member.nameToken = j - 1;
                member.name = std::string(tokens.Text(j - 1));
            }
            if (tokens.Is(j, '{')) {
                member.body = member.method;
                j = AfterMatching(tokens, j) - 1;
                break;
            }
            if (tokens.Is(j, '(') || tokens.Is(j, '['))
                j = AfterMatching(tokens, j) - 1;
        }
        if (member.body && tokens.Is(j + 1, ';'))
            ++j;
        member.last = std::min(j, close - 1);
        if (member.last >= member.first)
            members.push_back(member);
        i = j + 1;
    }
    return members;
}

std::string Blank(std::string_view text)
{
    std::string blank(text);
    for (char& c : blank)
        if (c != '\n' && c != '\r')
            c = ' ';
    return blank;
}

} // namespace hlsl::classes
