#pragma once

// The effect-file compiler behind D3DX11CompileFromFileA: one entry point of
// HLSL source, through glslang's HLSL front end to SPIR-V and through
// SPIRV-Cross to GLSL 4.50, with the reflection the Direct3D 11 layer needs.
// CompileHlsl lists the passes in the order they run; README.md beside this
// file has the stages as a table.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"
#include "platform/hlsl/source.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

struct CompileRequest {
    std::string file;       // as the caller named it; messages use this name
    std::string source;     // the file's text
    std::string entryPoint;
    std::string profile;    // "vs_4_0", "gs_5_0", "ps_4_1", ...
    std::vector<Macro> macros;
};

struct CompileResult {
    std::optional<ShaderContainer> container; // set on success
    std::vector<Diagnostic> errors;           // set on failure
};

// The stage a vs, gs or ps profile of shader model 4_0, 4_1 or 5_0 compiles;
// the vs_ and ps_ 4_0_level_9_1 and 4_0_level_9_3 profiles compile as 4_0.
std::optional<ShaderStage> StageForProfile(std::string_view profile);

// #include resolves relative to the including file, from the working
// directory for request.file itself; a name that differs from the file's
// only in case finds it, as on Windows.
CompileResult CompileHlsl(const CompileRequest& request);

} // namespace hlsl
