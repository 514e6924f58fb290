// Texture offsets taken from loop counters: the Windows compiler unrolls
// such loops, so they compile and give GLSL with constant offsets; an offset
// that no unrolling makes constant is refused at its call.

#include "compiler_test_support.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

using hlsl::ShaderStage;
using hlsl_test::Compile;
using hlsl_test::Compiled;

class TextureOffsets : public hlsl_test::CompilerTest {};

std::string FixtureText(const std::string& fixture)
{
    std::ifstream in(std::string(FXDEMO_HLSL_TEST_DATA) + "/" + fixture, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "main.fx(line,col)" of the first occurrence of `needle` at or after
// `after`: errors about a method call point at the method's name.
std::string PlaceOf(const std::string& text, const std::string& after, const std::string& needle)
{
    const std::size_t start = text.find(after);
    const std::size_t at = text.find(needle, start);
    if (start == std::string::npos || at == std::string::npos)
        return "(not in the fixture)";
    const std::size_t lineStart = text.rfind('\n', at) + 1;
    const long line = std::count(text.begin(), text.begin() + static_cast<long>(at), '\n') + 1;
    return "main.fx(" + std::to_string(line) + "," + std::to_string(at - lineStart + 1) + ")";
}

TEST_F(TextureOffsets, LoopCountersBecomeConstantOffsets)
{
    CopyFixture("offsets/unrolled.fx");
    for (const char* entry : {"blur3", "box3x3", "level", "gradient", "bias", "compare", "load", "gather", "weighted"}) {
        SCOPED_TRACE(entry);
        const Compiled compiled = Compile(entry, "ps_5_0");
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        ASSERT_TRUE(compiled.container);
        // GL refuses a non-constant offset in textureOffset and its kin.
        EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Pixel, compiled.container->glsl), "");
    }
}

TEST_F(TextureOffsets, AnOffsetThatStaysVariableIsRefusedAtItsCall)
{
    CopyFixture("offsets/variable.fx");
    const std::string text = FixtureText("offsets/variable.fx");
    const struct {
        const char* entry;
        std::string place;
    } cases[] = {
        {"loopFromConstants", PlaceOf(text, "sum += source.Sample", "Sample(")},
        {"direct", PlaceOf(text, "color + source.SampleLevel", "SampleLevel(")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const Compiled compiled = Compile(c.entry, "ps_5_0");
        EXPECT_NE(compiled.hr, S_OK);
        EXPECT_FALSE(compiled.codeBlob);
        EXPECT_EQ(compiled.messages.rfind(c.place + ": error: ", 0), 0u) << compiled.messages;
        EXPECT_NE(compiled.messages.find("offset"), std::string::npos) << compiled.messages;
    }
}

// The Windows compiler refuses to unroll past 1024 iterations; unrolling
// further would also outrun the compile worker's time limit.
TEST_F(TextureOffsets, LoopsUnrollUpTo1024Iterations)
{
    CopyFixture("offsets/unroll_limit.fx");
    const std::string text = FixtureText("offsets/unroll_limit.fx");
    for (const char* entry : {"atTheLimit", "countingDownAtTheLimit"}) {
        SCOPED_TRACE(entry);
        const Compiled compiled = Compile(entry, "ps_4_0");
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Pixel, compiled.container->glsl), "");
    }
    const struct {
        const char* entry;
        std::string place;
    } refused[] = {
        {"overTheLimit", PlaceOf(text, "x = 1025", "Sample(")},
        {"steppingOverTheLimit", PlaceOf(text, "x <= 2048", "SampleLevel(")},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.entry);
        const Compiled compiled = Compile(c.entry, "ps_4_0");
        EXPECT_NE(compiled.hr, S_OK);
        EXPECT_EQ(compiled.messages.rfind(c.place + ": error: the offset of this texture call must be a constant", 0),
                  0u)
            << compiled.messages;
        EXPECT_NE(compiled.messages.find("more than 1024 iterations"), std::string::npos) << compiled.messages;
    }
}

} // namespace
