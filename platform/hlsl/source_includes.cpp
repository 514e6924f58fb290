// The files a text includes, found as the compiler's #include finds them.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <filesystem>
#include <set>

namespace hlsl {

std::string IncludedName(std::string_view directive)
{
    const TokenView words(directive.substr(1)); // past the '#'
    if (words.Text(0) != "include" || words.Size() < 2)
        return {};
    std::string_view rest = directive.substr(1 + words.Offset(1));
    const char close = rest.front() == '"' ? '"' : rest.front() == '<' ? '>' : '\0';
    const std::size_t end = close ? rest.find(close, 1) : std::string_view::npos;
    return end == std::string_view::npos || end < 2 ? std::string() : std::string(rest.substr(1, end - 1));
}

namespace {

void AddIncludes(const std::string& file, std::string_view text, std::size_t depth, std::vector<std::string>& found,
                 std::set<std::string>& seen)
{
    if (depth >= kMaxIncludeDepth)
        return;
    ForEachToken(text, TokenSource::Directives, [&](const SourceToken& directive) {
        const std::string name = IncludedName(text.substr(directive.begin, directive.end - directive.begin));
        if (name.empty())
            return true;
        const std::string path = IncludePath(file, name);
        if (!seen.insert(path).second)
            return true;
        found.push_back(path);
        const SourceFile included = ReadSourceFile(path);
        if (included.error == SourceError::None)
            AddIncludes(path, included.text, depth + 1, found, seen);
        return true;
    });
}

} // namespace

std::string IncludePath(const std::string& includer, const std::string& name)
{
    const std::filesystem::path header(name);
    const std::filesystem::path from(includer);
    return ResolveNameCase(
        (header.is_absolute() ? header : from.parent_path() / header).lexically_normal().generic_string());
}

std::vector<std::string> ReadIncludedFiles(const std::string& file, std::string_view text)
{
    std::vector<std::string> found;
    std::set<std::string> seen{file};
    AddIncludes(file, text, 0, found, seen);
    return found;
}

} // namespace hlsl
