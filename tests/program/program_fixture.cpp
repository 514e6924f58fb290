#include "program_fixture.h"

#include "app/window.h"
#include "gfx/device_objects.h"
#include "platform/diagnostics/diagnostics.h"
#include "resources/scene_resources.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

const char kEmptyDump[] =
    "pVShader   = 00000000\n"
    "pGShader   = 00000000\n"
    "pPShader   = 00000000\n"
    "pConstant  = 00000000\n"
    "pRSStage   = 00000000\n";

namespace {

std::filesystem::path workDirectory;

} // namespace

void ProgramTest::SetUpTestSuite()
{
    if (!workDirectory.empty())
        return;
    char pattern[] = "/tmp/fxdemo-program-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    workDirectory = pattern;
    std::filesystem::current_path(workDirectory);
    RestoreEffectFile();

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

std::string ProgramTest::ShippedEffectFile()
{
    std::ifstream in(std::filesystem::path(FXDEMO_SOURCE_DIR) / "shaders" / "main.fx", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ProgramTest::WriteEffectFile(const std::string& text)
{
    std::ofstream out("main.fx", std::ios::binary | std::ios::trunc);
    out << text;
}

void ProgramTest::RestoreEffectFile()
{
    WriteEffectFile(ShippedEffectFile());
}

void ProgramTest::RemoveEffectFile()
{
    std::filesystem::remove("main.fx");
}

void ProgramTest::StartProgram()
{
    ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
}
