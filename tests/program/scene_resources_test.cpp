#include "resources/scene_resources.h"

#include "app/frame.h"
#include "gfx/device_objects.h"
#include "platform/diagnostics/diagnostics.h"
#include "program_fixture.h"
#include "resources/teapot_mesh.h"
#include "scene/random.h"
#include "scene/scene_constants.h"

#include <cstring>
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
    const char* operation; // nothing injected when null
    int occurrence;
    HRESULT injected;
    const char* expectedOutput;
    size_t resourcesBefore; // frames render once the first seven exist
};

const LoadStep kLoadSteps[] = {
    {nullptr, 0, S_OK, "Loaded.\n", 9},
    {"D3DX11CompileFromFileA", 1, E_OUTOFMEMORY, "ERROR : scene : 408 0x8007000E : CompileShaderFromFile VS\n", 0},
    {"D3DX11CompileFromFileA", 2, E_OUTOFMEMORY, "ERROR : scene : 410 0x8007000E : CompileShaderFromFile GS\n", 1},
    {"D3DX11CompileFromFileA", 3, E_OUTOFMEMORY, "ERROR : scene : 412 0x8007000E : CompileShaderFromFile PS\n", 2},
    {"CreateVertexShader", 1, E_INVALIDARG, "ERROR : scene : 414 0x80070057 : CreateVertexShader\n", 3},
    {"CreateGeometryShader", 1, E_INVALIDARG, "ERROR : scene : 416 0x80070057 : CreateGeometryShader\n", 4},
    {"CreatePixelShader", 1, E_INVALIDARG, "ERROR : scene : 418 0x80070057 : CreatePixelShader\n", 5},
    {"CreateBuffer", 1, E_OUTOFMEMORY, "ERROR : scene : 422 0x8007000E : D3DX11CreateBuffer:pConstant\n", 6},
    {"CreateInputLayout", 1, E_INVALIDARG, "ERROR : scene : 427 0x80070057 : CreateInputLayout\n", 7},
    {"CreateBuffer", 2, E_OUTOFMEMORY, "ERROR : scene : 434 0x8007000E : D3DXCreateBuffer : pVertexScreen\n", 8},
    // Without a mesh the load still completes, and pass 2 still draws.
    {"D3DXCreateTeapot", 1, E_OUTOFMEMORY, "Loaded.\n", 9},
};

} // namespace

TEST_F(SceneResources, EachFailingStepPrintsItsLineAndStopsThere)
{
    for (const LoadStep& step : kLoadSteps) {
        SCOPED_TRACE(step.expectedOutput);
        if (step.operation)
            diagnostics::InjectFault(step.operation, step.occurrence, step.injected);
        EXPECT_EQ(CaptureOutput(LoadSceneResources), step.expectedOutput);
        const std::vector<const void*> resources = ResourcesInCreationOrder();
        for (size_t i = 0; i < resources.size(); ++i)
            EXPECT_EQ(resources[i] != nullptr, i < step.resourcesBefore) << "resource " << i;
        EXPECT_EQ(pRSStage, nullptr);
        EXPECT_EQ(meshBuffers.vertexBuffer != nullptr, !step.operation);
        EXPECT_EQ(meshBuffers.indexCount, step.operation ? 0u : 3u * 2256u);

        // Frames either render (the clock moves, nothing printed) or print
        // the dump, where the shaders and the constant buffer (resources 3
        // to 6) show as present or absent, with the clock standing still.
        const bool renders = step.resourcesBefore >= 7;
        std::string dump;
        for (size_t line = 0; line < 5; ++line)
            dump += std::string(kEmptyDump + 22 * line, 13)
                    + (3 + line < step.resourcesBefore ? "(?!0{8})[0-9A-F]{8}\n" : "0{8}\n");
        const std::string frame = CaptureOutput(RunFrame);
        EXPECT_TRUE(std::regex_match(frame, std::regex(renders ? "" : dump))) << frame;
        EXPECT_EQ(sceneConstants.time, renders ? 0.016666666f : 0.0f);

        ReleaseSceneResources();
        for (const void* resource : ResourcesInCreationOrder())
            EXPECT_EQ(resource, nullptr);
        diagnostics::ClearFaults();
    }
}

TEST_F(SceneResources, TeapotIsOnlyBuiltIntoAnEmptyRecordAndNotJitteredWithoutItsData)
{
    ASSERT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    const MeshBuffers before = meshBuffers;
    const std::int32_t randomBefore = randomB;
    EXPECT_EQ(LoadTeapotMesh(&meshBuffers), E_FAIL);
    EXPECT_EQ(LoadTeapotMesh(nullptr), E_FAIL);
    EXPECT_EQ(std::memcmp(&meshBuffers, &before, sizeof before), 0);
    EXPECT_EQ(randomB, randomBefore);

    // A failed lock copies nothing and draws no offsets; the buffers are
    // still made.
    diagnostics::InjectFault("LockVertexBuffer", 1, D3DERR_INVALIDCALL);
    EXPECT_EQ(CaptureOutput(LoadSceneResources), "Loaded.\n");
    EXPECT_NE(meshBuffers.vertexBuffer, nullptr);
    EXPECT_NE(meshBuffers.indexBuffer, nullptr);
    EXPECT_EQ(randomB, randomBefore);
}
