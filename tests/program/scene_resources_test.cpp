#include "resources/scene_resources.h"

#include "app/frame.h"
#include "gfx/device_objects.h"
#include "platform/diagnostics/diagnostics.h"
#include "program_fixture.h"
#include "resources/teapot_mesh.h"
#include "scene/random.h"
#include "scene/scene_constants.h"

#include <regex>
#include <string>
#include <vector>

namespace {

class SceneResources : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        ASSERT_EQ(CreateDeviceObjects(mainWindow), 0);
    }
};

std::vector<const void*> ResourcesInCreationOrder()
{
    return {pVSBlob, pGSBlob, pPSBlob, pVShader, pGShader, pPShader, pConstant, pInputLayout, pVertexScreen};
}

struct LoadStep {
    const char* operation;
    int occurrence;
    HRESULT injected;
    const char* expectedLine;
    size_t resourcesBefore;
    bool framesRender;
};

const LoadStep kLoadSteps[] = {
    {"D3DX11CompileFromFileA", 1, E_OUTOFMEMORY, "ERROR : scene : 408 0x8007000E : CompileShaderFromFile VS\n", 0,
     false},
    {"D3DX11CompileFromFileA", 2, E_OUTOFMEMORY, "ERROR : scene : 410 0x8007000E : CompileShaderFromFile GS\n", 1,
     false},
    {"D3DX11CompileFromFileA", 3, E_OUTOFMEMORY, "ERROR : scene : 412 0x8007000E : CompileShaderFromFile PS\n", 2,
     false},
    {"CreateVertexShader", 1, E_INVALIDARG, "ERROR : scene : 414 0x80070057 : CreateVertexShader\n", 3, false},
    {"CreateGeometryShader", 1, E_INVALIDARG, "ERROR : scene : 416 0x80070057 : CreateGeometryShader\n", 4, false},
    {"CreatePixelShader", 1, E_INVALIDARG, "ERROR : scene : 418 0x80070057 : CreatePixelShader\n", 5, false},
    {"CreateBuffer", 1, E_OUTOFMEMORY, "ERROR : scene : 422 0x8007000E : D3DX11CreateBuffer:pConstant\n", 6, false},
    {"CreateInputLayout", 1, E_INVALIDARG, "ERROR : scene : 427 0x80070057 : CreateInputLayout\n", 7, true},
    {"CreateBuffer", 2, E_OUTOFMEMORY, "ERROR : scene : 434 0x8007000E : D3DXCreateBuffer : pVertexScreen\n", 8, true},
};

} // namespace

TEST_F(SceneResources, CompleteLoadPrintsOnlyLoaded)
{
    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    for (const void* resource : ResourcesInCreationOrder())
        EXPECT_NE(resource, nullptr);
    EXPECT_EQ(pRSStage, nullptr);
    EXPECT_NE(meshBuffers.vertexBuffer, nullptr);
    EXPECT_NE(meshBuffers.indexBuffer, nullptr);
    EXPECT_EQ(meshBuffers.indexCount, 3u * 2256u);
    EXPECT_GT(meshBuffers.vertexCount, 1000u);
}

TEST_F(SceneResources, EachFailingStepPrintsItsLineAndStopsThere)
{
    for (const LoadStep& step : kLoadSteps) {
        SCOPED_TRACE(step.expectedLine);
        diagnostics::InjectFault(step.operation, step.occurrence, step.injected);
        EXPECT_EQ(CaptureOutput(LoadSceneResources), step.expectedLine);

        const std::vector<const void*> resources = ResourcesInCreationOrder();
        for (size_t i = 0; i < resources.size(); ++i)
            EXPECT_EQ(resources[i] != nullptr, i < step.resourcesBefore) << "resource " << i;
        EXPECT_EQ(meshBuffers.vertexBuffer, nullptr);
        EXPECT_EQ(meshBuffers.indexCount, 0u);

        // Frames either render (the clock moves, nothing printed) or print
        // the dump with the clock standing still.
        const std::string frame = CaptureOutput(RunFrame);
        if (step.framesRender) {
            EXPECT_EQ(frame, "");
            EXPECT_GT(sceneConstants.time, 0.0f);
        } else {
            EXPECT_EQ(frame.size(), std::string(kEmptyDump).size());
            EXPECT_NE(frame.find("pRSStage   = 00000000\n"), std::string::npos);
            EXPECT_EQ(sceneConstants.time, 0.0f);
        }

        ReleaseSceneResources();
        for (const void* resource : ResourcesInCreationOrder())
            EXPECT_EQ(resource, nullptr);
        diagnostics::ClearFaults();
    }
}

TEST_F(SceneResources, CompileErrorPrintsTheCompilerTextThenTheErrorLine)
{
    std::string broken = ShippedEffectFile();
    broken.insert(broken.find("VSOutput vs_main"), "this is not HLSL\n");
    WriteEffectFile(broken);

    const std::string output = CaptureOutput(LoadSceneResources);
    const std::regex expected("ERROR:CompileShaderFromFile : main\\.fx\\(\\d+,\\d+\\): error: [^\\n]*\\n"
                              "(main\\.fx\\(\\d+,\\d+\\): error: [^\\n]*\\n)*"
                              "\\n?"
                              "ERROR : scene : 408 0x80004005 : CompileShaderFromFile VS\\n");
    EXPECT_TRUE(std::regex_match(output, expected)) << output;
    EXPECT_EQ(pVSBlob, nullptr);
    EXPECT_EQ(CaptureOutput(RunFrame), kEmptyDump);
}

TEST_F(SceneResources, MissingFileIsReportedOnce)
{
    RemoveEffectFile();
    const std::string output = CaptureOutput(LoadSceneResources);
    const std::string errorLine = "ERROR : scene : 408 0x80070002 : CompileShaderFromFile VS\n";
    ASSERT_GE(output.size(), errorLine.size());
    EXPECT_EQ(output.substr(output.size() - errorLine.size()), errorLine);
    EXPECT_EQ(output.rfind("ERROR:CompileShaderFromFile : ", 0), 0u) << output;
    EXPECT_NE(output.find("main.fx"), std::string::npos);

    // Fixing the file and reloading starts rendering in that same frame, with
    // the clock restarted.
    RestoreEffectFile();
    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    EXPECT_EQ(CaptureOutput(RunFrame), "");
    EXPECT_EQ(sceneConstants.time, 0.01666666567325592f);
}

TEST_F(SceneResources, ReloadRestartsTheClockAndContinuesTheRandomSequence)
{
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    for (int frame = 0; frame < 5; ++frame)
        RunFrame();
    EXPECT_GT(sceneConstants.time, 0.0f);

    // Where the generator must stand after one more teapot: three draws per
    // vertex.
    const std::int32_t saved[3] = {randomA, randomB, randomC};
    for (UINT i = 0; i < 3 * meshBuffers.vertexCount; ++i)
        NextRandom();
    const std::int32_t expected[3] = {randomA, randomB, randomC};
    randomA = saved[0];
    randomB = saved[1];
    randomC = saved[2];

    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    EXPECT_EQ(sceneConstants.time, 0.0f);
    EXPECT_EQ(randomA, expected[0]);
    EXPECT_EQ(randomB, expected[1]);
    EXPECT_EQ(randomC, expected[2]);
}

TEST_F(SceneResources, TeapotIsOnlyBuiltIntoAnEmptyRecord)
{
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    const MeshBuffers before = meshBuffers;
    const std::int32_t randomBefore = randomB;
    EXPECT_EQ(LoadTeapotMesh(&meshBuffers), E_FAIL);
    EXPECT_EQ(LoadTeapotMesh(nullptr), E_FAIL);
    EXPECT_EQ(meshBuffers.vertexBuffer, before.vertexBuffer);
    EXPECT_EQ(meshBuffers.indexBuffer, before.indexBuffer);
    EXPECT_EQ(meshBuffers.indexCount, before.indexCount);
    EXPECT_EQ(randomB, randomBefore);
}

TEST_F(SceneResources, MissingTeapotStillCompletesTheLoad)
{
    diagnostics::InjectFault("D3DXCreateTeapot", 1, E_OUTOFMEMORY);
    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    EXPECT_EQ(meshBuffers.vertexBuffer, nullptr);
    EXPECT_EQ(meshBuffers.indexCount, 0u);
    // Pass 1 only clears, pass 2 still draws the quad.
    EXPECT_EQ(CaptureOutput(RunFrame), "");
}

TEST_F(SceneResources, FailedVertexLockStillCreatesTheBuffer)
{
    diagnostics::InjectFault("LockVertexBuffer", 1, D3DERR_INVALIDCALL);
    const std::int32_t randomBefore = randomB;
    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    EXPECT_NE(meshBuffers.vertexBuffer, nullptr);
    EXPECT_NE(meshBuffers.indexBuffer, nullptr);
    EXPECT_EQ(randomB, randomBefore) << "no offsets are drawn without the copy";
}
