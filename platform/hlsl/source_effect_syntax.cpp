// Blanks the effect framework's syntax out of the text (LowerEffectSyntax).

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace hlsl {

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// Annotations are short; the search for one's end gives up after this many
// tokens.
constexpr std::size_t kMaxAnnotationTokens = 4096;

std::string LowerCase(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

template <std::size_t N>
bool OneOf(const std::string& word, const std::array<std::string_view, N>& words)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Effect keywords compare without regard to case, as the effect compiler's do.
constexpr std::array<std::string_view, 4> kBlocks = {"technique", "technique10", "technique11", "fxgroup"};
constexpr std::array<std::string_view, 9> kWholeDeclarations = {
    "depthstencilstate", "blendstate",  "rasterizerstate", "vertexshader", "pixelshader",
    "geometryshader",    "computeshader", "hullshader",    "domainshader"};
// HLSL's own sampler types, spelt as HLSL spells them.
constexpr std::array<std::string_view, 7> kSamplers = {"SamplerState", "SamplerComparisonState", "sampler",
                                                       "sampler1D",    "sampler2D",              "sampler3D",
                                                       "samplerCUBE"};
constexpr std::array<std::string_view, 12> kModifiers = {"static", "const",  "uniform", "extern",
                                                         "shared", "volatile", "precise", "groupshared",
                                                         "row_major", "column_major", "snorm", "unorm"};

class EffectStripper : TokenView {
public:
    explicit EffectStripper(std::string_view text) : TokenView(text), out_(text) {}

    std::string Run()
    {
        // One entry per open brace: whether declarations follow inside it
        // (file scope, cbuffer, tbuffer, namespace) rather than code or
        // structure members.
        std::vector<bool> scopes;
        std::size_t i = 0;
        while (i < Size()) {
            if (Is(i, '}')) {
                if (!scopes.empty())
                    scopes.pop_back();
                ++i;
            } else if (!std::all_of(scopes.begin(), scopes.end(), [](bool d) { return d; })) {
                if (Is(i, '{'))
                    scopes.push_back(false);
                ++i;
            } else if (Is(i, ';')) {
                ++i;
            } else {
                i = Declaration(i, scopes);
            }
        }
        return std::move(out_);
    }

private:
    void Blank(std::size_t first, std::size_t last)
    {
        for (std::size_t i = first; i <= last && i < Size(); ++i)
            std::fill(out_.begin() + static_cast<std::ptrdiff_t>(Token(i).begin),
                      out_.begin() + static_cast<std::ptrdiff_t>(Token(i).end), ' ');
    }

    // The bracket that closes the one at `open`, counting all three kinds.
    std::size_t Closing(std::size_t open) const
    {
        int depth = 0;
        for (std::size_t i = open; i < Size(); ++i) {
            if (Is(i, '{') || Is(i, '(') || Is(i, '['))
                ++depth;
            else if ((Is(i, '}') || Is(i, ')') || Is(i, ']')) && --depth == 0)
                return i;
        }
        return kNone;
    }

    // The last token of a declaration that starts at `first`: its ';', or the
    // '}' of a state block that has none after it.
    std::size_t DeclarationEnd(std::size_t first) const
    {
        for (std::size_t i = first; i < Size(); ++i) {
            if (Is(i, ';'))
                return i;
            if (Is(i, '}'))
                return kNone; // the enclosing scope ends first
            if (Is(i, '{') || Is(i, '(') || Is(i, '[')) {
                const std::size_t close = Closing(i);
                if (close == kNone)
                    return kNone;
                if (Is(i, '{') && !Is(close + 1, ';') && !Is(close + 1, ',') && !Is(close + 1, '}'))
                    return close;
                i = close;
            }
        }
        return kNone;
    }

    // An annotation opens at `open`: "<", then "type name = value;" items,
    // then ">". Returns its '>', or kNone where this is something else, such
    // as a template argument or a comparison.
    std::size_t AnnotationEnd(std::size_t open) const
    {
        std::size_t i = open + 1;
        const std::size_t limit = std::min(Size(), open + kMaxAnnotationTokens);
        while (i < limit) {
            if (Is(i, '>'))
                return i;
            if (!IsIdentifier(i) || !IsIdentifier(i + 1))
                return kNone;
            i += 2;
            if (Is(i, '[')) {
                i = Closing(i);
                if (i == kNone)
                    return kNone;
                ++i;
            }
            if (!Is(i, '='))
                return kNone;
            int depth = 0;
            // A value holds no '<' or '>' of its own, so no search runs past
            // the next one, and text full of them is scanned in linear time.
            for (++i; i < limit && !(depth == 0 && Is(i, ';')); ++i) {
                if (depth == 0 && (Is(i, '<') || Is(i, '>')))
                    return kNone;
                if (Is(i, '{') || Is(i, '('))
                    ++depth;
                else if ((Is(i, '}') || Is(i, ')')) && --depth < 0)
                    return kNone;
            }
            ++i;
        }
        return kNone;
    }

    // Blanks an annotation at `open` if there is one; returns where to go on.
    std::size_t SkipAnnotation(std::size_t open)
    {
        const std::size_t previous = open - 1;
        if (!IsIdentifier(previous) && !Is(previous, ')') && !Is(previous, ']'))
            return open;
        const std::size_t end = AnnotationEnd(open);
        if (end == kNone)
            return open;
        Blank(open, end);
        return end;
    }

    // One declaration or definition at file or cbuffer scope; returns the
    // index of the token after it.
    std::size_t Declaration(std::size_t first, std::vector<bool>& scopes)
    {
        std::size_t type = first;
        while (IsIdentifier(type) && OneOf(LowerCase(Text(type)), kModifiers))
            ++type;
        const std::string keyword = IsIdentifier(type) ? LowerCase(Text(type)) : std::string();

        if (type == first && OneOf(keyword, kBlocks)) {
            std::size_t open = first + 1;
            while (open < Size() && !Is(open, '{') && !Is(open, ';') && !Is(open, '}'))
                open = Is(open, '<') && AnnotationEnd(open) != kNone ? AnnotationEnd(open) + 1 : open + 1;
            const std::size_t close = Is(open, '{') ? Closing(open) : kNone;
            if (close != kNone) {
                const std::size_t last = Is(close + 1, ';') ? close + 1 : close;
                Blank(first, last);
                return last + 1;
            }
        }
        if (OneOf(keyword, kWholeDeclarations)) {
            const std::size_t last = DeclarationEnd(type + 1);
            if (last != kNone) {
                Blank(first, last);
                return last + 1;
            }
        }

        // Anything else: a variable, function, structure or cbuffer. Only
        // annotations and sampler state blocks are blanked in it.
        // A sampler declaration, not a function that returns one.
        const bool sampler = IsIdentifier(type) && OneOf(std::string(Text(type)), kSamplers) && !Is(type + 2, '(');
        bool opensDeclarations = false;
        bool initializer = false;
        int depth = 0;
        std::size_t i = first;
        for (; i < Size(); ++i) {
            if (Is(i, '(') || Is(i, '[')) {
                ++depth;
            } else if (Is(i, ')') || Is(i, ']')) {
                depth = std::max(depth - 1, 0);
            } else if (Is(i, '}')) {
                if (depth == 0)
                    return i; // the enclosing scope ends
                --depth;
            } else if (depth > 0) {
                continue;
            } else if (Is(i, ';')) {
                return i + 1;
            } else if (sampler && (Is(i, '{') || (Is(i, '=') && Text(i + 1) == "sampler_state" && Is(i + 2, '{')))) {
                const std::size_t close = Closing(Is(i, '{') ? i : i + 2);
                if (close == kNone)
                    break;
                Blank(i, close);
                i = close;
            } else if (Is(i, '{')) {
                if (!initializer)
                    break;
                ++depth;
            } else if (Is(i, '=')) {
                initializer = true;
            } else if (Is(i, '<') && i > type + 1) {
                i = SkipAnnotation(i);
            } else if (IsIdentifier(i)) {
                const std::string word = LowerCase(Text(i));
                opensDeclarations = opensDeclarations || word == "cbuffer" || word == "tbuffer" || word == "namespace";
            }
        }
        if (Is(i, '{')) {
            scopes.push_back(opensDeclarations);
            return i + 1;
        }
        return i;
    }

    std::string out_;
};

} // namespace

std::string LowerEffectSyntax(std::string_view text)
{
    return EffectStripper(text).Run();
}

} // namespace hlsl
