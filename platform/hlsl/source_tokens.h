#pragma once

// A light token scan of HLSL source for the passes that look at the text
// before glslang does: comments, white space and preprocessor lines are
// skipped, so what remains is the declarations and code as written.

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace hlsl {

enum class TokenKind { Identifier, Number, String, Punctuation, Directive };

struct SourceToken {
    TokenKind kind = TokenKind::Punctuation;
    std::size_t begin = 0; // byte offsets into the text
    std::size_t end = 0;
};

enum class TokenSource {
    Code,        // everything but directives and groups under "#if 0"
    MacroBodies, // only the text of #define directives
    Directives,  // each directive outside "#if 0" groups, whole, as one token
};

// Identifiers, numbers, string literals, and every other character as a
// token of its own ("<=" is '<' then '='). A token never spans a line break,
// except a directive with continuation lines.
std::vector<SourceToken> ScanTokens(std::string_view text, TokenSource source = TokenSource::Code);

// The same tokens, one at a time, without holding them all: `visit` returns
// false to stop the scan.
void ForEachToken(std::string_view text, TokenSource source, const std::function<bool(const SourceToken&)>& visit);

// Line and column (1-based) of a byte offset.
struct TextPosition {
    int line = 1;
    int column = 1;
};

class LineIndex {
public:
    explicit LineIndex(std::string_view text);
    TextPosition At(std::size_t offset) const;

private:
    std::vector<std::size_t> lineStarts_;
};

// The tokens of one text, with questions about them that are false (or
// empty) past the last one, so a pattern can look ahead without checking.
class TokenView {
public:
    explicit TokenView(std::string_view text, TokenSource source = TokenSource::Code)
        : text_(text), tokens_(ScanTokens(text, source)), lines_(text)
    {
    }

    std::size_t Size() const { return tokens_.size(); }
    const SourceToken& Token(std::size_t i) const { return tokens_[i]; }
    std::string_view Text(std::size_t i) const
    {
        return i < tokens_.size() ? text_.substr(tokens_[i].begin, tokens_[i].end - tokens_[i].begin)
                                  : std::string_view{};
    }
    bool Is(std::size_t i, char c) const
    {
        return i < tokens_.size() && tokens_[i].kind == TokenKind::Punctuation && text_[tokens_[i].begin] == c;
    }
    bool IsIdentifier(std::size_t i) const
    {
        return i < tokens_.size() && tokens_[i].kind == TokenKind::Identifier;
    }
    bool IsNumber(std::size_t i) const { return i < tokens_.size() && tokens_[i].kind == TokenKind::Number; }
    std::size_t Offset(std::size_t i) const { return tokens_[i].begin; }
    TextPosition Position(std::size_t i) const { return lines_.At(tokens_[i].begin); }
    TextPosition PositionOf(std::size_t offset) const { return lines_.At(offset); }

private:
    std::string_view text_;
    std::vector<SourceToken> tokens_;
    LineIndex lines_;
};

// For each token, whether it lies inside a function's body (its braces
// excluded): a block at file scope after a declaration with a parameter
// list, other than a buffer's, a structure's or an initializer list.
std::vector<bool> InFunctionBodies(const TokenView& tokens);

} // namespace hlsl
