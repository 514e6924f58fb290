// Compiles run in a worker process: a compiler crash, a compile without end
// or one that takes too much memory becomes an error, and the program goes
// on compiling.

#include "compiler_test_support.h"

#include "platform/hlsl/isolated_compile.h"

#include <filesystem>

namespace {

using hlsl_test::Compile;
using hlsl_test::Compiled;

class Isolation : public hlsl_test::CompilerTest {};

constexpr const char* kValid = "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1.0); }\n";

TEST_F(Isolation, ACompilerCrashIsAnErrorAndTheNextCompileWorks)
{
    // glslang 12's HLSL front end crashes on a name after a semantic that
    // repeats a constant buffer member; were it run in this process, the
    // test would end here.
    Write("main.fx", "cbuffer C { float t; };\nfloat4 x : FOO t;\n");
    const Compiled crashed = Compile("vs_main", "vs_4_0");
    EXPECT_EQ(crashed.hr, E_FAIL);
    EXPECT_FALSE(crashed.codeBlob);
    EXPECT_TRUE(crashed.messages.starts_with("main.fx(")) << crashed.messages;
    EXPECT_TRUE(crashed.messagesEndInNull);

    Write("main.fx", kValid);
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK);
}

// Forty macros, each twice the one before: 2^40 copies of `base`.
std::string Doubling(const std::string& base)
{
    std::string source = "#define A0 " + base + "\n";
    for (int i = 1; i <= 40; ++i)
        source += "#define A" + std::to_string(i) + " A" + std::to_string(i - 1) + "+A" + std::to_string(i - 1) + "\n";
    return source;
}

TEST_F(Isolation, ACompileWithoutEndOrWithoutBoundsIsStoppedAndTheNextWorks)
{
    // In a preprocessor condition: no nesting and no memory to speak of,
    // only time.
    const hlsl::CompileResult endless = hlsl::CompileHlslIsolated(
        {"main.fx", Doubling("1") + "#if A40 > 0\n#endif\n" + kValid, "vs_main", "vs_4_0", {}},
        std::chrono::milliseconds(300));
    EXPECT_FALSE(endless.container);
    EXPECT_EQ(hlsl::FormatDiagnostics(endless.errors),
              "main.fx(1,1): error: compiling took more than 300 ms and was stopped\n");

    // Used in code, the expression's terms fill memory long before the time
    // limit.
    const hlsl::CompileResult huge = hlsl::CompileHlslIsolated(
        {"main.fx", Doubling("p.x") + "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, A40); }\n",
         "vs_main", "vs_4_0", {}});
    EXPECT_FALSE(huge.container);
    EXPECT_EQ(hlsl::FormatDiagnostics(huge.errors),
              "main.fx(1,1): error: compiling took more than 384 MiB of memory and was stopped\n");

    EXPECT_TRUE(hlsl::CompileHlslIsolated({"main.fx", kValid, "vs_main", "vs_4_0", {}}, std::chrono::milliseconds(5000))
                    .container);
}

TEST_F(Isolation, IncludesResolveFromTheCallersCurrentDirectory)
{
    Write("first/main.fx", kValid);
    std::filesystem::current_path("first");
    ASSERT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK);
    std::filesystem::current_path("..");

    // The worker started in first/; the include is beside second/main.fx.
    Write("second/main.fx", "#include \"scale.hlsli\"\n"
                            "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p * kScale, 1.0); }\n");
    Write("second/scale.hlsli", "static const float kScale = 0.75;\n");
    std::filesystem::current_path("second");
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    std::filesystem::current_path("..");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_NE(compiled.container->glsl.find("0.75"), std::string::npos);
}

} // namespace
