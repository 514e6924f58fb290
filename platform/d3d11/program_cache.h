#pragma once

// Linking shader stages into GL programs, by semantic as Direct3D links them.
//
// Each stage's GLSL declares every input of a non-vertex stage and every
// output of a non-pixel stage at layout(location = MACRO), the macro defaulting
// to a location of the stage's own. To link a downstream stage to its
// upstream one, the downstream stage is compiled with its input macros
// defined to the locations of the upstream outputs that carry the same
// semantic name and index; the upstream stage keeps its defaults. So the
// vertex stage always compiles as it is, and a geometry or pixel stage once
// per distinct upstream layout of its inputs (usually just once).
//
// GL also matches uniforms across the stages of a program by name; the
// compiler gives each stage's uniforms names of their own, so stages never
// clash there.
//
// Programs are cached per (vertex, geometry or none, pixel) combination by
// the shaders' serial numbers, and each stage's GL shader objects per
// distinct set of defines; both are dropped when the shader dies. The cache
// knows a stage only as its code and serial number (StageCode), so it calls
// nothing of the shader objects that own them.

#include "platform/hlsl/shader_container.h"

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace d3d11 {

// One stage of compiled code and the serial number that names it for the
// process's lifetime (see ShaderCode).
struct StageCode {
    std::uint64_t serial;
    const hlsl::ShaderContainer& container;
};

// A linked program and, per stage (hlsl::ShaderStage), the location of the
// stage's interface uniform (hlsl::InterfaceUniformName; -1 without one) and
// the class instance ids last uploaded to it, the location of its mask
// of empty texture units (hlsl::EmptyTexturesUniformName; -1 where the stage
// asks for none) and the mask it holds. GL keeps uniform values per program,
// so each program remembers its own.
struct LinkedProgram {
    GLuint program = 0;
    std::array<GLint, 3> interfaceLocation{-1, -1, -1};
    std::array<std::vector<std::uint32_t>, 3> interfaceIds;
    std::array<GLint, 3> emptyTexturesLocation{-1, -1, -1};
    std::array<std::uint32_t, 3> emptyTextures{};
    // The viewport by which a geometry stage places points and snaps
    // triangles (hlsl::kViewportUniform; -1 without one), and the one it
    // holds.
    GLint viewportLocation = -1;
    std::array<float, 4> viewport{};
};

class ProgramCache {
public:
    // The linked program for the stages (geometry may be null); program 0
    // when they do not compile or link, which is remembered too. The
    // reference holds until the next call. The context must be current.
    LinkedProgram& Get(const StageCode& vertex, const StageCode* geometry, const StageCode& pixel);

    // The stage compiled with `defines` inserted after its #version line,
    // compiled once per distinct text; 0 when the GLSL does not compile, with
    // the compiler's log in *log. The context must be current.
    GLuint Compiled(const StageCode& stage, const std::string& defines, std::string* log = nullptr);

    // Drops the programs and the compiled stages that use the shader;
    // deletes their GL objects when `deleteGl` (the context is current).
    void ForgetShader(std::uint64_t serial, bool deleteGl);
    void Clear(bool deleteGl);
    // Whether a program was linked since the last call.
    bool TakeNewlyLinked() { return std::exchange(newlyLinked_, false); }
    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        std::uint64_t vertex;
        std::uint64_t geometry; // 0: none
        std::uint64_t pixel;
        LinkedProgram linked;
    };
    struct CompiledStage {
        std::uint64_t serial; // a vertex stage's serial also names the geometry stage made for it
        GLenum type;
        std::string defines;
        GLuint object; // 0: the text does not compile
    };
    std::vector<Entry> entries_;
    std::vector<CompiledStage> compiled_;
    bool newlyLinked_ = false;
};

} // namespace d3d11
