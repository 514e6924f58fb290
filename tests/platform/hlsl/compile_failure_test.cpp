// Compiles that fail before any HLSL is read, or because of what the file is
// rather than what it says: the result code, no code blob, and one message
// line naming the file as given. Source errors are in the sweep's files.

#include "compiler_test_support.h"

#include <filesystem>
#include <random>

#include <unistd.h>

namespace {

using hlsl_test::Compile;
using hlsl_test::Compiled;

class CompileFailure : public hlsl_test::CompilerTest {
protected:
    // Expects a failure with exactly one message line, starting as given.
    static void ExpectFailure(const Compiled& compiled, HRESULT hr, const std::string& start,
                              const std::string& contains = {})
    {
        EXPECT_EQ(compiled.hr, hr);
        EXPECT_FALSE(compiled.codeBlob);
        EXPECT_TRUE(compiled.messagesEndInNull);
        EXPECT_TRUE(compiled.messages.starts_with(start)) << compiled.messages;
        EXPECT_NE(compiled.messages.find(contains), std::string::npos) << compiled.messages;
        EXPECT_EQ(std::count(compiled.messages.begin(), compiled.messages.end(), '\n'), 1) << compiled.messages;
    }
};

constexpr const char* kVertexShader = "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1); }\n";
// The documented values: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), E_FAIL
// and E_INVALIDARG, which the program prints in hexadecimal.
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057u);

TEST_F(CompileFailure, MissingFileIsFileNotFoundNamedAsTheCallerGaveIt)
{
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFileNotFound, "main.fx(1,1): error: file not found\n");
    ExpectFailure(Compile("vs_main", "vs_4_0", "effects/none.fx"), kFileNotFound,
                  "effects/none.fx(1,1): error: file not found\n");
    Write("effects/main.fx", "float4 vs_main() : SV_Position { return missing; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0", "./effects/../effects/main.fx"), kFail,
                  "./effects/../effects/main.fx(1,41): error: 'missing' : unknown variable\n");
}

TEST_F(CompileFailure, FilesThatAreNotSourceFailCleanly)
{
    Write("main.fx", "");
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: the file is empty");

    // Binary bytes are reported where the first one sits.
    std::mt19937 random(7);
    std::string garbage = "float4 x;\n  ";
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(random() % 256);
    garbage[12] = '\x01';
    Write("main.fx", garbage);
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(2,3): error: the file is not text");

    // Over 16 MiB: a sparse file, so the test writes almost nothing.
    std::filesystem::remove("main.fx");
    Write("main.fx", kVertexShader);
    std::filesystem::resize_file("main.fx", (16u << 20) + 1);
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: ", "the limit is 16 MiB");
    std::filesystem::resize_file("main.fx", 16u << 20);
    EXPECT_NE(Compile("vs_main", "vs_4_0").messages.find("not text"), std::string::npos)
        << "exactly 16 MiB is read (and found to end in zero bytes)";

    std::filesystem::remove("main.fx");
    std::filesystem::create_directory("main.fx");
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: is a directory");
    std::filesystem::remove("main.fx");
    ASSERT_EQ(mkfifo("main.fx", 0600), 0);
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: is not a regular file");
}

TEST_F(CompileFailure, NestingTooDeepForTheCompilerIsRefusedNotFollowed)
{
    // Deep enough to overflow the parser's stack if it were compiled.
    Write("main.fx", "// deep\nfloat4 vs_main() : SV_Position { return " + std::string(20000, '(') + "1"
                         + std::string(20000, ')') + "; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(2,", "nested more than 256 deep");

    std::string chain = "float4 vs_main(float x : X) : SV_Position { return x";
    for (int i = 0; i < 50000; ++i)
        chain += "*x+x";
    Write("main.fx", chain + "; }\n");
    ExpectFailure(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,", "more than 8192 tokens");
}

TEST_F(CompileFailure, BadArgumentsAreInvalidArgAndAnEmptyProfileUnsupported)
{
    Write("main.fx", kVertexShader);
    ID3D10Blob* code = nullptr;
    ID3D10Blob* messages = nullptr;
    const struct {
        const char *file, *entry, *profile;
        ID3D10Blob** code;
    } bad[] = {{nullptr, "vs_main", "vs_4_0", &code},
               {"main.fx", nullptr, "vs_4_0", &code},
               {"main.fx", "vs_main", nullptr, &code},
               {"main.fx", "vs_main", "vs_4_0", nullptr}};
    for (const auto& call : bad)
        EXPECT_EQ(D3DX11CompileFromFileA(call.file, nullptr, nullptr, call.entry, call.profile, 0, 0, nullptr,
                                         call.code, &messages, nullptr),
                  kInvalidArg);
    EXPECT_EQ(code, nullptr);
    EXPECT_EQ(messages, nullptr);
    ExpectFailure(Compile("vs_main", ""), kFail, "main.fx(1,1): error: unsupported profile ''");

    // The asynchronous result slot receives the same code as the return.
    HRESULT asyncResult = 1;
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0, 0, nullptr, &code, nullptr,
                                     &asyncResult),
              S_OK);
    EXPECT_EQ(asyncResult, S_OK);
    ASSERT_NE(code, nullptr);
    code->Release();
}

} // namespace
