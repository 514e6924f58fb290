// Replays what the compiler fuzzer once broke (fuzz/regressions/). Each input
// goes through the program's own path, the compile worker, for the three
// stages, and must give code or well-formed messages. Inputs that broke our
// own code are also run through the fuzz target itself, in this process,
// which aborts where the compiler breaks a promise. Inputs named glslang-*
// crash glslang itself: in this process they would end the test, so they
// are replayed through the worker only, which is what keeps the program
// alive.

#include "platform/api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

const fs::path kRegressions = FXDEMO_FUZZ_REGRESSIONS_DIR;

std::vector<fs::path> Regressions()
{
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(kRegressions))
        if (entry.is_regular_file() && entry.path().filename() != "README.md")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::string TestName(const ::testing::TestParamInfo<fs::path>& info)
{
    std::string name = info.param.filename().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}

class FuzzRegression : public ::testing::TestWithParam<fs::path> {
protected:
    static void SetUpTestSuite()
    {
        previous_ = fs::current_path();
        char pattern[] = "/tmp/fxdemo-fuzz-replay-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fs::current_path(pattern);
    }
    static void TearDownTestSuite()
    {
        const fs::path scratch = fs::current_path();
        fs::current_path(previous_);
        fs::remove_all(scratch);
    }

private:
    static inline fs::path previous_;
};

TEST_P(FuzzRegression, CompilesOrFailsWithWellFormedMessages)
{
    const std::string bytes = ReadBytes(GetParam());
    {
        std::ofstream out("main.fx", std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static const std::regex kMessage(R"(^.+\([1-9]\d*,[1-9]\d*\): error: .+$)");
    for (const auto& [entry, profile] : {std::pair{"vs_main", "vs_4_0"}, {"gs_main", "gs_4_0"}, {"ps_main", "ps_4_0"}}) {
        SCOPED_TRACE(entry);
        ID3D10Blob* code = nullptr;
        ID3D10Blob* messages = nullptr;
        const HRESULT hr = D3DX11CompileFromFileA("main.fx", nullptr, nullptr, entry, profile, 0x800, 0, nullptr,
                                                  &code, &messages, nullptr);
        if (hr == S_OK) {
            EXPECT_NE(code, nullptr);
        } else {
            EXPECT_EQ(hr, E_FAIL);
            EXPECT_EQ(code, nullptr);
            ASSERT_NE(messages, nullptr);
            std::istringstream lines(static_cast<const char*>(messages->GetBufferPointer()));
            int count = 0;
            for (std::string line; std::getline(lines, line); ++count)
                EXPECT_TRUE(std::regex_match(line, kMessage)) << line;
            EXPECT_GT(count, 0);
        }
        if (code)
            code->Release();
        if (messages)
            messages->Release();
    }

    if (!GetParam().filename().string().starts_with("glslang-"))
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, ::testing::ValuesIn(Regressions()), TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

} // namespace
