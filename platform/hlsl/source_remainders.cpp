// HLSL's `%` before glslang reads it: glslang folds a `%` whose operands are
// constant while it parses, with GLSL's floored meaning for floats and the
// dividend for a literal zero divisor, before any later pass can give it
// HLSL's. Each right operand inside a function goes through a function of
// the compiler's own that returns it unchanged, so no `%` is constant at
// parse time; the SPIR-V passes give every remainder HLSL's meaning and the
// optimizer folds what is constant afterwards.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <regex>
#include <set>

namespace hlsl {

namespace {

constexpr std::string_view kKeep = "fxdemo_keep(";

bool IsTypeName(std::string_view name, const std::set<std::string_view>& declaredTypes)
{
    static const std::regex kType("(bool|int|uint|dword|half|float|double|min16float|min10float|min16int|min12int|"
                                  "min16uint)([1-4](x[1-4])?)?|vector|matrix");
    return declaredTypes.count(name) || std::regex_match(name.begin(), name.end(), kType);
}

class OperandScanner {
public:
    OperandScanner(const TokenView& tokens, const std::set<std::string_view>& types) : tokens_(tokens), types_(types)
    {
    }

    // One past the last token of the unary expression that starts at `i`
    // (prefix operators, casts, a primary expression and its postfix
    // chain), or 0 where there is none.
    std::size_t UnaryEnd(std::size_t i) const
    {
        while (tokens_.Is(i, '-') || tokens_.Is(i, '+') || tokens_.Is(i, '!') || tokens_.Is(i, '~'))
            ++i;
        std::size_t j = 0;
        if (tokens_.Is(i, '(')) {
            const std::size_t close = Match(i);
            if (close == 0)
                return 0;
            if (IsCast(i, close))
                return UnaryEnd(close + 1);
            j = close + 1;
        } else if (tokens_.IsIdentifier(i) || tokens_.IsNumber(i)) {
            j = i + 1;
        } else {
            return 0;
        }
        for (;;) {
            if (tokens_.Is(j, '(') || tokens_.Is(j, '[')) {
                const std::size_t close = Match(j);
                if (close == 0)
                    return 0;
                j = close + 1;
            } else if (tokens_.Is(j, '.') && (tokens_.IsIdentifier(j + 1) || tokens_.IsNumber(j + 1))) {
                j += 2;
            } else if (Doubled(j, '+') || Doubled(j, '-')) {
                j += 2;
            } else {
                return j;
            }
        }
    }

    // One past the end of the assignment expression that starts at `i`: the
    // first ';' ',' or closing bracket outside brackets; 0 where none is found.
    std::size_t AssignmentEnd(std::size_t i) const
    {
        int depth = 0;
        for (std::size_t j = i; j < tokens_.Size(); ++j) {
            if (tokens_.Is(j, '(') || tokens_.Is(j, '[') || tokens_.Is(j, '{'))
                ++depth;
            else if ((tokens_.Is(j, ')') || tokens_.Is(j, ']') || tokens_.Is(j, '}')) && depth-- == 0)
                return j;
            else if (depth == 0 && (tokens_.Is(j, ';') || tokens_.Is(j, ',')))
                return j;
        }
        return 0;
    }

private:
    // The bracket that closes the one at `open`, or 0.
    std::size_t Match(std::size_t open) const
    {
        int depth = 0;
        for (std::size_t j = open; j < tokens_.Size(); ++j) {
            if (tokens_.Is(j, '(') || tokens_.Is(j, '[') || tokens_.Is(j, '{'))
                ++depth;
            else if ((tokens_.Is(j, ')') || tokens_.Is(j, ']') || tokens_.Is(j, '}')) && --depth == 0)
                return j;
            else if (tokens_.Is(j, ';'))
                return 0;
        }
        return 0;
    }

    // "(type)", "(type[n])" or "(const type)" before an operand.
    bool IsCast(std::size_t open, std::size_t close) const
    {
        std::size_t at = open + 1;
        if (tokens_.Text(at) == "const")
            ++at;
        if (!tokens_.IsIdentifier(at) || !IsTypeName(tokens_.Text(at), types_))
            return false;
        ++at;
        if (tokens_.Is(at, '[') && Match(at) != 0)
            at = Match(at) + 1;
        return at == close && UnaryEnd(close + 1) != 0;
    }

    bool Doubled(std::size_t j, char c) const
    {
        return tokens_.Is(j, c) && tokens_.Is(j + 1, c) && tokens_.Token(j).end == tokens_.Token(j + 1).begin;
    }

    const TokenView& tokens_;
    const std::set<std::string_view>& types_;
};

} // namespace

std::string LowerRemainderOperators(std::string_view text, std::vector<Insertion>& insertions)
{
    if (text.find('%') == std::string_view::npos)
        return std::string(text);
    const TokenView tokens(text);
    std::set<std::string_view> types;
    for (std::size_t i = 0; i + 1 < tokens.Size(); ++i)
        if ((tokens.Text(i) == "struct" || tokens.Text(i) == "class" || tokens.Text(i) == "typedef")
            && tokens.IsIdentifier(i + 1))
            types.insert(tokens.Text(i + 1));
    const OperandScanner scanner(tokens, types);

    // Byte offsets of the text to insert, each a call's opening or its ')'.
    struct Edit {
        std::size_t offset;
        bool open;
    };
    std::vector<Edit> edits;
    const std::vector<bool> inFunction = InFunctionBodies(tokens);
    for (std::size_t i = 0; i < tokens.Size(); ++i) {
        if (!tokens.Is(i, '%') || !inFunction[i])
            continue;
        // An array size in a declaration and a case label must stay constant.
        std::size_t open = i;
        int nesting = 0;
        while (open > 0 && !tokens.Is(open, ';') && !tokens.Is(open, '{') && !tokens.Is(open, '}')) {
            if (tokens.Is(open, ']'))
                ++nesting;
            else if (tokens.Is(open, '[') && nesting-- == 0)
                break;
            --open;
        }
        const bool arraySize = tokens.Is(open, '[') && open >= 2 && tokens.IsIdentifier(open - 1)
                               && tokens.IsIdentifier(open - 2) && tokens.Text(open - 2) != "return";
        std::size_t start = i;
        while (start > 0 && !tokens.Is(start - 1, ';') && !tokens.Is(start - 1, '{') && !tokens.Is(start - 1, '}'))
            --start;
        if (arraySize || tokens.Text(start) == "case")
            continue;
        const bool compound = tokens.Is(i + 1, '=') && tokens.Token(i).end == tokens.Token(i + 1).begin;
        const std::size_t from = compound ? i + 2 : i + 1;
        const std::size_t end = compound ? scanner.AssignmentEnd(from) : scanner.UnaryEnd(from);
        if (end <= from)
            continue;
        edits.push_back({tokens.Offset(from), true});
        edits.push_back({tokens.Token(end - 1).end, false});
    }
    if (edits.empty())
        return std::string(text);
    // A call's ')' at the offset where another opens comes first.
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.offset != b.offset ? a.offset < b.offset : (!a.open && b.open);
    });
    std::string out;
    out.reserve(text.size() + edits.size() * kKeep.size());
    int line = 1;
    std::size_t lineStart = 0; // in `out`
    std::size_t copied = 0;
    const auto copy = [&](std::size_t to) {
        for (; copied < to; ++copied) {
            out += text[copied];
            if (text[copied] == '\n') {
                ++line;
                lineStart = out.size();
            }
        }
    };
    for (const Edit& edit : edits) {
        copy(edit.offset);
        const std::string_view inserted = edit.open ? kKeep : std::string_view(")");
        insertions.push_back({line, static_cast<int>(out.size() - lineStart) + 1, static_cast<int>(inserted.size())});
        out += inserted;
    }
    copy(text.size());
    return out;
}

std::string RemainderHelpers()
{
    std::string text;
    for (const char* type : {"float", "int", "uint"}) {
        const std::string base = type;
        for (const char* size : {"", "2", "3", "4"})
            text += base + size + " fxdemo_keep(" + base + size + " x) { return x; }\n";
        for (int rows = 2; rows <= 4; ++rows)
            for (int columns = 2; columns <= 4; ++columns) {
                const std::string m = base + std::to_string(rows) + "x" + std::to_string(columns);
                text += m + " fxdemo_keep(" + m + " x) { return x; }\n";
            }
    }
    return text;
}

} // namespace hlsl
