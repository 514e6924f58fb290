#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <cctype>

namespace hlsl {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

std::vector<SourceToken> ScanTokens(std::string_view text)
{
    std::vector<SourceToken> tokens;
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
            // A directive, continuation lines included, stays out of the scan.
            while (i < text.size() && text[i] != '\n') {
                if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
                else if (text[i] == '\\' && i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n')
                    i += 2;
                ++i;
            }
        } else {
            lineHasToken = true;
            SourceToken token;
            token.begin = i;
            if (std::isdigit(static_cast<unsigned char>(c))
                || (c == '.' && std::isdigit(static_cast<unsigned char>(next)))) {
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
            tokens.push_back(token);
        }
    }
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

} // namespace hlsl
