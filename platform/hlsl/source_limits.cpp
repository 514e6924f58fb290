// The limits every file is held to before anything else reads it.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <optional>

namespace hlsl {

void CheckSourceLimits(std::string_view text, const std::string& file)
{
    int depth = 0;
    int statementTokens = 0;
    int ifStatements = 0;
    std::optional<std::pair<std::size_t, std::string>> broken; // where, and which limit
    ForEachToken(text, TokenSource::Code, [&](const SourceToken& token) {
        const std::string_view word = text.substr(token.begin, token.end - token.begin);
        const char c = text[token.begin];
        if (token.kind == TokenKind::Identifier && word == "if" && ++ifStatements > kMaxIfStatements)
            broken.emplace(token.begin, "the source has more than " + std::to_string(kMaxIfStatements)
                                            + " if statements; this compiler's limit");
        else if (token.kind == TokenKind::Punctuation && (c == '(' || c == '[' || c == '{') && ++depth > kMaxNesting)
            broken.emplace(token.begin, "brackets are nested more than " + std::to_string(kMaxNesting)
                                            + " deep; this compiler's limit");
        else if (token.kind == TokenKind::Punctuation && (c == ')' || c == ']' || c == '}') && depth > 0)
            --depth;
        if (broken)
            return false;
        if (token.kind == TokenKind::Punctuation && (c == ';' || c == '{' || c == '}'))
            statementTokens = 0;
        else if (++statementTokens > kMaxStatementTokens)
            broken.emplace(token.begin, "a statement has more than " + std::to_string(kMaxStatementTokens)
                                            + " tokens; this compiler's limit");
        return !broken;
    });
    if (!broken)
        return;
    // The place is worked out only for the token that broke a limit: the
    // text may be 16 MiB of line breaks.
    const std::size_t at = broken->first;
    const std::string_view before = text.substr(0, at);
    const auto line = 1 + std::count(before.begin(), before.end(), '\n');
    const std::size_t lineStart = before.rfind('\n') == std::string_view::npos ? 0 : before.rfind('\n') + 1;
    Refuse({file, static_cast<int>(line), static_cast<int>(at - lineStart) + 1}, std::move(broken->second));
}

} // namespace hlsl
