// A compile that succeeds must give GLSL that GL takes: what glslang's HLSL
// front end and SPIRV-Cross let through but a GLSL compiler refuses fails
// the compile, at the entry point, instead of failing Create*Shader later.

#include "compiler_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using hlsl::ShaderStage;
using hlsl_test::Compile;
using hlsl_test::Compiled;

class GeneratedGlsl : public hlsl_test::CompilerTest {};

std::string FixtureText(const std::string& fixture)
{
    std::ifstream in(std::string(FXDEMO_HLSL_TEST_DATA) + "/" + fixture, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "main.fx(line,col)" of the entry point's name in its definition.
std::string EntryPlace(const std::string& text, const std::string& entry)
{
    const std::size_t at = text.find(" " + entry + "(");
    if (at == std::string::npos)
        return "(not in the fixture)";
    const std::size_t lineStart = text.rfind('\n', at) + 1;
    const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
    return "main.fx(" + std::to_string(line) + "," + std::to_string(at + 1 - lineStart + 1) + ")";
}

void ExpectRefusedAtEntry(const std::string& fixture, const char* entry, const char* profile, const char* about)
{
    SCOPED_TRACE(entry);
    const Compiled compiled = Compile(entry, profile);
    EXPECT_NE(compiled.hr, S_OK);
    EXPECT_FALSE(compiled.codeBlob);
    EXPECT_EQ(compiled.messages.rfind(EntryPlace(FixtureText(fixture), entry) + ": error: ", 0), 0u)
        << compiled.messages;
    EXPECT_NE(compiled.messages.find(about), std::string::npos) << compiled.messages;
}

// An offset outside -8 to 7 passes glslang's HLSL front end and SPIRV-Cross;
// only a GLSL compiler sees it, whether written so or made by unrolling.
TEST_F(GeneratedGlsl, AnOffsetOutOfRangeFailsTheCompile)
{
    CopyFixture("glsl_check/offset_out_of_range.fx");
    for (const char* entry : {"ps_main", "ps_unrolled"})
        ExpectRefusedAtEntry("glsl_check/offset_out_of_range.fx", entry, "ps_5_0", "offset");
}

// The check uses the limits of Direct3D 11 and of the layer's GL, not GL's
// bare minimum: 300 vertices compile, 4096 do not.
TEST_F(GeneratedGlsl, GeometryVertexCountsFollowDirect3DsLimit)
{
    CopyFixture("glsl_check/geometry_vertices.fx");
    const Compiled within = Compile("within", "gs_4_0");
    ASSERT_EQ(within.hr, S_OK) << within.messages;
    ASSERT_TRUE(within.container);
    EXPECT_EQ(within.container->geometryMaxVertices, 300u);
    ExpectRefusedAtEntry("glsl_check/geometry_vertices.fx", "beyond", "gs_4_0", "max_vertices");
}

} // namespace
