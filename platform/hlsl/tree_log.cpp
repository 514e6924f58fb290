// glslang's info log, read into diagnostics in the user's terms.

#include "platform/hlsl/tree.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace hlsl {

namespace {

bool IsWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<int> ParseNumber(std::string_view text)
{
    if (!AllDigits(text) || text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    return text;
}

// "ERROR: main.fx:12: 'x' : unknown variable"
struct LoggedError {
    std::string file;
    int line = 0; // 0: no place given
    std::string message;
};

// "main.fx(12): error at column 7, HLSL parsing failed."
struct ParseStop {
    std::string file;
    int line = 0;
    int column = 0;
};

std::optional<LoggedError> ParseErrorLine(std::string_view text)
{
    constexpr std::string_view kError = "ERROR: ";
    constexpr std::string_view kInternal = "INTERNAL ERROR: ";
    if (text.starts_with(kInternal))
        text.remove_prefix(kInternal.size());
    else if (text.starts_with(kError))
        text.remove_prefix(kError.size());
    else
        return std::nullopt;

    // The tally glslang appends: "ERROR: 2 compilation errors.  No code generated."
    const std::size_t space = text.find(' ');
    if (space != std::string_view::npos && AllDigits(text.substr(0, space))
        && text.substr(space).starts_with(" compilation error"))
        return std::nullopt;

    // The first ":<digits>: " separates the file name from the message.
    for (std::size_t colon = text.find(':'); colon != std::string_view::npos; colon = text.find(':', colon + 1)) {
        std::size_t end = colon + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end == colon + 1 || end + 1 >= text.size() || text[end] != ':' || text[end + 1] != ' ')
            continue;
        const std::optional<int> line = ParseNumber(text.substr(colon + 1, end - colon - 1));
        if (!line)
            continue;
        return LoggedError{std::string(text.substr(0, colon)), *line, std::string(Trim(text.substr(end + 2)))};
    }
    return LoggedError{{}, 0, std::string(Trim(text))};
}

std::optional<ParseStop> ParseStopLine(std::string_view text)
{
    constexpr std::string_view kMarker = "): error at column ";
    const std::size_t marker = text.find(kMarker);
    if (marker == std::string_view::npos)
        return std::nullopt;
    const std::size_t open = text.rfind('(', marker);
    if (open == std::string_view::npos)
        return std::nullopt;
    const std::optional<int> line = ParseNumber(text.substr(open + 1, marker - open - 1));
    std::string_view rest = text.substr(marker + kMarker.size());
    const std::size_t comma = rest.find(',');
    const std::optional<int> column = ParseNumber(rest.substr(0, comma));
    if (!line || !column)
        return std::nullopt;
    return ParseStop{std::string(text.substr(0, open)), *line, *column};
}

// The token an error quotes first: "'x' : unknown variable" -> "x".
std::string_view QuotedToken(std::string_view message)
{
    if (!message.starts_with('\''))
        return {};
    const std::size_t close = message.find('\'', 1);
    if (close == std::string_view::npos)
        return {};
    return message.substr(1, close - 1);
}

int TokenColumn(std::string_view line, std::string_view token)
{
    if (token.empty())
        return 0;
    if (std::all_of(token.begin(), token.end(), IsWordChar))
        return FindWordColumn(line, token);
    const std::size_t at = line.find(token);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

// glslang's stop column is the last character of the token it stopped on;
// step back to where an identifier or number begins.
int TokenStart(std::string_view line, int column)
{
    if (column < 1 || static_cast<std::size_t>(column) > line.size())
        return std::max(column, 1);
    std::size_t at = static_cast<std::size_t>(column) - 1;
    if (!IsWordChar(line[at]))
        return column;
    while (at > 0 && IsWordChar(line[at - 1]))
        --at;
    return static_cast<int>(at) + 1;
}

// The line of the text that a #line directive numbers `line`: glslang
// reports lines as directives number them, the text is read by its own.
int PhysicalLine(std::string_view text, int line)
{
    if (text.find("#line") == std::string_view::npos)
        return line;
    int logical = 1, found = line;
    std::size_t start = 0;
    for (int physical = 1; start <= text.size(); ++physical) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view content = Trim(text.substr(start, end - start));
        if (logical == line)
            found = physical;
        if (content.starts_with("#") && Trim(content.substr(1)).starts_with("line")) {
            std::string_view rest = Trim(Trim(content.substr(1)).substr(4));
            std::size_t digits = 0;
            while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
                ++digits;
            if (const std::optional<int> number = ParseNumber(rest.substr(0, digits)))
                logical = *number;
            else
                ++logical;
        } else {
            ++logical;
        }
        start = end + 1;
    }
    return found;
}

} // namespace

std::vector<Diagnostic> ReadGlslangLog(std::string_view log, const std::string& defaultFile,
                                       const SourceLookup& lookup)
{
    std::vector<LoggedError> errors;
    std::vector<ParseStop> stops;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        if (end == std::string_view::npos)
            end = log.size();
        const std::string_view text = log.substr(start, end - start);
        start = end + 1;
        if (std::optional<LoggedError> error = ParseErrorLine(text))
            errors.push_back(std::move(*error));
        else if (std::optional<ParseStop> stop = ParseStopLine(text))
            stops.push_back(std::move(*stop));
    }

    // glslang names a source it has no name for by its number ("0").
    const auto fileName = [&](const std::string& reported) {
        if (reported.empty() || (AllDigits(reported) && !lookup(reported)))
            return defaultFile;
        return reported;
    };

    std::vector<Diagnostic> diagnostics;
    bool sawErrorDirective = false;
    for (const LoggedError& error : errors) {
        // #error ends preprocessing, so glslang also misses the #endif after it.
        if (sawErrorDirective && error.message.ends_with(": missing #endif"))
            continue;
        sawErrorDirective = sawErrorDirective || error.message.starts_with("'#error'");
        SourcePosition position{fileName(error.file), std::max(error.line, 1), 1};
        const std::string* text = error.line > 0 ? lookup(position.file) : nullptr;
        const std::string_view line = text ? SourceLine(*text, PhysicalLine(*text, position.line)) : std::string_view{};
        const std::string_view token = QuotedToken(error.message);
        std::optional<int> stopColumn;
        for (const ParseStop& stop : stops)
            if (fileName(stop.file) == position.file && stop.line == position.line)
                stopColumn = stop.column;
        int column = 0;
        if (stopColumn) {
            // The quoted token may be what was expected rather than what was
            // found; trust it only where it appears before the stop.
            if (!token.empty() && std::all_of(token.begin(), token.end(), IsWordChar))
                column = LastWordColumnBefore(line, token, *stopColumn);
            if (column == 0)
                column = TokenStart(line, *stopColumn);
        } else {
            column = TokenColumn(line, token);
        }
        position.column = std::max(column, 1);
        diagnostics.push_back({position, error.message});
    }
    if (diagnostics.empty())
        for (const ParseStop& stop : stops) {
            SourcePosition position{fileName(stop.file), std::max(stop.line, 1), 1};
            const std::string* text = lookup(position.file);
            position.column = TokenStart(text ? SourceLine(*text, position.line) : std::string_view{}, stop.column);
            diagnostics.push_back({position, "syntax error"});
        }
    SortBySourcePosition(diagnostics);
    return diagnostics;
}

} // namespace hlsl
