// Macros from the caller, #include relative to the including file and
// without regard to case, as on Windows; the file is read again at every
// call, and errors are reported in the terms of the file that holds them.

#include "compiler_test_support.h"

#include <filesystem>

namespace {

using hlsl_test::Compile;
using hlsl_test::Compiled;

class MacrosAndIncludes : public hlsl_test::CompilerTest {
protected:
    static std::string Messages() { return Compile("vs_main", "vs_4_0").messages; }
};

TEST_F(MacrosAndIncludes, CallerMacrosAreDefined)
{
    Write("main.fx", "#ifndef SCALE\n#error SCALE must be defined\n#endif\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position\n{\n"
                     "#ifdef FLIP\n    p = -p;\n#endif\n    return float4(p * SCALE, 1.0);\n}\n");
    EXPECT_EQ(Messages(), "main.fx(2,1): error: '#error' : SCALE must be defined\n");

    const D3D10_SHADER_MACRO scaled[] = {{"SCALE", "2.5"}, {nullptr, nullptr}};
    const Compiled plain = Compile("vs_main", "vs_4_0", "main.fx", scaled);
    ASSERT_EQ(plain.hr, S_OK) << plain.messages;
    EXPECT_NE(plain.container->glsl.find("2.5"), std::string::npos);

    // A macro without a definition is defined as 1.
    const D3D10_SHADER_MACRO flipped[] = {{"SCALE", "2.5"}, {"FLIP", nullptr}, {nullptr, nullptr}};
    const Compiled flip = Compile("vs_main", "vs_4_0", "main.fx", flipped);
    ASSERT_EQ(flip.hr, S_OK) << flip.messages;
    EXPECT_NE(flip.container->glsl, plain.container->glsl);

    // A caller's macro may take the name of an intrinsic.
    const D3D10_SHADER_MACRO intrinsic[] = {{"SCALE", "2.5"}, {"sign", "abs"}, {nullptr, nullptr}};
    EXPECT_EQ(Compile("vs_main", "vs_4_0", "main.fx", intrinsic).hr, S_OK);

    // A name that is not an identifier cannot smuggle in text.
    const D3D10_SHADER_MACRO bad[] = {{"SCALE 1\n#define X", "2"}, {nullptr, nullptr}};
    const Compiled refused = Compile("vs_main", "vs_4_0", "main.fx", bad);
    EXPECT_EQ(refused.hr, E_FAIL);
    EXPECT_NE(refused.messages.find("is not an identifier"), std::string::npos) << refused.messages;
}

TEST_F(MacrosAndIncludes, IncludesResolveRelativeToTheIncludingFile)
{
    // parts/common.hlsli includes lib/scale.hlsli as parts/lib/scale.hlsli,
    // which includes guard.hlsli beside itself; a second file of that name in
    // the working directory must not be picked. The include guard keeps the
    // second inclusion empty.
    Write("main.fx", "#include \"parts/common.hlsli\"\n#include \"parts/lib/scale.hlsli\"\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position { return Scaled(p); }\n");
    Write("parts/common.hlsli", "#include \"lib/scale.hlsli\"\n");
    Write("parts/lib/scale.hlsli", "#ifndef SCALE_HLSLI\n#define SCALE_HLSLI\n#include <guard.hlsli>\n"
                                   "float4 Scaled(float3 p) { return float4(p * kScale, 1.0); }\n#endif\n");
    Write("parts/lib/guard.hlsli", "static const float kScale = 0.25;\n");
    Write("guard.hlsli", "#error wrong file\n");
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_NE(compiled.container->glsl.find("0.25"), std::string::npos);

    Write("parts/lib/guard.hlsli", "static const float kScale = unknownName;\n");
    EXPECT_EQ(Messages(), "parts/lib/guard.hlsli(1,29): error: 'unknownName' : unknown variable\n");

    // Cycles, missing files and syntax errors point at the line in the
    // included file.
    Write("main.fx", "// effect\n#include \"parts/a.hlsli\"\nfloat4 vs_main() : SV_Position { return 0; }\n");
    Write("parts/a.hlsli", "#include \"b.hlsli\"\n");
    Write("parts/b.hlsli", "// loops back\n#include \"a.hlsli\"\n");
    EXPECT_TRUE(Messages().starts_with("parts/b.hlsli(2,1): error: '#include' : cycle")) << Messages();
    Write("parts/b.hlsli", "#include \"../main.fx\"\n");
    EXPECT_TRUE(Messages().starts_with("parts/b.hlsli(1,1): error: '#include' : cycle")) << Messages();
    Write("parts/b.hlsli", "#include \"missing.hlsli\"\n");
    EXPECT_TRUE(Messages().starts_with("parts/b.hlsli(1,1): error: '#include' : no file")) << Messages();
    EXPECT_NE(Messages().find("parts/missing.hlsli"), std::string::npos) << Messages();
    Write("parts/b.hlsli", "static const float k = 1;\nfloat broken( { }\n");
    EXPECT_TRUE(Messages().starts_with("parts/b.hlsli(2,")) << Messages();

    // Effect blocks in an included file are blanked in place as well.
    Write("main.fx", "#include \"Effect.fxh\"\n");
    CopyFixture("effects/error_after_technique.fx", "Effect.fxh");
    EXPECT_EQ(Compile("PS", "ps_4_0").messages, "Effect.fxh(12,16): error: 'notDeclared' : unknown variable\n");
}

TEST_F(MacrosAndIncludes, IncludeNamesResolveWithoutRegardToCase)
{
    Write("main.fx", "#include \"Parts/Common.HLSLI\"\n"
                     "float4 vs_main(float3 p : POSITION) : SV_Position { return Scaled(p); }\n");
    Write("parts/common.hlsli", "#include \"LIB/Scale.hlsli\"\n");
    Write("parts/lib/scale.hlsli", "float4 Scaled(float3 p) { return float4(p * 0.25, 1.0); }\n");
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_NE(compiled.container->glsl.find("0.25"), std::string::npos);

    // Errors name the file found; a cycle is seen through a change of case.
    Write("parts/lib/scale.hlsli", "float4 Scaled(float3 p) { return unknownName; }\n");
    EXPECT_EQ(Messages(), "parts/lib/scale.hlsli(1,34): error: 'unknownName' : unknown variable\n");
    Write("parts/lib/scale.hlsli", "float4 Scaled(float3 p) {\n    return p.x }\n");
    const std::string syntax = Messages(); // one line, nothing about the including files
    EXPECT_TRUE(syntax.starts_with("parts/lib/scale.hlsli(2,") && syntax.find('\n') + 1 == syntax.size()) << syntax;
    Write("parts/lib/scale.hlsli", "#include \"../COMMON.hlsli\"\n");
    EXPECT_TRUE(Messages().starts_with("parts/lib/scale.hlsli(1,1): error: '#include' : cycle")) << Messages();

    // An exact match wins; among names that differ only in case, the first
    // in byte order.
    Write("main.fx", "#include \"shared/k.hlsli\"\n#include \"SHARED/K2.HLSLI\"\n"
                     "float4 vs_main() : SV_Position { return kExact + kUpper; }\n");
    Write("shared/k.hlsli", "static const float kExact = 1;\n");
    Write("Shared/k.hlsli", "#error the exact name exists\n");
    Write("Shared/k2.hlsli", "static const float kUpper = 2;\n");
    Write("shared/k2.hlsli", "#error Shared sorts before shared\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK) << Messages();

    Write("main.fx", "#include \"parts/missing.hlsli\"\n");
    EXPECT_TRUE(Messages().starts_with("main.fx(1,1): error: '#include' : no file")) << Messages();

    // The effect file itself, named as the caller gives it.
    std::filesystem::remove("main.fx");
    Write("Effects/Main.FX", "#include \"../shared/k.hlsli\"\nfloat4 vs_main() : SV_Position { return kMissing; }\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0", "effects/main.fx").messages,
              "effects/main.fx(2,41): error: 'kMissing' : unknown variable\n");
}

TEST_F(MacrosAndIncludes, EachCallReadsTheFileAsItIsNow)
{
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1.0); }\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK);
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1.0) }\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, E_FAIL);
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 0.5); }\n");
    const Compiled fixed = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(fixed.hr, S_OK);
    EXPECT_NE(fixed.container->glsl.find("0.5"), std::string::npos);
}

} // namespace
