#include "program_fixture.h"

#include "gfx/device_objects.h"
#include "platform/diagnostics/diagnostics.h"
#include "resources/scene_resources.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

const char kEmptyDump[] = "pVShader   = 00000000\npGShader   = 00000000\npPShader   = 00000000\n"
                          "pConstant  = 00000000\npRSStage   = 00000000\n";

void ProgramTest::SetUpTestSuite()
{
    if (mainWindow)
        return;
    char pattern[] = "/tmp/fxdemo-program-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::filesystem::current_path(pattern);
    // The directory goes when the test process ends (a compile worker ends
    // with _exit and leaves it alone).
    static const std::filesystem::path scratch = pattern;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::current_path(scratch.parent_path(), ignored);
        std::filesystem::remove_all(scratch, ignored);
    });
    windowClass.hInstance = GetModuleHandleA(nullptr);
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    mainWindow = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0, 1280,
                                 720, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(mainWindow, nullptr);
}

void ProgramTest::SetUp()
{
    diagnostics::Reset();
    RestoreEffectFile();
}

void ProgramTest::TearDown()
{
    ReleaseSceneResources();
    ReleaseDeviceObjects();
    diagnostics::ClearFaults();
    EXPECT_EQ(diagnostics::LiveObjects(), 0) << "objects left alive after both release routines";
}

std::string ProgramTest::CaptureOutput(const std::function<void()>& action)
{
    std::fflush(stdout);
    ::testing::internal::CaptureStdout();
    action();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

std::string ProgramTest::ReadTestFile(const std::filesystem::path& path)
{
    std::ifstream in(std::filesystem::path(FXDEMO_SOURCE_DIR) / path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ProgramTest::WriteEffectFile(const std::string& text)
{
    std::ofstream("main.fx", std::ios::binary | std::ios::trunc) << text;
}

void ProgramTest::StartProgram()
{
    ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
}
