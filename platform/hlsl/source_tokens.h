#pragma once

// A light token scan of HLSL source for the passes that look at the text
// before glslang does: comments, white space and preprocessor lines are
// skipped, so what remains is the declarations and code as written.

#include <cstddef>
#include <string_view>
#include <vector>

namespace hlsl {

enum class TokenKind { Identifier, Number, String, Punctuation };

struct SourceToken {
    TokenKind kind = TokenKind::Punctuation;
    std::size_t begin = 0; // byte offsets into the text
    std::size_t end = 0;
};

enum class TokenSource {
    Code,        // everything but directives and groups under "#if 0"
    MacroBodies, // only the text of #define directives
};

// Identifiers, numbers, string literals, and every other character as a
// token of its own ("<=" is '<' then '='). A token never spans a line break.
std::vector<SourceToken> ScanTokens(std::string_view text, TokenSource source = TokenSource::Code);

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

} // namespace hlsl
