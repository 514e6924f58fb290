#include "gfx/device_objects.h"

#include "platform/diagnostics/diagnostics.h"
#include "program_fixture.h"

#include <string>
#include <vector>

namespace {

using DeviceObjects = ProgramTest;

// Every object CreateDeviceObjects makes, in the order it makes them.
std::vector<const void*> ObjectsInCreationOrder()
{
    return {d3dswapchain, d3ddevice, d3dcontext, pBackBuffer, pBackBufferRTV, pDepthStencilTex, pDepthStencilView,
            pDepthTex, pDepthRTV, pDepthSRV, pSampler, pD3D9, pD3D9Device};
}

struct DeviceStep {
    const char* operation; // nothing injected when null
    int occurrence;
    HRESULT injected;
    const char* expectedLine; // after "ERROR : scene : "
    size_t objectsBefore; // how many objects exist when the step fails
};

// Numbers, labels and the null variant's three spaces as the error lines are
// documented; S_FALSE shows that any non-zero result is a failure.
const DeviceStep kDeviceSteps[] = {
    {nullptr, 0, S_OK, nullptr, 13},
    {"D3D11CreateDeviceAndSwapChain", 1, DXGI_ERROR_UNSUPPORTED, "341 0x887A0004 : D3D11CreateDeviceAndSwapChain\n", 0},
    {"GetBuffer", 1, E_NOINTERFACE, "347 0x80004002 : d3dswapchain GetBuffer\n", 3},
    {"CreateRenderTargetView", 1, E_INVALIDARG, "350 0x80070057 : CreateRenderTargetView Back Buffer\n", 4},
    {"CreateTexture2D", 1, E_OUTOFMEMORY, "356 0x8007000E : CreateTexture2D DepthStencilView\n", 5},
    {"CreateDepthStencilView", 1, E_INVALIDARG, "359 0x80070057 : CreateDepthStencilView\n", 6},
    {"CreateTexture2D", 2, E_OUTOFMEMORY, "365 0x8007000E : CreateTexture2D\n", 7},
    {"CreateRenderTargetView", 2, E_INVALIDARG, "368 0x80070057 : CreateRenderTargetView Depth Buffer\n", 8},
    {"CreateShaderResourceView", 1, E_INVALIDARG, "374 0x80070057 : CreateShaderResourceView Depth Buffer\n", 9},
    {"CreateSamplerState", 1, E_OUTOFMEMORY, "380 0x8007000E : CreateSamplerState\n", 10},
    {"CreateSamplerState", 1, S_FALSE, "380 0x00000001 : CreateSamplerState\n", 10},
    {"Direct3DCreate9", 1, E_FAIL, "386 NULL   : Direct3DCreate9\n", 11},
    {"CreateDevice", 1, D3DERR_NOTAVAILABLE, "389 0x8876086A : CreateDevice D3D9\n", 12},
};

} // namespace

TEST_F(DeviceObjects, EachFailingStepPrintsItsLineKeepsWhatWasMadeAndReleasesIt)
{
    for (const DeviceStep& step : kDeviceSteps) {
        const std::string expected = step.expectedLine ? std::string("ERROR : scene : ") + step.expectedLine : "";
        SCOPED_TRACE(expected);
        if (step.operation)
            diagnostics::InjectFault(step.operation, step.occurrence, step.injected);
        HRESULT result = 0;
        EXPECT_EQ(CaptureOutput([&] { result = CreateDeviceObjects(mainWindow); }), expected);
        EXPECT_EQ(result, step.injected);

        const std::vector<const void*> objects = ObjectsInCreationOrder();
        for (size_t i = 0; i < objects.size(); ++i)
            EXPECT_EQ(objects[i] != nullptr, i < step.objectsBefore) << "object " << i;

        for (int twice = 0; twice < 2; ++twice) {
            ReleaseDeviceObjects();
            EXPECT_EQ(diagnostics::LiveObjects(), 0);
            for (const void* object : ObjectsInCreationOrder())
                EXPECT_EQ(object, nullptr);
        }
        diagnostics::ClearFaults();
    }
}
