// SV_ClipDistance and SV_CullDistance in a geometry entry point's input,
// renamed before glslang's geometry front end reads them.

#include "platform/hlsl/source.h"

#include <cctype>
#include <set>
#include <tuple>

namespace hlsl {

namespace {

std::optional<std::size_t> Offset(const std::string& text, int line, int column)
{
    std::size_t at = 0;
    for (int l = 1; l < line; ++l) {
        at = text.find('\n', at);
        if (at == std::string::npos)
            return std::nullopt;
        ++at;
    }
    at += static_cast<std::size_t>(column - 1);
    return at < text.size() ? std::optional(at) : std::nullopt;
}

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The semantic after the declaration's name at `at`: past the name, array
// sizes and white space, then `:`. Its offset, or nothing where it is not
// written out as SV_ClipDistance or SV_CullDistance.
std::optional<std::size_t> SemanticAfter(const std::string& text, std::size_t at)
{
    while (at < text.size() && IsWordChar(text[at]))
        ++at;
    int depth = 0;
    while (at < text.size() && (depth > 0 || text[at] != ':')) {
        const char c = text[at];
        if (c == '[')
            ++depth;
        else if (c == ']')
            --depth;
        else if (depth == 0 && !std::isspace(static_cast<unsigned char>(c)))
            return std::nullopt;
        ++at;
    }
    ++at;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    for (const std::string_view name : {"SV_CLIPDISTANCE", "SV_CULLDISTANCE"}) {
        if (at + name.size() > text.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size(); ++i)
            same = same && std::toupper(static_cast<unsigned char>(text[at + i])) == name[i];
        if (same)
            return at;
    }
    return std::nullopt;
}

} // namespace

void LowerDistanceInputs(std::string& mainText, SourceSet& sources, const std::vector<SourcePosition>& positions)
{
    std::set<std::tuple<std::string, int, int>> done;
    for (const SourcePosition& position : positions) {
        // A structure reached twice is renamed once.
        if (!done.emplace(position.file, position.line, position.column).second)
            continue;
        const bool main = position.file == sources.MainFile();
        std::string* text = main ? &mainText : sources.MutableText(position.file);
        const std::optional<std::size_t> name = text ? Offset(*text, position.line, position.column) : std::nullopt;
        const std::optional<std::size_t> semantic = name ? SemanticAfter(*text, *name) : std::nullopt;
        if (!semantic)
            Refuse(position, "SV_ClipDistance and SV_CullDistance in a geometry shader's input are supported by this "
                             "compiler only where the semantic is written after the name, not made by a macro");
        const bool cull = std::toupper(static_cast<unsigned char>((*text)[*semantic + 3])) == 'C'
                          && std::toupper(static_cast<unsigned char>((*text)[*semantic + 4])) == 'U';
        const std::string_view renamed = cull ? kCullInputSemantic : kClipInputSemantic;
        text->replace(*semantic, renamed.size(), renamed);
        if (main)
            if (std::string* kept = sources.MutableText(position.file))
                if (kept->size() > *semantic + renamed.size())
                    kept->replace(*semantic, renamed.size(), renamed);
    }
}

} // namespace hlsl
