// Effect-framework syntax (techniques, fxgroups, state objects, shader
// variables, annotations) is ignored for one entry point, as the Direct3D
// compiler ignores it, without moving any later line or column.

#include "platform/hlsl/source.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>

namespace {

// The text with every run of white space made one space, ends trimmed.
std::string Collapsed(std::string_view text)
{
    std::string out;
    for (char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c));
        if (space && (out.empty() || out.back() == ' '))
            continue;
        out += space ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// The files under tests/data/hlsl/effects/ show the common constructs
// compiled; these are the corners, with every byte's fate checked.
TEST(LowerEffectSyntax, BlanksOnlyEffectConstructsAndKeepsEveryLineBreak)
{
    const std::pair<const char*, const char*> cases[] = { // text, what remains (collapsed)
        {"technique T {\n#if A\n pass P { }\n#endif\n}\nfloat b;", "#if A #endif float b;"},
        {"RasterizerState R[2] = { { CullMode = NONE; }, { FillMode = WIREFRAME; } }; int e;", "int e;"},
        {"VertexShader v = CompileShader(vs_4_0, VS()); GeometryShader g = ConstructGSWithSO(CompileShader(gs_4_0, "
         "GS()), \"POSITION.xyz; NORMAL.xyz\"); int f;",
         "int f;"},
        {"sampler2D old = sampler_state { Texture = <tex>; };", "sampler2D old ;"},
        // Templates, comparisons and code stay as they are.
        {"StructuredBuffer<Light> lights; vector<float, 4> v; static const bool b = x < y;",
         "StructuredBuffer<Light> lights; vector<float, 4> v; static const bool b = x < y;"},
        {"SamplerState Pick(SamplerState a) { return a; }", "SamplerState Pick(SamplerState a) { return a; }"},
        {"float4 f(float4 p) { float4 a < b; return p; } struct S { float4 x; };",
         "float4 f(float4 p) { float4 a < b; return p; } struct S { float4 x; };"},
        {"// technique11 T { }\nfloat g = 1; /* BlendState B { }; */", "// technique11 T { } float g = 1; /* BlendState B { }; */"},
    };
    for (const auto& [original, remains] : cases) {
        const std::string text = original;
        const std::string stripped = hlsl::LowerEffectSyntax(text);
        EXPECT_EQ(Collapsed(stripped), remains) << text;
        ASSERT_EQ(stripped.size(), text.size()) << text;
        for (std::size_t i = 0; i < text.size(); ++i)
            EXPECT_TRUE(stripped[i] == text[i] || (stripped[i] == ' ' && text[i] != '\n')) << text << " at " << i;
    }
}

} // namespace
