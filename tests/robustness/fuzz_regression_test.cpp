// Replays what the compiler fuzzer once broke (fuzz/regressions/). Each input
// goes through the program's own path, the compile worker, for the three
// stages, and must give code or well-formed messages. Inputs that broke our
// own code also go through the fuzz target itself, in this process, which
// aborts where the compiler breaks a promise. Inputs named glslang-* crash
// glslang itself: in this process they would end the test, so they are
// replayed through the worker only, which is what keeps the program alive.

#include "program_fixture.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using FuzzRegression = ProgramTest;

TEST_F(FuzzRegression, EachInputCompilesOrFailsWithWellFormedMessages)
{
    static const std::regex kMessage(R"(^.+\([1-9]\d*,[1-9]\d*\): error: .+$)");
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(FXDEMO_FUZZ_REGRESSIONS_DIR)) {
        if (entry.path().filename() == "README.md")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++inputs;
        std::ostringstream bytes;
        bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        const std::string input = bytes.str();
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
            if (code)
                code->Release();
            if (messages)
                messages->Release();
        }
        if (!entry.path().filename().string().starts_with("glslang-"))
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    EXPECT_GT(inputs, 0);
}

} // namespace
