// Every way a compile fails: the result code, no code blob, and a message
// blob whose text names the file as given, the line and the column.

#include "compiler_test_support.h"

#include "platform/diagnostics/diagnostics.h"

#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

namespace {

using hlsl_test::Compile;
using hlsl_test::Compiled;

class CompileFailure : public hlsl_test::CompilerTest {
protected:
    // Expects a failure with exactly one message line, starting as given.
    static void ExpectFailure(const Compiled& compiled, HRESULT hr, const std::string& start,
                              const std::string& contains = {})
    {
        EXPECT_EQ(compiled.hr, hr);
        EXPECT_FALSE(compiled.codeBlob);
        ASSERT_TRUE(compiled.messageBlob);
        EXPECT_TRUE(compiled.messagesEndInNull);
        EXPECT_TRUE(compiled.messages.starts_with(start)) << compiled.messages;
        EXPECT_NE(compiled.messages.find(contains), std::string::npos) << compiled.messages;
        EXPECT_EQ(std::count(compiled.messages.begin(), compiled.messages.end(), '\n'), 1) << compiled.messages;
        EXPECT_TRUE(compiled.messages.ends_with("\n"));
    }
};

constexpr const char* kVertexShader = R"(float4 vs_main(float3 p : POSITION) : SV_Position
{
    return float4(p, 1.0);
}
)";

TEST_F(CompileFailure, MissingFileIsFileNotFound)
{
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    ExpectFailure(compiled, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "main.fx(1,1): error: file not found\n");
    EXPECT_EQ(compiled.hr, static_cast<HRESULT>(0x80070002));
}

TEST_F(CompileFailure, FilesThatAreNotSourceFailCleanly)
{
    Write("main.fx", "");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(1,1): error: the file is empty");

    // Binary bytes are reported where the first one sits.
    std::mt19937 random(7);
    std::string garbage = "float4 x;\n  ";
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(random() % 256);
    garbage[12] = '\x01';
    Write("main.fx", garbage);
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(2,3): error: the file is not text");

    // Over 16 MiB: a sparse file, so the test writes almost nothing.
    std::filesystem::remove("main.fx");
    Write("main.fx", kVertexShader);
    std::filesystem::resize_file("main.fx", (16u << 20) + 1);
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(1,1): error: ", "the limit is 16 MiB");
    std::filesystem::resize_file("main.fx", 16u << 20);
    EXPECT_NE(Compile("vs_main", "vs_4_0").messages.find("not text"), std::string::npos)
        << "exactly 16 MiB is read (and found to end in zero bytes)";

    std::filesystem::remove("main.fx");
    std::filesystem::create_directory("main.fx");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(1,1): error: is a directory");
    std::filesystem::remove("main.fx");

    ASSERT_EQ(mkfifo("main.fx", 0600), 0);
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(1,1): error: is not a regular file");
}

TEST_F(CompileFailure, SourceErrorsGiveLineAndColumnOfTheirToken)
{
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position\n"
                     "{\n"
                     "    float4 x = undefinedThing + 1;\n"
                     "    return x;\n"
                     "}\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(3,16): error: 'undefinedThing' : unknown variable\n");

    // A missing semicolon shows on the next token, as HLSL compilers report it.
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position\n"
                     "{\n"
                     "    float y = 3\n"
                     "    return float4(p, y);\n"
                     "}\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(4,5): error: ';' : Expected\n");

    Write("main.fx",
          std::string("#define BROKEN 1\n#if BROKEN\n#error the effect is broken\n#endif\n") + kVertexShader);
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(3,1): error: '#error' : the effect is broken\n");
}

TEST_F(CompileFailure, MessagesNameTheFileAsTheCallerGaveIt)
{
    Write("effects/main.fx", "float4 vs_main() : SV_Position { return missing; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0", "./effects/../effects/main.fx"), E_FAIL,
                  "./effects/../effects/main.fx(1,41): error: 'missing' : unknown variable\n");
    ExpectFailure(Compile("vs_main", "vs_4_0", "effects/none.fx"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                  "effects/none.fx(1,1): error: file not found\n");
}

TEST_F(CompileFailure, EntryPointMustExistAndSuitTheProfile)
{
    CopyFixture("contract.fx");
    ExpectFailure(Compile("main", "vs_4_0"), E_FAIL, "main.fx(1,1): error: entry point 'main' not found\n");
    // Each stage's entry point compiled for another stage, at its definition.
    ExpectFailure(Compile("gs_main", "vs_4_0"), E_FAIL, "main.fx(49,6): error: 'gs_main' is a geometry shader");
    ExpectFailure(Compile("gs_main", "ps_4_0"), E_FAIL, "main.fx(49,6): error: 'gs_main' is a geometry shader");
    ExpectFailure(Compile("vs_main", "gs_4_0"), E_FAIL, "main.fx(36,10): error: 'vs_main' is not a geometry shader");
    ExpectFailure(Compile("ps_main", "gs_4_0"), E_FAIL, "main.fx(60,8): error: 'ps_main' is not a geometry shader");
    ExpectFailure(Compile("ps_main", "vs_4_0"), E_FAIL,
                  "main.fx(60,8): error: invalid vs_4_0 output semantic 'SV_TARGET'");
    ExpectFailure(Compile("vs_main", "ps_4_0"), E_FAIL, "main.fx(36,10): error: invalid ps_4_0 output semantic");
}

TEST_F(CompileFailure, GeometryEntryPointsOfTheWrongShapeAreRefused)
{
    Write("main.fx", "struct V { float4 p : SV_Position; float3 n : NORMAL; };\n"
                     "[maxvertexcount(3)]\n"
                     "void single(triangle V input, inout TriangleStream<V> s) { s.Append(input); }\n"
                     "[maxvertexcount(3)]\n"
                     "void extra(triangle V input[3], V more, inout TriangleStream<V> s) { s.Append(more); }\n"
                     "[maxvertexcount(3)]\n"
                     "void nostream(triangle V input[3], out V o) { o = input[0]; }\n"
                     "void nocount(triangle V input[3], inout TriangleStream<V> s) { s.Append(input[0]); }\n");
    ExpectFailure(Compile("single", "gs_4_0"), E_FAIL, "main.fx(3,", "'input' must be an array");
    ExpectFailure(Compile("extra", "gs_4_0"), E_FAIL, "main.fx(5,", "'more' must be an array");
    EXPECT_EQ(Compile("nostream", "gs_4_0").hr, E_FAIL);
    ExpectFailure(Compile("nocount", "gs_4_0"), E_FAIL, "main.fx(8,6): error: 'nocount' is not a geometry shader");
}

TEST_F(CompileFailure, OnlyVertexGeometryAndPixelProfilesOfModels4And5)
{
    Write("main.fx", kVertexShader);
    for (const char* profile : {"vs_3_0", "vs_5_1", "cs_5_0", "hs_5_0", "fx_4_0", "vs", "", "VS_4_0", "vs_4_0_level_9_2",
                                "vs_4_1_level_9_1", "vs_4_0_level_9_3x"})
        ExpectFailure(Compile("vs_main", profile), E_FAIL, "main.fx(1,1): error: unsupported profile '");

    // The level-9 profiles compile as 4_0; feature level 9 has no geometry stage.
    Write("main.fx", std::string(kVertexShader) + "float4 ps_main() : SV_Target { return 1; }\n"
                         "[maxvertexcount(1)] void gs_main(point float4 p[1] : SV_Position, "
                         "inout PointStream<float4> s) { s.Append(p[0]); }\n");
    for (const char* profile : {"vs_4_0_level_9_1", "vs_4_0_level_9_3", "ps_4_0_level_9_1", "ps_4_0_level_9_3"}) {
        const Compiled compiled = Compile(profile[0] == 'v' ? "vs_main" : "ps_main", profile);
        ASSERT_EQ(compiled.hr, S_OK) << profile << ": " << compiled.messages;
        const hlsl::ShaderStage stage = profile[0] == 'v' ? hlsl::ShaderStage::Vertex : hlsl::ShaderStage::Pixel;
        EXPECT_EQ(compiled.container->stage, stage) << profile;
        EXPECT_EQ(hlsl_test::GlslErrors(stage, compiled.container->glsl), "") << profile;
    }
    EXPECT_EQ(Compile("gs_main", "gs_4_0").hr, S_OK);
    for (const char* profile : {"gs_4_0_level_9_1", "gs_4_0_level_9_3"})
        ExpectFailure(Compile("gs_main", profile), E_FAIL, "main.fx(1,1): error: unsupported profile '");
}

TEST_F(CompileFailure, OversizedConstantBufferIsRefusedAtTheMemberThatOverflows)
{
    Write("main.fx", "cbuffer Big\n"
                     "{\n"
                     "    float4 fits[4000];\n"
                     "    float4 overflows[97];\n"
                     "};\n"
                     "float4 vs_main() : SV_Position { return fits[1] + overflows[2]; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL,
                  "main.fx(4,12): error: constant buffer 'Big' takes 4097 registers", "the limit is 4096");

    Write("main.fx", "cbuffer Max { float4 all[4096]; };\n"
                     "float4 vs_main() : SV_Position { return all[4095]; }\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK) << "4096 registers is the limit, not past it";
}

TEST_F(CompileFailure, IncludeProblemsPointAtTheIncludeLine)
{
    Write("main.fx", std::string("// effect\n#include \"parts/a.hlsli\"\n") + kVertexShader);
    Write("parts/a.hlsli", "#include \"b.hlsli\"\n");
    Write("parts/b.hlsli", "// loops back\n#include \"a.hlsli\"\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "parts/b.hlsli(2,1): error: '#include' : cycle");

    Write("parts/b.hlsli", "#include \"../main.fx\"\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "parts/b.hlsli(1,1): error: '#include' : cycle");

    Write("parts/b.hlsli", "#include \"missing.hlsli\"\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "parts/b.hlsli(1,1): error: '#include' : no file",
                  "parts/missing.hlsli");

    Write("parts/b.hlsli", "static const float k = 1;\nfloat broken( { }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "parts/b.hlsli(2,");
}

TEST_F(CompileFailure, NestingTooDeepForTheCompilerIsRefusedNotFollowed)
{
    // Deep enough to overflow the parser's stack if it were compiled.
    const std::string deep = "float4 vs_main() : SV_Position { return " + std::string(20000, '(') + "1"
                             + std::string(20000, ')') + "; }\n";
    Write("main.fx", "// deep\n" + deep);
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(2,", "nested more than 256 deep");

    Write("main.fx", "float4 vs_main(float x : X) : SV_Position { return x" + std::string() + [] {
        std::string chain;
        for (int i = 0; i < 50000; ++i)
            chain += "*x+x";
        return chain;
    }() + "; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), E_FAIL, "main.fx(1,", "more than 8192 tokens");
}

TEST_F(CompileFailure, BadArgumentsAreInvalidArg)
{
    Write("main.fx", kVertexShader);
    ID3D10Blob* code = nullptr;
    ID3D10Blob* messages = nullptr;
    EXPECT_EQ(D3DX11CompileFromFileA(nullptr, nullptr, nullptr, "vs_main", "vs_4_0", 0, 0, nullptr, &code, &messages,
                                     nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, nullptr, "vs_4_0", 0, 0, nullptr, &code, &messages,
                                     nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", nullptr, 0, 0, nullptr, &code, &messages,
                                     nullptr),
              E_INVALIDARG);
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0, 0, nullptr, nullptr,
                                     &messages, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(messages, nullptr);

    // The asynchronous result slot receives the same code as the return.
    HRESULT asyncResult = 1;
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0, 0, nullptr, &code, nullptr,
                                     &asyncResult),
              S_OK);
    EXPECT_EQ(asyncResult, S_OK);
    ASSERT_NE(code, nullptr);
    code->Release();
}

} // namespace
