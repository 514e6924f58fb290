#pragma once

// Reading an effect file or one it includes, and the checks that keep
// hostile text away from the compiler.

#include "platform/hlsl/compile_messages.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace hlsl {

constexpr std::size_t kMaxSourceBytes = 16u << 20;

enum class SourceError { None, NotFound, Unusable };

struct SourceFile {
    SourceError error = SourceError::None;
    std::string text;   // the file's bytes, less a leading UTF-8 byte order mark
    std::string reason; // why the file cannot be used
    int line = 1;       // where, when the reason is in the text
    int column = 1;
};

// Reads a regular file of at most kMaxSourceBytes that is text: not empty and
// without control characters other than white space. Never blocks on a pipe
// or device.
SourceFile ReadSourceFile(const std::string& path);

// Windows finds a file whatever the case of its name and of the folders on
// its path. Where the exact path does not exist, each part of it that does
// not is looked up in its folder without regard to case; where several
// names match, the first in byte order is taken. Returns the path found, or
// the path as given where nothing matches.
std::string ResolveNameCase(const std::string& path);

// Limits far above what any shader needs that keep the compiler, which
// recurses on nesting and on long expressions, from exhausting its stack or
// spending minutes: bracket nesting, tokens in one statement, and if
// statements in one file.
constexpr int kMaxNesting = 256;
constexpr int kMaxStatementTokens = 8192;
constexpr int kMaxIfStatements = 2048;

std::optional<Diagnostic> CheckSourceLimits(std::string_view text, const std::string& file);

} // namespace hlsl
