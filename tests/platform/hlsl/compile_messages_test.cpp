// Turning glslang's info log into "file(line,col): error: message" lines.

#include "platform/hlsl/tree.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using Files = std::map<std::string, std::string, std::less<>>;

// The formatted lines for `log`, main.fx being the file compiled.
std::string Format(const std::string& log, const Files& files)
{
    return hlsl::FormatDiagnostics(
        hlsl::ReadGlslangLog(log, "main.fx", [&files](std::string_view name) -> const std::string* {
            const auto it = files.find(name);
            return it == files.end() ? nullptr : &it->second;
        }));
}

TEST(GlslangLog, ErrorsBecomeLinesInSourceOrder)
{
    const Files files = {{"main.fx", "float a;\nfloat b = alpha;\nfloat c = beta + alpha;\n"},
                         {"inc/x.hlsli", "float d = gamma;\n"}};
    // Reported out of order, across two files, with glslang's tally.
    EXPECT_EQ(Format("ERROR: main.fx:3: 'beta' : unknown variable \n"
                     "ERROR: inc/x.hlsli:1: 'gamma' : unknown variable \n"
                     "ERROR: main.fx:2: 'alpha' : unknown variable \n"
                     "WARNING: main.fx:1: something harmless\n"
                     "ERROR: 3 compilation errors.  No code generated.\n",
                     files),
              "main.fx(2,11): error: 'alpha' : unknown variable\n"
              "main.fx(3,11): error: 'beta' : unknown variable\n"
              "inc/x.hlsli(1,11): error: 'gamma' : unknown variable\n");
}

TEST(GlslangLog, TheParseStopGivesTheColumnWhenTheTokenIsNotOnTheLine)
{
    EXPECT_EQ(Format("ERROR: main.fx:4: ';' : Expected \n"
                     "main.fx(4): error at column 10, HLSL parsing failed.\n"
                     "ERROR: 2 compilation errors.  No code generated.\n",
                     {{"main.fx", "void f()\n{\n    float y = 3\n    return;\n}\n"}}),
              "main.fx(4,5): error: ';' : Expected\n");
    // A quoted identifier is looked for before the stop only.
    EXPECT_EQ(Format("ERROR: main.fx:1: 'f' : no matching overloaded function found \n"
                     "main.fx(1): error at column 17, HLSL parsing failed.\n",
                     {{"main.fx", "float x = f(f, 2) f;\n"}}),
              "main.fx(1,13): error: 'f' : no matching overloaded function found\n");
}

TEST(GlslangLog, ErrorsWithoutAPlaceGoToTheStartAndAStopAloneIsASyntaxError)
{
    const Files files = {{"main.fx", "float4 x = 1 $ 2;\n"}};
    EXPECT_EQ(Format("ERROR: Linking geometry stage: At least one shader must specify an input layout primitive\n"
                     "ERROR: 0:0: '' : unable to find output symbol\n",
                     files),
              "main.fx(1,1): error: Linking geometry stage: At least one shader must specify an input layout primitive\n"
              "main.fx(1,1): error: '' : unable to find output symbol\n");
    EXPECT_EQ(Format("main.fx(1): error at column 14, HLSL parsing failed.\n", files),
              "main.fx(1,14): error: syntax error\n");
    EXPECT_EQ(Format("", files), "");
    // Whole words only; lines past the end are empty.
    EXPECT_EQ(hlsl::FindWordColumn("float fx = x + xx;", "x"), 12);
    EXPECT_EQ(hlsl::FindWordColumn("xx_x", "x"), 0);
    EXPECT_EQ(hlsl::SourceLine("a\r\nbc\nd", 2), "bc");
    EXPECT_EQ(hlsl::SourceLine("a\nb", 5), "");
}

} // namespace
