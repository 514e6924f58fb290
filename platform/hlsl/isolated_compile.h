#pragma once

// Compiling in a worker process. glslang crashes on some malformed source (a
// stray name after a semantic is enough) and can run without end on
// macro-generated input; the effect file is edited while the program runs,
// so a typo must give a compile error, never end or freeze the program.
//
// The worker is forked at the first compile and then serves every compile,
// keeping glslang's tables warm; a worker that crashes or overruns is killed
// and the next compile starts a new one. It ends when the program does (it
// reads the end of its request stream).

#include "platform/hlsl/compiler.h"

#include <chrono>
#include <cstddef>

namespace hlsl {

constexpr std::chrono::milliseconds kCompileTimeLimit{10000};
// Resident memory one compile may add to what the worker held before it:
// several times what the largest effect file allowed needs, far less than a
// machine has.
constexpr std::size_t kCompileMemoryLimit = std::size_t{384} << 20;

// A compile's outcome as the worker sends it: the container's bytes, checked
// once here and handed on as they are, or the errors.
struct IsolatedResult {
    std::vector<std::uint8_t> code; // SerializeContainer's bytes; empty on failure
    std::vector<Diagnostic> errors;
};

// CompileHlsl in the worker, stopped after timeLimit or above
// kCompileMemoryLimit. A crash or an overrun gives an error at line 1 of the
// file. Where no worker can be started, compiles in this process.
IsolatedResult CompileHlslIsolated(const CompileRequest& request,
                                  std::chrono::milliseconds timeLimit = kCompileTimeLimit);

} // namespace hlsl
