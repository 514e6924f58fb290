// The classes, structures and interfaces that one file of a compile sees
// declared in the others: the files are read from the main one in the order
// the preprocessor reads them, each #include in place.

#include "platform/hlsl/source_classes.h"

#include <optional>
#include <set>

namespace hlsl::classes {

namespace {

class ScopeReader {
public:
    ScopeReader(const std::string& root, const std::string& target) : target_(target), seen_{root} {}

    // `at`: inside the target, the offset there from which this file's
    // declarations are seen.
    void Read(const std::string& file, std::string_view text, std::size_t depth, std::optional<std::size_t> at)
    {
        const bool target = file == target_;
        // The file's #include directives and its declarations at file
        // scope, in the order of the text.
        std::vector<std::pair<std::size_t, std::string>> includes;
        ForEachToken(text, TokenSource::Directives, [&](const SourceToken& directive) {
            std::string name = IncludedName(text.substr(directive.begin, directive.end - directive.begin));
            if (!name.empty())
                includes.emplace_back(directive.begin, std::move(name));
            return true;
        });
        const TokenView tokens(text);
        std::size_t next = 0; // the next #include
        int depthOfBraces = 0;
        for (std::size_t i = 0; i <= tokens.Size() && !done_; ++i) {
            const std::size_t offset = i < tokens.Size() ? tokens.Offset(i) : text.size();
            for (; next < includes.size() && includes[next].first < offset && !done_; ++next)
                Include(file, includes[next].second, depth, target ? std::optional(includes[next].first) : at);
            if (i == tokens.Size() || done_)
                break;
            if (tokens.Is(i, '{'))
                ++depthOfBraces;
            else if (tokens.Is(i, '}'))
                --depthOfBraces;
            const std::string_view word = tokens.Text(i);
            if (depthOfBraces != 0 || (word != "class" && word != "struct" && word != "interface")
                || !tokens.IsIdentifier(i + 1) || (i > 0 && tokens.Is(i - 1, '.')))
                continue;
            std::size_t open = i + 2;
            if (tokens.Is(open, ':'))
                for (++open; tokens.IsIdentifier(open); open += tokens.Is(open + 1, ',') ? 2 : 1) {
                }
            if (!tokens.Is(open, '{'))
                continue;
            const std::size_t after = AfterMatching(tokens, open);
            if (after > tokens.Size() || !tokens.Is(after - 1, '}'))
                continue;
            if (!target) {
                const std::size_t end = tokens.Token(after - 1).end;
                found_.push_back({std::string(text.substr(tokens.Offset(i), end - tokens.Offset(i))), file,
                                  tokens.Position(i).line, at.value_or(0)});
            }
            i = after - 1;
        }
        if (target)
            done_ = true;
    }

    std::vector<ExternalDeclaration> Found() { return done_ ? std::move(found_) : std::vector<ExternalDeclaration>{}; }

private:
    void Include(const std::string& includer, const std::string& name, std::size_t depth,
                 std::optional<std::size_t> at)
    {
        if (depth + 1 > kMaxIncludeDepth)
            return;
        const std::string path = IncludePath(includer, name);
        // Each file once, as an include guard or #pragma once would have it.
        if (!seen_.insert(path).second)
            return;
        const SourceFile included = ReadSourceFile(path);
        if (included.error == SourceError::None)
            Read(path, included.text, depth + 1, at);
    }

    const std::string& target_;
    std::set<std::string> seen_;
    std::vector<ExternalDeclaration> found_;
    bool done_ = false;
};

} // namespace

std::vector<ExternalDeclaration> ReadExternalDeclarations(const IncludeRoot& root, const std::string& file)
{
    ScopeReader reader(root.file, file);
    reader.Read(root.file, root.text, 0, std::nullopt);
    return reader.Found();
}

} // namespace hlsl::classes
