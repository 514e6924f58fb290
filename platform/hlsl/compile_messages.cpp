#include "platform/hlsl/compile_messages.h"

#include <algorithm>
#include <cctype>

namespace hlsl {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

Diagnostic MakeDiagnostic(const SourcePosition& position, std::string message)
{
    return Diagnostic{position, std::move(message)};
}

void Refuse(const SourcePosition& at, std::string message)
{
    throw Refusal{{MakeDiagnostic(at, std::move(message))}};
}

std::string Quoted(std::string_view name)
{
    std::string quoted;
    quoted.reserve(name.size() + 2);
    quoted += '\'';
    quoted += name;
    quoted += '\'';
    return quoted;
}

const char* StageName(ShaderStage stage)
{
    switch (stage) {
    case ShaderStage::Vertex:
        return "vertex";
    case ShaderStage::Geometry:
        return "geometry";
    case ShaderStage::Pixel:
        return "pixel";
    }
    return "";
}

std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics)
{
    std::string text;
    for (const Diagnostic& d : diagnostics) {
        text += d.position.file;
        text += '(';
        text += std::to_string(d.position.line);
        text += ',';
        text += std::to_string(d.position.column);
        text += "): error: ";
        text += d.message;
        text += '\n';
    }
    return text;
}

void SortBySourcePosition(std::vector<Diagnostic>& diagnostics)
{
    std::vector<std::string> files;
    for (const Diagnostic& d : diagnostics)
        if (std::find(files.begin(), files.end(), d.position.file) == files.end())
            files.push_back(d.position.file);
    const auto fileRank = [&](const std::string& file) {
        return std::find(files.begin(), files.end(), file) - files.begin();
    };
    std::stable_sort(diagnostics.begin(), diagnostics.end(), [&](const Diagnostic& a, const Diagnostic& b) {
        const auto ra = fileRank(a.position.file), rb = fileRank(b.position.file);
        if (ra != rb)
            return ra < rb;
        if (a.position.line != b.position.line)
            return a.position.line < b.position.line;
        return a.position.column < b.position.column;
    });
}

std::string_view SourceLine(std::string_view text, int line)
{
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) {
        const std::size_t next = text.find('\n', start);
        if (next == std::string_view::npos)
            return {};
        start = next + 1;
    }
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos)
        end = text.size();
    if (end > start && text[end - 1] == '\r')
        --end;
    return text.substr(start, end - start);
}

int FindWordColumn(std::string_view line, std::string_view word)
{
    if (word.empty())
        return 0;
    for (std::size_t at = line.find(word); at != std::string_view::npos; at = line.find(word, at + 1)) {
        const bool startsWord = at == 0 || !IsWordChar(line[at - 1]);
        const std::size_t end = at + word.size();
        const bool endsWord = end == line.size() || !IsWordChar(line[end]);
        if (startsWord && endsWord)
            return static_cast<int>(at) + 1;
    }
    return 0;
}

int LastWordColumnBefore(std::string_view line, std::string_view word, int limit)
{
    int found = 0;
    for (int column = FindWordColumn(line, word); column > 0 && column <= limit;) {
        found = column;
        const std::size_t next = static_cast<std::size_t>(column);
        const int further = FindWordColumn(line.substr(next), word);
        column = further > 0 ? column + further : 0;
    }
    return found;
}

} // namespace hlsl
