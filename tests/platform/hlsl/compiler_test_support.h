#pragma once

// Shared pieces of the compiler tests: a scratch working directory per test,
// a call of D3DX11CompileFromFileA as the program makes it, and glslang's
// GLSL front end standing in for the GL driver.

#include "platform/hlsl/shader_container.h"
#include "platform/include/d3dx11.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl_test {

// Runs each test in a new empty directory, so that relative names such as
// "main.fx" resolve there, with the journal, faults and counts reset.
class CompilerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a file under the scratch directory, creating its folders.
    static void Write(const std::string& path, std::string_view text);
    // Copies tests/data/hlsl/<fixture> to `as`.
    static void CopyFixture(const std::string& fixture, const std::string& as = "main.fx");

private:
    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

struct Compiled {
    HRESULT hr = 0;
    bool codeBlob = false;
    std::vector<std::uint8_t> code;                  // the code blob's bytes
    std::optional<hlsl::ShaderContainer> container; // the code blob, parsed
    bool messageBlob = false;
    std::string messages; // the message blob's text
    bool messagesEndInNull = false;
};

// D3DX11CompileFromFileA(file, defines, NULL, entry, profile, 0x800, 0, NULL,
// &code, &messages, NULL); releases both blobs.
Compiled Compile(const char* entry, const char* profile, const char* file = "main.fx",
                 const D3D10_SHADER_MACRO* defines = nullptr);

// Expects `hr`, no code blob and exactly one null-terminated message line
// that starts with `start` and holds `contains`.
void ExpectOneError(const Compiled& compiled, HRESULT hr, const std::string& start, const std::string& contains = {});

// The bytes of a file, empty when it cannot be read.
std::string ReadText(const std::filesystem::path& file);

// What GLSL reflection shows for one compiled stage.
struct GlslReflection {
    std::string errors;
    std::vector<std::pair<std::string, int>> inputLocations; // name, location
    std::vector<std::pair<int, int>> uniformBlocks;         // binding, byte size
    std::vector<std::pair<std::string, int>> samplerBindings;
};
// Compiles GLSL as the GL driver will, with glslang's GLSL front end for
// OpenGL 4.50, after #define lines as the layer sets the location macros of
// linked stages; `errors` is empty when the text compiles and links.
GlslReflection ReflectGlsl(hlsl::ShaderStage stage, const std::string& glsl, const std::string& defines = {});

} // namespace hlsl_test
