#pragma once

// What the passes on glslang's tree share: the one conversion from
// glslang's source locations to the user's positions, and the ways to the
// entry point, its parameters and the globals.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/source.h"

#include <glslang/MachineIndependent/localintermediate.h>

#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

// glslang's location as a position: the main file where glslang names none,
// line and column at least 1.
SourcePosition PositionOf(const glslang::TSourceLoc& loc, const std::string& mainFile);

// glslang places a declaration after its name, or a function at its body:
// the name itself, on that line or up to `linesAbove` lines before it; the
// location itself where the name is not found.
SourcePosition PlaceName(const glslang::TSourceLoc& loc, std::string_view name, int linesAbove,
                         const SourceSet& sources);

// Lines between an entry point's name and the body glslang places it at.
constexpr int kSignatureLines = 16;

// The functions at the tree's top level, and the entry point's own
// definition: glslang wraps it in a generated function of the same name and
// renames the original "@name".
std::vector<glslang::TIntermAggregate*> Functions(const glslang::TIntermediate& intermediate);
const glslang::TIntermAggregate* FindEntryFunction(const glslang::TIntermediate& intermediate,
                                                   const std::string& entryPoint);

std::vector<const glslang::TIntermSymbol*> Parameters(const glslang::TIntermAggregate* function);

// The globals, pipeline inputs and outputs included, in declaration order.
std::vector<const glslang::TIntermSymbol*> Globals(const glslang::TIntermediate& intermediate);

} // namespace hlsl
