#pragma once

// HLSL that glslang's HLSL front end cannot take, told to the user in words
// of its own at the construct's line and column rather than as whatever
// glslang makes of it (or a crash).

#include "platform/hlsl/compile_messages.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

// Constructs refused before glslang reads the text, because glslang crashes
// on them, fails on them in words of its own, or compiles them to something
// else: interface declarations, class inheritance, a static variable inside
// a cbuffer.
// Returns the first in the text.
std::optional<Diagnostic> FindUnsupportedSyntax(std::string_view text, const std::string& file);

// Constructs that glslang takes in some forms and not others: a cast to an
// array type works from an array but not from a vector or scalar. Each
// error glslang reports inside such a construct is replaced by one that
// names it.
void ExplainUnsupportedSyntax(std::vector<Diagnostic>& errors, const SourceLookup& lookup);

} // namespace hlsl
