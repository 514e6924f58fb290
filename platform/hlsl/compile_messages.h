#pragma once

// Compiler errors in the user's terms: the file as the user named it, a
// 1-based line and column, and a message; never the generated code.

#include "platform/hlsl/shader_container.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

struct SourcePosition {
    std::string file;
    int line = 1;
    int column = 1;
};

struct Diagnostic {
    SourcePosition position;
    std::string message;
};

Diagnostic MakeDiagnostic(const SourcePosition& position, std::string message);

// The one way an error travels: a pass that refuses the source throws a
// Refusal with its diagnostics (glslang's parse may give several, every
// other pass one), and CompileHlsl returns them. The order of the passes in
// CompileHlsl is therefore the order in which errors are found.
struct Refusal {
    std::vector<Diagnostic> diagnostics;
};

[[noreturn]] void Refuse(const SourcePosition& at, std::string message);

// 'name', as names appear in messages.
std::string Quoted(std::string_view name);

// "vertex", "geometry" or "pixel".
const char* StageName(ShaderStage stage);

// "file(line,col): error: message\n" for each diagnostic, in order.
std::string FormatDiagnostics(const std::vector<Diagnostic>& diagnostics);

// Source order: files in the order they first appear, then line and column.
void SortBySourcePosition(std::vector<Diagnostic>& diagnostics);

// The text of a file by the name the compiler reports for it, or null.
using SourceLookup = std::function<const std::string*(std::string_view file)>;

// The 1-based line of text, without its line break; empty past the end.
std::string_view SourceLine(std::string_view text, int line);

// The column of the first whole-word occurrence of word in the line, or 0.
int FindWordColumn(std::string_view line, std::string_view word);

// The column of the last whole-word occurrence that starts at or before
// column `limit`, or 0.
int LastWordColumnBefore(std::string_view line, std::string_view word, int limit);

} // namespace hlsl
