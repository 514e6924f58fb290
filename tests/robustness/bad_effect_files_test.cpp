// Broken and hostile effect files, each loaded as main.fx: every one gives
// exactly the lines its failing step calls for (or loads and renders), the
// next F5 with the good file renders again, and nothing is left alive.
//
// Each file in tests/data/bad_fx/ carries its expectation in a comment near
// its top, or, where the file cannot hold one (empty, binary), in a file of
// the same name plus ".expect":
//
//   expect: loaded                      loads, prints "Loaded." and renders
//   expect: 408 0x80004005 main.fx(12)  fails at step 408 with that code, the
//                                       compiler's first message at line 12
//   expect: 408 0x80004005 main.fx(12,5)   ... at line 12, column 5
//   expect: 427 0x80070057              fails at a step that prints no
//                                       compiler text
//   pad-to: 20971520                    padded at test time with comment
//                                       lines to that many bytes
//   pad-to: 4194304 line                ... with one long comment line
//
// Files under include/ are what the corpus files #include.

#include "program_fixture.h"

#include "app/frame.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "resources/scene_resources.h"
#include "scene/scene_constants.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

constexpr float kOneFrame = 0.01666666567325592f;

const fs::path kCorpus = FXDEMO_BAD_FX_DIR;

struct Expectation {
    bool loads = false;
    int number = 0;
    unsigned code = 0;
    std::string location; // "main.fx(12" or "main.fx(12,5"; empty: no compiler text
    std::size_t padTo = 0;
    bool padInOneLine = false;
};

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The value after "key:" on a comment line among the first lines, or nothing.
std::optional<std::string> Directive(const std::string& text, const std::string& key)
{
    // Lines may end in LF, CR LF or CR alone.
    std::string head = text.substr(0, 4096);
    std::replace(head.begin(), head.end(), '\r', '\n');
    std::istringstream lines(head);
    std::string line;
    for (int i = 0; i < 24 && std::getline(lines, line); ++i) {
        const std::size_t at = line.find(key + ":");
        if (at == std::string::npos)
            continue;
        std::string value = line.substr(at + key.size() + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        value.erase(value.find_last_not_of(" \t\r") + 1);
        return value;
    }
    return std::nullopt;
}

std::optional<Expectation> ParseExpectation(const std::string& text)
{
    const std::optional<std::string> value = Directive(text, "expect");
    if (!value)
        return std::nullopt;
    Expectation expectation;
    if (const std::optional<std::string> pad = Directive(text, "pad-to")) {
        expectation.padTo = std::stoull(*pad);
        expectation.padInOneLine = pad->ends_with(" line");
    }
    if (*value == "loaded") {
        expectation.loads = true;
        return expectation;
    }
    std::smatch match;
    static const std::regex kFailure(R"(^(\d{3}) 0x([0-9A-F]{8})(?: (\S+\(\d+(?:,\d+)?)\))?$)");
    if (!std::regex_match(*value, match, kFailure))
        return std::nullopt;
    expectation.number = std::stoi(match[1]);
    expectation.code = static_cast<unsigned>(std::stoul(match[2], nullptr, 16));
    expectation.location = match[3];
    return expectation;
}

struct CorpusFile {
    fs::path path;
    std::optional<Expectation> expectation;
};

void PrintTo(const CorpusFile& file, std::ostream* out)
{
    *out << file.path.filename().string();
}

std::vector<CorpusFile> Corpus()
{
    std::vector<CorpusFile> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(kCorpus))
        if (entry.is_regular_file() && entry.path().extension() == ".fx") {
            fs::path sidecar = entry.path();
            sidecar += ".expect";
            const std::string text = ReadBytes(fs::exists(sidecar) ? sidecar : entry.path());
            files.push_back({entry.path(), ParseExpectation(text)});
        }
    std::sort(files.begin(), files.end(),
              [](const CorpusFile& a, const CorpusFile& b) { return a.path < b.path; });
    return files;
}

std::string TestName(const ::testing::TestParamInfo<CorpusFile>& info)
{
    std::string name = info.param.path.stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

// The file's bytes, padded with comment lines (or one long comment line) to
// the size it asks for.
std::string EffectText(const CorpusFile& file)
{
    std::string text = ReadBytes(file.path);
    const std::size_t size = file.expectation ? file.expectation->padTo : 0;
    if (size <= text.size() + 4)
        return text;
    if (!text.ends_with('\n'))
        text += '\n';
    text.reserve(size);
    if (!file.expectation->padInOneLine) {
        const std::string line = "// padding " + std::string(117, '-') + "\n"; // 128 bytes
        while (text.size() + line.size() <= size)
            text += line;
    }
    if (text.size() + 3 < size)
        text += "//" + std::string(size - text.size() - 3, '.') + "\n";
    return text;
}

const std::map<int, const char*> kLabels = {
    {408, "CompileShaderFromFile VS"},
    {410, "CompileShaderFromFile GS"},
    {412, "CompileShaderFromFile PS"},
    {414, "CreateVertexShader"},
    {416, "CreateGeometryShader"},
    {418, "CreatePixelShader"},
    {422, "D3DX11CreateBuffer:pConstant"},
    {427, "CreateInputLayout"},
    {434, "D3DXCreateBuffer : pVertexScreen"},
};

std::string ErrorLine(int number, unsigned code)
{
    char line[128];
    std::snprintf(line, sizeof line, "ERROR : scene : %d 0x%08X : %s", number, code, kLabels.at(number));
    return line;
}

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class BadEffectFile : public ProgramTest, public ::testing::WithParamInterface<CorpusFile> {
protected:
    static void SetUpTestSuite()
    {
        ProgramTest::SetUpTestSuite();
        // The working directory is the fixture's scratch directory.
        fs::remove_all("include");
        fs::copy(kCorpus / "include", "include", fs::copy_options::recursive);
    }

    // F5 pressed and released before a frame: one reload, in that frame.
    static std::string FrameAfterF5()
    {
        EXPECT_TRUE(win32::InjectKey(VK_F5, true));
        EXPECT_TRUE(win32::InjectKey(VK_F5, false));
        return CaptureOutput(RunFrame);
    }
};

// The compiler's lines, then the step's one error line, nothing else.
void ExpectCompileFailureLines(const std::string& output, const Expectation& expected)
{
    const std::vector<std::string> lines = Lines(output);
    ASSERT_GE(lines.size(), 2u) << output;
    const std::string prefix = "ERROR:CompileShaderFromFile : ";
    ASSERT_TRUE(lines[0].starts_with(prefix)) << output;
    // Where the first message points: the line, and the column if given.
    const std::string at = expected.location + (expected.location.find(',') == std::string::npos ? "," : ")");
    EXPECT_TRUE(lines[0].starts_with(prefix + at)) << "expected the first message at " << expected.location
                                                   << ")\n" << output;
    // One message a line, in the form editors read: file(line,col): error: text
    static const std::regex kMessage(R"(^.+\([1-9]\d*,[1-9]\d*\): error: .+$)");
    std::size_t line = 0;
    for (; line + 1 < lines.size() && !lines[line].empty(); ++line) {
        const std::string message = line == 0 ? lines[0].substr(prefix.size()) : lines[line];
        EXPECT_TRUE(std::regex_match(message, kMessage)) << "line " << line + 1 << ": " << message;
    }
    // The message text ends with a line break, and the compiler's line adds
    // its own: one empty line before the error line.
    EXPECT_EQ(line + 2, lines.size()) << output;
    EXPECT_EQ(lines.back(), ErrorLine(expected.number, expected.code)) << output;
}

TEST_P(BadEffectFile, GivesItsLinesThenTheGoodFileLoadsAndRendersAgain)
{
    const CorpusFile& file = GetParam();
    ASSERT_TRUE(file.expectation) << file.path << " has no valid \"expect:\" line";
    const Expectation& expected = *file.expectation;

    StartProgram();
    const int liveWhenLoaded = diagnostics::LiveObjects();

    WriteEffectFile(EffectText(file));
    const std::string output = CaptureOutput(LoadSceneResources);
    // Shown in the test's log, to read beside the file.
    std::printf("%s gives:\n%s", file.path.filename().c_str(), output.c_str());
    if (expected.loads) {
        EXPECT_EQ(output, "Loaded.\n");
        for (int frame = 1; frame <= 3; ++frame)
            EXPECT_EQ(CaptureOutput(RunFrame), "") << "frame " << frame;
        EXPECT_FLOAT_EQ(sceneConstants.time, 3 * kOneFrame) << "three frames rendered";
    } else if (expected.number <= 412) {
        ExpectCompileFailureLines(output, expected);
        // No shader object exists: the frame prints the dump.
        EXPECT_EQ(CaptureOutput(RunFrame), kEmptyDump);
        EXPECT_EQ(sceneConstants.time, 0.0f);
    } else {
        EXPECT_EQ(output, ErrorLine(expected.number, expected.code) + "\n");
        const std::string frame = CaptureOutput(RunFrame);
        if (expected.number >= 427) {
            // The four tested objects exist: frames go on rendering.
            EXPECT_EQ(frame, "");
            EXPECT_EQ(sceneConstants.time, kOneFrame);
        } else {
            EXPECT_EQ(std::count(frame.begin(), frame.end(), '\n'), 5) << frame;
            EXPECT_EQ(sceneConstants.time, 0.0f);
        }
    }

    // The next F5 with the good file reloads and renders in that frame.
    RestoreEffectFile();
    EXPECT_EQ(FrameAfterF5(), "Loaded.\n");
    EXPECT_EQ(sceneConstants.time, kOneFrame);
    EXPECT_EQ(CaptureOutput(RunFrame), "");
    EXPECT_EQ(diagnostics::LiveObjects(), liveWhenLoaded) << "the same objects as after the first load";
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadEffectFile, ::testing::ValuesIn(Corpus()), TestName);

// The largest resident size a process reached: this one, or the largest of
// its children that have ended and been waited for.
std::size_t PeakResidentBytes(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
}

using CompileWorker = ProgramTest;

TEST_F(CompileWorker, MacrosThatExplodeAreStoppedBeforeTheyTakeTheMachinesMemory)
{
    // Beyond what the program itself holds: far more than any real effect
    // file needs (one of 16 MiB included), far less than the machine has.
    constexpr std::size_t kAllowed = std::size_t{512} << 20;
    StartProgram();
    WriteEffectFile(ReadBytes(kCorpus / "macro_memory_bomb.fx"));
    const std::string output = CaptureOutput(LoadSceneResources);
    EXPECT_TRUE(output.starts_with("ERROR:CompileShaderFromFile : main.fx(1,1): error: ")) << output;
    EXPECT_TRUE(output.ends_with("ERROR : scene : 408 0x80004005 : CompileShaderFromFile VS\n")) << output;

    // The stopped worker has been waited for, so its peak is among the
    // children's. It began as a copy of this process, sharing its pages.
    const std::size_t worker = PeakResidentBytes(RUSAGE_CHILDREN);
    const std::size_t program = PeakResidentBytes(RUSAGE_SELF);
    std::printf("compile worker: at most %zu MiB resident; the program: %zu MiB\n", worker >> 20, program >> 20);
    EXPECT_LE(worker, program + kAllowed) << "the compile worker grew by " << ((worker - program) >> 20) << " MiB";
}

TEST(BadEffectFileCorpus, HoldsAtLeastFortyFilesEachWithAnExpectation)
{
    const std::vector<CorpusFile> files = Corpus();
    EXPECT_GE(files.size(), 40u);
    int loads = 0;
    std::map<int, int> failures;
    for (const CorpusFile& file : files) {
        EXPECT_TRUE(file.expectation) << file.path;
        if (!file.expectation)
            continue;
        if (file.expectation->loads)
            ++loads;
        else
            ++failures[file.expectation->number];
        EXPECT_TRUE(file.expectation->loads || kLabels.count(file.expectation->number)) << file.path;
    }
    // Each compile step fails somewhere in the corpus, a file gets as far as
    // the input layout, and some hostile files load.
    for (int number : {408, 410, 412, 427})
        EXPECT_GT(failures[number], 0) << number;
    EXPECT_GT(loads, 0);
}

} // namespace
