// Broken and hostile effect files, each loaded as main.fx: every one gives
// exactly the lines its failing step calls for (or loads and renders), the
// next F5 with the good file renders again, and nothing is left alive.
// Each file in tests/data/bad_fx/ says what it gives (its README.md).

#include "program_fixture.h"

#include "app/frame.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "resources/scene_resources.h"
#include "scene/scene_constants.h"
#include "tests/fx_file_names.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include <sys/resource.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

constexpr float kOneFrame = 0.01666666567325592f; // 0.016666666 as float32
const fs::path kCorpus = FXDEMO_BAD_FX_DIR;
// A compiler message line, in the form editors read.
const std::regex kMessage(R"(^.+\([1-9]\d*,[1-9]\d*\): error: .+$)");

std::string Directive(const std::string& text, const char* pattern)
{
    std::smatch match;
    const std::string head = text.substr(0, 4096); // lines may end in LF, CR LF or CR alone
    return std::regex_search(head, match, std::regex(pattern)) ? match[1].str() : "";
}

// The step numbers and labels of the program's load, as it prints them.
const std::map<int, const char*> kLabels = {
    {408, "CompileShaderFromFile VS"}, {410, "CompileShaderFromFile GS"},
    {412, "CompileShaderFromFile PS"}, {414, "CreateVertexShader"},
    {416, "CreateGeometryShader"},     {418, "CreatePixelShader"},
    {422, "D3DX11CreateBuffer:pConstant"}, {427, "CreateInputLayout"},
    {434, "D3DXCreateBuffer : pVertexScreen"},
};

std::string ErrorLine(int number, const std::string& code)
{
    return "ERROR : scene : " + std::to_string(number) + " " + code + " : " + kLabels.at(number) + "\n";
}

class BadEffectFile : public ProgramTest, public ::testing::WithParamInterface<fs::path> {
protected:
    static void SetUpTestSuite()
    {
        ProgramTest::SetUpTestSuite();
        // The working directory is the fixture's scratch directory.
        fs::remove_all("include");
        fs::copy(kCorpus / "include", "include", fs::copy_options::recursive);
    }
};

// The file's bytes, padded with 128-byte comment lines (or one long comment
// line) to the size its pad-to line asks for.
std::string EffectText(const std::string& text, const std::string& pad)
{
    const std::size_t size = pad.empty() ? 0 : std::stoull(pad);
    if (size <= text.size() + 4)
        return text;
    std::string padded = text.ends_with('\n') ? text : text + "\n";
    padded.reserve(size);
    const std::string line = "// padding " + std::string(117, '-') + "\n";
    while (!pad.ends_with(" line") && padded.size() + line.size() <= size)
        padded += line;
    if (padded.size() + 3 < size)
        padded += "//" + std::string(size - padded.size() - 3, '.') + "\n";
    return padded;
}

TEST_P(BadEffectFile, GivesItsLinesThenTheGoodFileLoadsAndRendersAgain)
{
    const fs::path path = kCorpus / GetParam();
    fs::path sidecar = path;
    sidecar += ".expect";
    const std::string bytes = ReadTestFile(path), head = ReadTestFile(fs::exists(sidecar) ? sidecar : path);
    const std::string expect = Directive(head, R"(expect:[ \t]*([^\r\n]*[^\s]))");
    static const std::regex kFailure(R"(^(\d{3}) (0x[0-9A-F]{8})(?: (\S+\(\d+(,\d+)?)\))?(?: '(.+)')?$)");
    std::smatch failure;
    ASSERT_TRUE(expect == "loaded" || std::regex_match(expect, failure, kFailure)) << "no valid \"expect:\" line";

    StartProgram();
    const int liveWhenLoaded = diagnostics::LiveObjects();
    WriteEffectFile(EffectText(bytes, Directive(head, R"(pad-to:[ \t]*(\d+( line)?))")));
    const std::string output = CaptureOutput(LoadSceneResources);
    // The compile workers that have ended, each a copy of this process, may
    // have taken far more than a real effect file needs (one of 16 MiB
    // included), far less than the machine has: hostile macros are stopped.
    rusage self{}, workers{};
    getrusage(RUSAGE_SELF, &self), getrusage(RUSAGE_CHILDREN, &workers);
    EXPECT_LE(workers.ru_maxrss - self.ru_maxrss, 512 << 10) << "kiB a compile worker took beyond the program";
    const int number = expect == "loaded" ? 0 : std::stoi(failure[1]);
    if (number == 0) {
        EXPECT_EQ(output, "Loaded.\n");
        for (int frame = 1; frame <= 3; ++frame)
            EXPECT_EQ(CaptureOutput(RunFrame), "") << "frame " << frame;
        EXPECT_FLOAT_EQ(sceneConstants.time, 3 * kOneFrame) << "three frames rendered";
    } else if (number <= 412) {
        // The compiler's text, one message a line in the form editors read,
        // the first at the expected place; its own line break and the
        // printed line's make one empty line; then the step's error line.
        const std::string prefix = "ERROR:CompileShaderFromFile : ";
        const std::string at = failure[3].str() + (failure[4].matched ? ")" : ",");
        EXPECT_TRUE(output.starts_with(prefix + at)) << "expected the first message at " << at << "\n" << output;
        EXPECT_NE(output.find(failure[5].str()), std::string::npos) << "expected " << failure[5] << "\n" << output;
        const std::size_t end = std::min(output.find("\n\n"), output.size());
        EXPECT_EQ(output.substr(std::min(end + 2, output.size())), ErrorLine(number, failure[2])) << output;
        std::istringstream messages(output.substr(0, end).substr(std::min(prefix.size(), end)));
        for (std::string line; std::getline(messages, line);)
            EXPECT_TRUE(std::regex_match(line, kMessage)) << line;
        // No shader object exists: the frame prints the dump.
        EXPECT_EQ(CaptureOutput(RunFrame), kEmptyDump);
        EXPECT_EQ(sceneConstants.time, 0.0f);
    } else {
        EXPECT_EQ(output, ErrorLine(number, failure[2]));
        // From the input layout on, the four objects a frame needs exist and
        // frames go on rendering; before it, the frame prints the dump.
        const std::string frame = CaptureOutput(RunFrame);
        EXPECT_EQ(std::count(frame.begin(), frame.end(), '\n'), number >= 427 ? 0 : 5) << frame;
        EXPECT_EQ(sceneConstants.time, number >= 427 ? kOneFrame : 0.0f);
    }

    // F5 pressed and released before a frame with the good file: it reloads
    // and renders in that frame.
    RestoreEffectFile();
    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    EXPECT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
    EXPECT_EQ(sceneConstants.time, kOneFrame);
    EXPECT_EQ(diagnostics::LiveObjects(), liveWhenLoaded) << "the same objects as after the first load";
}

INSTANTIATE_TEST_SUITE_P(Corpus, BadEffectFile, ::testing::ValuesIn(fx_test::FxFiles(kCorpus)), [](const auto& file) {
    return file.param.stem().string(); // the corpus's names are identifiers
});

// Replays what the compiler fuzzer once broke (fuzz/regressions/) through the
// program's own path, the compile worker, for the three stages: each gives
// code or well-formed messages. Inputs that broke our own code also go
// through the fuzz target in this process, which aborts where the compiler
// breaks a promise; those named glslang-* crash glslang itself, which only
// the worker keeps from ending the program.
using FuzzRegression = ProgramTest;

TEST_F(FuzzRegression, EachInputCompilesOrFailsWithWellFormedMessages)
{
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(FXDEMO_FUZZ_REGRESSIONS_DIR)) {
        if (entry.path().filename() == "README.md")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++inputs;
        const std::string input = ReadTestFile(entry.path());
        WriteEffectFile(input);
        for (const auto& [entryPoint, profile] :
             {std::pair{"vs_main", "vs_4_0"}, {"gs_main", "gs_4_0"}, {"ps_main", "ps_4_0"}}) {
            SCOPED_TRACE(entryPoint);
            ID3D10Blob* code = nullptr;
            ID3D10Blob* messages = nullptr;
            const HRESULT hr = D3DX11CompileFromFileA("main.fx", nullptr, nullptr, entryPoint, profile, 0x800, 0,
                                                      nullptr, &code, &messages, nullptr);
            EXPECT_TRUE(hr == S_OK ? code != nullptr : hr == E_FAIL && code == nullptr && messages != nullptr);
            if (hr != S_OK && messages) {
                std::istringstream lines(static_cast<const char*>(messages->GetBufferPointer()));
                int count = 0;
                for (std::string line; std::getline(lines, line); ++count)
                    EXPECT_TRUE(std::regex_match(line, kMessage)) << line;
                EXPECT_GT(count, 0);
            }
            for (ID3D10Blob* blob : {code, messages})
                if (blob)
                    blob->Release();
        }
        if (!entry.path().filename().string().starts_with("glslang-"))
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    EXPECT_GT(inputs, 0);
}

} // namespace
