// HLSL that this compiler cannot take is refused with a message that names
// the construct at its line and column; its near relations that do work keep
// compiling.

#include "compiler_test_support.h"

namespace {

using hlsl::ShaderStage;
using hlsl_test::Compile;
using hlsl_test::Compiled;

class UnsupportedSyntax : public hlsl_test::CompilerTest {};

constexpr const char* kEntry = "float4 vs_main(float4 p : POSITION) : SV_Position { return p; }\n";

TEST_F(UnsupportedSyntax, ConstructsGlslangCannotTakeAreNamedAtTheirPlace)
{
    struct Case {
        std::string source;
        std::string message;
    };
    const Case cases[] = {
        {"interface ILight { float3 Shade(float3 n); };\n" + std::string(kEntry),
         "main.fx(1,1): error: interface declarations are not supported by this compiler\n"},
        {"struct Base { float a; };\n  class Sun : Base { float3 Shade(float3 n) { return n * a; } };\n"
             + std::string(kEntry),
         "main.fx(2,3): error: class inheritance ('class Sun : ...') is not supported by this compiler\n"},
        {"cbuffer C\n{\n    float scale;\n    static float twice = scale * 2;\n};\n"
         "float4 vs_main(float4 p : POSITION) : SV_Position { return p * twice; }\n",
         "main.fx(4,5): error: a static variable inside a cbuffer is not supported by this compiler; declare it "
         "outside the cbuffer\n"},
        {"static const float2x2 A = {1, 2, 3, 4};\nstatic const float2x2 B = {5, 6, 7, 8};\n"
         "float4 vs_main(float4 p : POSITION) : SV_Position { float2x2 c = -A * B; return p * c._m01; }\n",
         "main.fx(3,69): error: '*' between two constant matrices is not supported by this compiler, which would "
         "fold it into the matrix product; declare one of them without const\n"},
        {"float4 vs_main(float4 p : POSITION) : SV_Position\n{\n    float a[4] = (float[4])p;\n    return a[0];\n}\n",
         "main.fx(3,18): error: casting to an array type '(float[...])' is not supported by this compiler, except "
         "from an array of the same type\n"},
    };
    for (const Case& c : cases) {
        Write("main.fx", c.source);
        const Compiled compiled = Compile("vs_main", "vs_4_0");
        EXPECT_EQ(compiled.hr, E_FAIL);
        EXPECT_EQ(compiled.messages, c.message) << c.source;
    }
}

TEST_F(UnsupportedSyntax, NearRelationsThatWorkStillCompile)
{
    Write("main.fx", "float4x4 m;\n"
                     "#if 0\n"
                     "interface ILight { float3 Shade(float3 n); };\n"
                     "#if NESTED\n#endif\n"
                     "float2 Diagonal() { return m._m00_m11; }\n"
                     "#endif\n"
                     "#define DIAGONAL(x) (x)._11_22\n"
                     "struct Odd { float _11_22; };\n"
                     "class Sun { float k; float3 Shade(float3 n) { return n * k; } };\n"
                     "cbuffer C { float scale; };\n"
                     "static const float kTwice = 2;\n"
                     "static const float2x2 A = {1, 2, 3, 4};\n"
                     "static const float2x2 B = {5, 6, 7, 8};\n"
                     "float2x2 Products(float2x2 v) { return mul(A, B) + v * A * B + A * v; }\n"
                     "float4 vs_main(float4 p : POSITION) : SV_Position\n"
                     "{\n"
                     "    float b[2] = { p.x, p.y };\n"
                     "    float c[2] = (float[2])b;\n"
                     "    Odd o; o._11_22 = c[1];\n"
                     "    Sun s; s.k = m._m00 + m._22 + o._11_22 + DIAGONAL(m).y + m._m00_m11.x + m._11_22_33.z;\n"
                     "    return float4(s.Shade(p.xyz), scale * kTwice);\n"
                     "}\n");
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Vertex, compiled.container->glsl), "");
}

} // namespace
