#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <cctype>

namespace hlsl {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// One token starting at text[i], which is not white space.
SourceToken LexToken(std::string_view text, std::size_t i)
{
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    SourceToken token;
    token.begin = i;
    if (std::isdigit(static_cast<unsigned char>(c)) || (c == '.' && std::isdigit(static_cast<unsigned char>(next)))) {
        token.kind = TokenKind::Number;
        while (i < text.size() && (IsWordChar(text[i]) || text[i] == '.'))
            ++i;
    } else if (IsWordChar(c)) {
        token.kind = TokenKind::Identifier;
        while (i < text.size() && IsWordChar(text[i]))
            ++i;
    } else if (c == '"') {
        token.kind = TokenKind::String;
        ++i;
        while (i < text.size() && text[i] != '"' && text[i] != '\n')
            i += text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n' ? 2 : 1;
        if (i < text.size() && text[i] == '"')
            ++i;
    } else {
        ++i;
    }
    token.end = i;
    return token;
}

// The end of the directive line that starts at `start` (its '\n', or the
// text's end), continuation lines included.
std::size_t DirectiveEnd(std::string_view text, std::size_t start)
{
    std::size_t i = start;
    while (i < text.size() && text[i] != '\n') {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        else if (text[i] == '\\' && i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n')
            i += 2;
        ++i;
    }
    return i;
}

// "#  if 0" -> name "if", argument "0" (trimmed).
struct Directive {
    std::string_view name;
    std::string_view argument;
    std::size_t argumentBegin = 0;
};

Directive ReadDirective(std::string_view text, std::size_t hash, std::size_t end)
{
    std::size_t i = hash + 1;
    while (i < end && IsBlank(text[i]))
        ++i;
    const std::size_t nameBegin = i;
    while (i < end && IsWordChar(text[i]))
        ++i;
    Directive directive;
    directive.name = text.substr(nameBegin, i - nameBegin);
    while (i < end && IsBlank(text[i]))
        ++i;
    directive.argumentBegin = i;
    std::size_t argumentEnd = end;
    while (argumentEnd > i && IsBlank(text[argumentEnd - 1]))
        --argumentEnd;
    directive.argument = text.substr(i, argumentEnd - i);
    return directive;
}

// After "#if 0": the position after the #else, #elif or #endif that ends
// the group, or the text's end.
std::size_t SkipFalseGroup(std::string_view text, std::size_t from)
{
    int depth = 0;
    for (std::size_t line = from; line < text.size();) {
        std::size_t i = line;
        while (i < text.size() && IsBlank(text[i]))
            ++i;
        const std::size_t end = DirectiveEnd(text, i);
        if (i < text.size() && text[i] == '#') {
            const std::string_view name = ReadDirective(text, i, end).name;
            if (name == "if" || name == "ifdef" || name == "ifndef")
                ++depth;
            else if (name == "endif" && depth > 0)
                --depth;
            else if (name == "endif" || ((name == "else" || name == "elif") && depth == 0))
                return end;
        }
        line = end + 1;
    }
    return text.size();
}

} // namespace

void ForEachToken(std::string_view text, TokenSource source, const std::function<bool(const SourceToken&)>& visit)
{
    bool lineHasToken = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\n') {
            lineHasToken = false;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && next == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
        } else if (c == '/' && next == '*') {
            const std::size_t close = text.find("*/", i + 2);
            i = close == std::string_view::npos ? text.size() : close + 2;
        } else if (c == '#' && !lineHasToken) {
            // A directive stays out of the code's tokens; a group under
            // "#if 0" is left out altogether.
            const std::size_t end = DirectiveEnd(text, i);
            const Directive directive = ReadDirective(text, i, end);
            if (source == TokenSource::Directives && !visit(SourceToken{TokenKind::Directive, i, end}))
                return;
            if (source == TokenSource::MacroBodies && directive.name == "define") {
                for (std::size_t at = directive.argumentBegin; at < end;) {
                    if (std::isspace(static_cast<unsigned char>(text[at])) || text[at] == '\\') {
                        ++at;
                        continue;
                    }
                    if (text.substr(at, 2) == "//")
                        break;
                    if (text.substr(at, 2) == "/*") {
                        const std::size_t close = text.find("*/", at + 2);
                        at = close == std::string_view::npos ? end : close + 2;
                        continue;
                    }
                    const SourceToken token = LexToken(text.substr(0, end), at);
                    if (!visit(token))
                        return;
                    at = token.end;
                }
            }
            i = directive.name == "if" && directive.argument == "0" ? SkipFalseGroup(text, end + 1) : end;
        } else {
            lineHasToken = true;
            const SourceToken token = LexToken(text, i);
            if (source == TokenSource::Code && !visit(token))
                return;
            i = token.end;
        }
    }
}

std::vector<SourceToken> ScanTokens(std::string_view text, TokenSource source)
{
    std::vector<SourceToken> tokens;
    ForEachToken(text, source, [&tokens](const SourceToken& token) {
        tokens.push_back(token);
        return true;
    });
    return tokens;
}

LineIndex::LineIndex(std::string_view text)
{
    lineStarts_.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            lineStarts_.push_back(i + 1);
}

TextPosition LineIndex::At(std::size_t offset) const
{
    const auto after = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
    const std::size_t line = static_cast<std::size_t>(after - lineStarts_.begin());
    return {static_cast<int>(line), static_cast<int>(offset - lineStarts_[line - 1]) + 1};
}

std::vector<bool> InFunctionBodies(const TokenView& tokens)
{
    std::vector<bool> inside(tokens.Size(), false);
    int depth = 0;
    bool function = false;
    std::size_t statement = 0; // the first token of the file-scope declaration being read
    for (std::size_t i = 0; i < tokens.Size(); ++i) {
        if (tokens.Is(i, '{')) {
            if (depth++ == 0) {
                bool parameters = false;
                for (std::size_t k = statement; k < i && !parameters; ++k)
                    parameters = tokens.Is(k, '(');
                const std::string_view first = tokens.Text(statement);
                function = parameters && !tokens.Is(i - 1, '=') && first != "cbuffer" && first != "tbuffer"
                           && first != "struct" && first != "class" && first != "interface";
                continue;
            }
        } else if (tokens.Is(i, '}') && --depth <= 0) {
            depth = 0;
            function = false;
            statement = i + 1;
            continue;
        } else if (tokens.Is(i, ';') && depth == 0) {
            statement = i + 1;
        }
        inside[i] = function && depth > 0;
    }
    return inside;
}

} // namespace hlsl
