// Effect files written the way Direct3D 10 and 11 samples and common
// post-processing code are written, each compiled entry point by entry
// point. A file names what it expects in comment lines of its own:
//   // expect: VS vs_4_0 compiles
//   // expect: PS ps_5_0 error (14,9) 'noise'
// "compiles" asks for a code blob whose GLSL a GLSL compiler takes; "error"
// asks for exactly one message at that line and column of the file, holding
// the quoted text, and no internal error.

#include "compiler_test_support.h"
#include "tests/fx_file_names.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

using hlsl_test::Compile;
using hlsl_test::Compiled;

std::filesystem::path Folder()
{
    return std::filesystem::path(FXDEMO_HLSL_TEST_DATA) / "sweep";
}

struct Expectation {
    std::string entry, profile;
    bool compiles = true;
    int line = 0, column = 0;
    std::string about;
};

std::vector<Expectation> ReadExpectations(const std::string& text, std::string& problem)
{
    static const std::regex kLine(
        R"(^// expect: (\w+) ([a-z0-9_]+) (?:(compiles)|error \((\d+),(\d+)\) '([^']*)')\s*$)");
    std::vector<Expectation> expectations;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.starts_with("// expect:"))
            continue;
        std::smatch match;
        if (!std::regex_match(line, match, kLine)) {
            problem = "unreadable line: " + line;
            continue;
        }
        Expectation expectation{match[1], match[2], match[3].matched, 0, 0, match[6]};
        if (!expectation.compiles) {
            expectation.line = std::stoi(match[4]);
            expectation.column = std::stoi(match[5]);
        }
        expectations.push_back(std::move(expectation));
    }
    return expectations;
}

class Sweep : public hlsl_test::CompilerTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(Sweep, EveryEntryPointAsExpected)
{
    const std::string name = GetParam() + ".fx";
    CopyFixture("sweep/" + name, name);
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string problem;
    const std::vector<Expectation> expectations = ReadExpectations(text.str(), problem);
    ASSERT_TRUE(problem.empty()) << problem;
    ASSERT_FALSE(expectations.empty()) << name << " has no expect: line";

    for (const Expectation& expected : expectations) {
        SCOPED_TRACE(expected.entry + " " + expected.profile);
        const Compiled compiled = Compile(expected.entry.c_str(), expected.profile.c_str(), name.c_str());
        EXPECT_EQ(compiled.messages.find("internal error"), std::string::npos) << compiled.messages;
        EXPECT_EQ(compiled.messages.find("crashed"), std::string::npos) << compiled.messages;
        if (expected.compiles) {
            ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
            ASSERT_TRUE(compiled.container.has_value());
            EXPECT_EQ(hlsl_test::GlslErrors(compiled.container->stage, compiled.container->glsl), "");
            continue;
        }
        EXPECT_NE(compiled.hr, S_OK);
        EXPECT_FALSE(compiled.codeBlob);
        const std::string place =
            name + "(" + std::to_string(expected.line) + "," + std::to_string(expected.column) + "): error: ";
        EXPECT_TRUE(compiled.messages.starts_with(place)) << compiled.messages;
        EXPECT_NE(compiled.messages.find(expected.about), std::string::npos) << compiled.messages;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Sweep, ::testing::ValuesIn(fx_test::FxFileStems(Folder())),
                         [](const ::testing::TestParamInfo<std::string>& file) { return file.param; });

} // namespace
