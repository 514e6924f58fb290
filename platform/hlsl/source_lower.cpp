// Rewrites of the text that keep HLSL's meaning where glslang would read the
// construct differently or not at all. Each keeps line breaks where they
// were, so positions in the rest of the file do not move.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>

namespace hlsl {

namespace {

// The text with every line break in it replaced by a space.
std::string OnOneLine(std::string_view text)
{
    std::string line(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

} // namespace

std::string LowerBufferStatics(std::string_view text)
{
    const TokenView tokens(text);
    struct Move {
        std::size_t begin, end; // the declaration, to blank
        std::size_t to;         // where it goes: before or after its buffer's declaration
    };
    std::vector<Move> moves;
    std::size_t bufferKeyword = 0;
    std::size_t bufferOpen = 0;      // the token after the buffer's '{'
    std::vector<std::size_t> after;  // moves that go after the buffer being read
    bool bufferPending = false;
    int bufferDepth = -1; // the depth inside the buffer being read; -1 outside
    int depth = 0;
    for (std::size_t i = 0; i < tokens.Size(); ++i) {
        const std::string_view word = tokens.IsIdentifier(i) ? tokens.Text(i) : std::string_view{};
        if (tokens.Is(i, '{')) {
            ++depth;
            if (bufferPending) {
                bufferDepth = depth;
                bufferOpen = i + 1;
            }
            bufferPending = false;
        } else if (tokens.Is(i, '}')) {
            if (depth == bufferDepth) {
                bufferDepth = -1;
                const std::size_t close = tokens.Is(i + 1, ';') ? tokens.Token(i + 1).end : tokens.Token(i).end;
                for (std::size_t m : after)
                    moves[m].to = close;
                after.clear();
            }
            --depth;
        } else if (tokens.Is(i, ';')) {
            bufferPending = false;
        } else if ((word == "cbuffer" || word == "tbuffer") && bufferDepth < 0) {
            bufferPending = true;
            bufferKeyword = tokens.Offset(i);
        } else if (word == "static" && depth == bufferDepth) {
            // The declaration runs to its ';', past any braces of an
            // initializer list.
            std::size_t end = i + 1;
            for (int nesting = 0; end < tokens.Size() && (nesting > 0 || !tokens.Is(end, ';')); ++end)
                nesting += tokens.Is(end, '{') ? 1 : tokens.Is(end, '}') ? -1 : 0;
            if (end >= tokens.Size())
                break;
            // One whose initializer reads a member of the buffer goes after
            // it, the others before it (a static const may size a member).
            bool readsMember = false;
            for (std::size_t k = i + 1; k < end && !readsMember; ++k)
                for (std::size_t b = bufferOpen; b < i && tokens.IsIdentifier(k) && !readsMember; ++b)
                    readsMember = tokens.Text(b) == tokens.Text(k) && tokens.IsIdentifier(b + 1) == false
                                  && (tokens.Is(b + 1, ';') || tokens.Is(b + 1, '[') || tokens.Is(b + 1, ':'));
            if (readsMember)
                after.push_back(moves.size());
            moves.push_back({tokens.Offset(i), tokens.Token(end).end, bufferKeyword});
            i = end;
        }
    }
    if (moves.empty())
        return std::string(text);
    std::stable_sort(moves.begin(), moves.end(), [](const Move& x, const Move& y) { return x.to < y.to; });
    // Each declaration goes, on one line, before its buffer; its old place
    // becomes spaces.
    std::string lowered;
    std::size_t at = 0;
    for (std::size_t m = 0; m < moves.size();) {
        const std::size_t to = moves[m].to;
        lowered.append(text.substr(at, to - at));
        for (; m < moves.size() && moves[m].to == to; ++m)
            lowered += OnOneLine(text.substr(moves[m].begin, moves[m].end - moves[m].begin)) + " ";
        at = to;
    }
    lowered.append(text.substr(at));
    // Blank the originals, which moved by what was inserted before them.
    for (std::size_t n = 0; n < moves.size(); ++n) {
        std::size_t shift = 0;
        for (const Move& inserted : moves)
            if (inserted.to <= moves[n].begin)
                shift += inserted.end - inserted.begin + 1;
        for (std::size_t c = moves[n].begin; c < moves[n].end; ++c)
            if (lowered[c + shift] != '\n' && lowered[c + shift] != '\r')
                lowered[c + shift] = ' ';
    }
    return lowered;
}

} // namespace hlsl
