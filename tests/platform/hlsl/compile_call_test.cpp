// D3DX11CompileFromFileA as a call: its arguments, the file it is given and
// the directory it is called from, its blobs, journal and injected faults.
// What the compiled source says is in the sweep's files; hostile files are
// in the robustness corpus.

#include "compiler_test_support.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/hlsl/isolated_compile.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlsl_test;

using CompileCall = hlsl_test::CompilerTest;

constexpr const char* kVertexShader = "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1); }\n";
// The documented values: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), E_FAIL
// and E_INVALIDARG, which the program prints in hexadecimal.
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002u);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057u);

TEST_F(CompileCall, TheFileIsNamedAsTheCallerGaveItAndReadAsItIsNow)
{
    // A missing file names the folder it was looked for in.
    const std::string here = fs::current_path().string();
    ExpectOneError(Compile("vs_main", "vs_4_0"), kFileNotFound, "main.fx(1,1): error: file not found in " + here + "\n");
    ExpectOneError(Compile("vs_main", "vs_4_0", "effects/none.fx"), kFileNotFound,
                   "effects/none.fx(1,1): error: file not found in " + here + "/effects\n");
    Write("effects/main.fx", "float4 vs_main() : SV_Position { return missing; }\n");
    ExpectOneError(Compile("vs_main", "vs_4_0", "./effects/../effects/main.fx"), kFail,
                   "./effects/../effects/main.fx(1,41): error: 'missing' : unknown variable\n");
    // Found without regard to case, and still named as given.
    fs::remove_all("effects");
    Write("Effects/Main.FX", "#include \"../shared/k.hlsli\"\nfloat4 vs_main() : SV_Position { return kMissing; }\n");
    Write("shared/k.hlsli", "static const float k = 1;\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0", "effects/main.fx").messages,
              "effects/main.fx(2,41): error: 'kMissing' : unknown variable\n");

    fs::create_directory("main.fx");
    ExpectOneError(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: is a directory");
    fs::remove("main.fx");
    ASSERT_EQ(mkfifo("main.fx", 0600), 0);
    ExpectOneError(Compile("vs_main", "vs_4_0"), kFail, "main.fx(1,1): error: is not a regular file");
    fs::remove("main.fx");

    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 1.0) }\n");
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, E_FAIL);
    Write("main.fx", "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, 0.5); }\n");
    const Compiled fixed = Compile("vs_main", "vs_4_0");
    ASSERT_EQ(fixed.hr, S_OK);
    EXPECT_NE(fixed.container->glsl.find("0.5"), std::string::npos);
}

TEST_F(CompileCall, IncludesResolveFromTheCallersCurrentDirectory)
{
    Write("first/main.fx", kVertexShader);
    fs::current_path("first");
    ASSERT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK);
    fs::current_path("..");

    // The compile worker started in first/; the include is beside
    // second/main.fx.
    Write("second/main.fx", "#include \"scale.hlsli\"\n"
                            "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p * kScale, 1.0); }\n");
    Write("second/scale.hlsli", "static const float kScale = 0.75;\n");
    fs::current_path("second");
    const Compiled compiled = Compile("vs_main", "vs_4_0");
    fs::current_path("..");
    ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
    EXPECT_NE(compiled.container->glsl.find("0.75"), std::string::npos);
}

// Each file includes the next: 32 files deep are read, the 33rd is refused
// at the #include that reaches it. A file included twice one after the
// other is no cycle.
TEST_F(CompileCall, IncludesNestUpTo32DeepAndAFileMayBeIncludedAgainAfterItEnds)
{
    for (const int depth : {32, 33}) {
        SCOPED_TRACE(depth);
        std::string main = "#include \"d1.hlsli\"\n";
        for (int i = 1; i < depth; ++i)
            Write("d" + std::to_string(i) + ".hlsli", "#include \"d" + std::to_string(i + 1) + ".hlsli\"\n");
        Write("d" + std::to_string(depth) + ".hlsli", "#ifndef DEEP\n#define DEEP\nstatic const float k = 1;\n#endif\n");
        Write("main.fx", main + "#include \"d" + std::to_string(depth) + ".hlsli\"\n" + kVertexShader);
        const Compiled compiled = Compile("vs_main", "vs_4_0");
        if (depth == 32)
            EXPECT_EQ(compiled.hr, S_OK) << compiled.messages;
        else
            ExpectOneError(compiled, kFail, "d32.hlsli(1,1): error: ", "#include files are nested more than 32 deep");
    }
}

TEST_F(CompileCall, BadArgumentsAreInvalidArgAndAnEmptyProfileOrMacroNameIsRefused)
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
    ExpectOneError(Compile("vs_main", ""), kFail, "main.fx(1,1): error: unsupported profile ''");
    // A macro name that is not an identifier cannot smuggle in text.
    const D3D10_SHADER_MACRO smuggler[] = {{"SCALE 1\n#define X", "2"}, {nullptr, nullptr}};
    const Compiled refused = Compile("vs_main", "vs_4_0", "main.fx", smuggler);
    EXPECT_EQ(refused.hr, kFail);
    EXPECT_NE(refused.messages.find("is not an identifier"), std::string::npos) << refused.messages;

    // The asynchronous result slot receives the same code as the return.
    HRESULT asyncResult = 1;
    EXPECT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0, 0, nullptr, &code, nullptr,
                                     &asyncResult),
              S_OK);
    EXPECT_EQ(asyncResult, S_OK);
    ASSERT_NE(code, nullptr);
    code->Release();
}

TEST_F(CompileCall, BlobsLiveUntilReleasedCallsAreJournaledAndAnInjectedFaultLeavesNoBlobs)
{
    CopyFixture("contract.fx");
    const int before = diagnostics::LiveObjects("ID3D10Blob");
    ID3D10Blob* code = nullptr;
    ID3D10Blob* messages = nullptr;
    ID3D10Blob* failedCode = nullptr;
    ASSERT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0x800, 0, nullptr, &code,
                                     &messages, nullptr),
              S_OK);
    EXPECT_EQ(messages, nullptr);
    ASSERT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "ps_main", "vs_4_0", 0x800, 0, nullptr, &failedCode,
                                     &messages, nullptr),
              kFail);
    EXPECT_EQ(failedCode, nullptr);
    ASSERT_TRUE(code && messages);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before + 2);
    EXPECT_EQ(code->Release(), 0u);
    EXPECT_EQ(messages->Release(), 0u);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before);

    diagnostics::EnableJournal(true);
    diagnostics::InjectFault("D3DX11CompileFromFileA", 3, E_OUTOFMEMORY);
    EXPECT_EQ(Compile("vs_main", "vs_4_0").hr, S_OK);
    EXPECT_EQ(Compile("vs_main", "vs_4_0", "missing.fx").hr, kFileNotFound);
    const Compiled faulted = Compile("gs_main", "gs_4_0");
    EXPECT_EQ(faulted.hr, E_OUTOFMEMORY);
    EXPECT_FALSE(faulted.codeBlob || faulted.messageBlob);
    EXPECT_EQ(Compile("ps_main", "ps_4_0").hr, S_OK);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before);
    const std::vector<diagnostics::JournalEntry> journal = diagnostics::TakeJournal();
    ASSERT_GE(journal.size(), 2u);
    for (const diagnostics::JournalEntry& entry : journal)
        EXPECT_EQ(entry.operation, "D3DX11CompileFromFileA");
    EXPECT_EQ(journal[0].arguments, "file=main.fx entry=vs_main profile=vs_4_0 result=0x00000000");
    EXPECT_EQ(journal[1].arguments, "file=missing.fx entry=vs_main profile=vs_4_0 result=0x80070002");
}

// The processes this one started that have not been reaped: the compile
// worker while there is one, the only child process the tests start.
std::vector<pid_t> ChildProcesses()
{
    std::vector<pid_t> children;
    for (const fs::directory_entry& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream list(task.path() / "children");
        for (pid_t child = 0; list >> child;)
            children.push_back(child);
    }
    return children;
}

pid_t CompileWorker()
{
    const std::vector<pid_t> children = ChildProcesses();
    return children.empty() ? 0 : children.back();
}

TEST_F(CompileCall, AWorkerKilledOrStoppedFromOutsideIsNotBlamedOnTheFile)
{
    hlsl::CompileRequest request;
    request.file = "main.fx";
    request.source = kVertexShader;
    request.entryPoint = "vs_main";
    request.profile = "vs_4_0";
    ASSERT_FALSE(hlsl::CompileHlslIsolated(request).code.empty());
    const pid_t worker = CompileWorker();
    ASSERT_GT(worker, 0);

    // Stopped before it reads the request: it never answers.
    ASSERT_EQ(kill(worker, SIGSTOP), 0);
    const hlsl::IsolatedResult stopped = hlsl::CompileHlslIsolated(request, std::chrono::milliseconds(500));
    ASSERT_EQ(stopped.errors.size(), 1u);
    EXPECT_EQ(stopped.errors[0].message,
              "the compiler process was stopped from outside by SIGSTOP (Stopped (signal)) and did not finish; "
              "compile again");

    // Killed while the request waits: a fresh worker, stopped at once, holds
    // the request until the kill.
    ASSERT_FALSE(hlsl::CompileHlslIsolated(request).code.empty());
    const pid_t next = CompileWorker();
    ASSERT_GT(next, 0);
    ASSERT_EQ(kill(next, SIGSTOP), 0);
    auto killed = std::async(std::launch::async, [&] { return hlsl::CompileHlslIsolated(request); });
    // The request is sent at once; the worker cannot read it while stopped.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(kill(next, SIGKILL), 0);
    const hlsl::IsolatedResult result = killed.get();
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].message, "the compiler process was killed from outside by SIGKILL (Killed) before it "
                                        "finished; this says nothing about the file: compile again");
    EXPECT_FALSE(hlsl::CompileHlslIsolated(request).code.empty());
}


// A vertex stage under macros that double 40 times (2^40 terms): in a
// condition they only take time, in the code memory too.
std::string Doubling(bool inCode)
{
    std::string source = std::string("#define M0 ") + (inCode ? "1.0" : "1") + "\n";
    for (int level = 1; level <= 40; ++level)
        source += "#define M" + std::to_string(level) + " (M" + std::to_string(level - 1) + " + M"
                  + std::to_string(level - 1) + ")\n";
    if (!inCode)
        source += "#if M40 > 0\n#endif\n";
    return source + "float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, " + (inCode ? "M40" : "1")
           + "); }\n";
}

TEST_F(CompileCall, AWorkerPastItsTimeOrMemoryLimitIsStoppedAndGoneAndTheNextCompileRuns)
{
    const auto compile = [](std::string source, std::chrono::milliseconds limit) {
        const hlsl::IsolatedResult result =
            hlsl::CompileHlslIsolated({"main.fx", std::move(source), "vs_main", "vs_4_0", {}}, limit);
        return !result.code.empty() ? std::string("compiled") : hlsl::FormatDiagnostics(result.errors);
    };
    const std::string good = kVertexShader;
    ASSERT_EQ(compile(good, std::chrono::milliseconds(5000)), "compiled");
    EXPECT_EQ(ChildProcesses().size(), 1u) << "the worker";
    EXPECT_EQ(compile(Doubling(false), std::chrono::milliseconds(300)),
              "main.fx(1,1): error: compiling took more than 300 ms and was stopped\n");
    EXPECT_EQ(ChildProcesses().size(), 0u) << "the worker past its time is gone";
    // Time enough for the memory limit to come first on a loaded machine.
    EXPECT_EQ(compile(Doubling(true), std::chrono::minutes(2)),
              "main.fx(1,1): error: compiling took more than 384 MiB of memory and was stopped\n");
    EXPECT_EQ(ChildProcesses().size(), 0u) << "the worker past its memory is gone";
    EXPECT_EQ(compile(good, std::chrono::milliseconds(5000)), "compiled");
}

} // namespace
