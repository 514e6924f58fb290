// Direct3DCreate9 and IDirect3D9::CreateDevice: what is accepted, what is
// refused and why (as the journal tells it), and injected faults.

#include "tests/platform/d3d9/d3d9_test_support.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

HWND__ deviceWindow{};

struct CreateDeviceArguments {
    UINT adapter = D3DADAPTER_DEFAULT;
    D3DDEVTYPE type = D3DDEVTYPE_HAL;
    bool focusWindow = true;
    DWORD flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    D3DPRESENT_PARAMETERS pp = ProgramPresentParameters();
    bool nullParameters = false;
    bool nullOutput = false;
};

using Change = void (*)(CreateDeviceArguments&);

void MakeFullScreen(D3DPRESENT_PARAMETERS& pp)
{
    pp.Windowed = FALSE;
    pp.BackBufferWidth = 1280;
    pp.BackBufferHeight = 720;
    pp.FullScreen_RefreshRateInHz = 60;
}

class DeviceTest : public D3D9Test {
protected:
    // Calls CreateDevice with the changed arguments on a fresh Direct3D 9
    // object; the device pointer starts non-null to see that it is cleared.
    HRESULT CreateWith(Change change, IDirect3DDevice9** device)
    {
        CreateDeviceArguments a;
        change(a);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        EXPECT_NE(d3d, nullptr);
        if (!d3d)
            return E_FAIL;
        *device = reinterpret_cast<IDirect3DDevice9*>(&deviceWindow);
        const HRESULT hr = d3d->CreateDevice(a.adapter, a.type, a.focusWindow ? Window() : nullptr, a.flags,
                                             a.nullParameters ? nullptr : &a.pp, a.nullOutput ? nullptr : device);
        d3d->Release();
        return hr;
    }
};

TEST_F(DeviceTest, Direct3DCreate9TakesOnlyTheSdkVersion)
{
    for (UINT version : {0u, 31u, 33u, 0xFFFFFFFFu})
        EXPECT_EQ(Direct3DCreate9(version), nullptr) << version;

    IDirect3D9* d3d = Direct3DCreate9(32);
    ASSERT_NE(d3d, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3D9"), 1);
    EXPECT_EQ(d3d->Release(), 0u);

    // The version the Windows headers pass with D3D_DEBUG_INFO.
    IDirect3D9* debug = Direct3DCreate9(32 | 0x80000000u);
    ASSERT_NE(debug, nullptr);
    debug->Release();
}

TEST_F(DeviceTest, AcceptsTheDocumentedVariants)
{
    const Change variants[] = {
        [](CreateDeviceArguments& a) { a.focusWindow = false, a.pp.hDeviceWindow = &deviceWindow; },
        [](CreateDeviceArguments& a) { a.pp.BackBufferCount = 0; },
        [](CreateDeviceArguments& a) { a.pp.BackBufferCount = D3DPRESENT_BACK_BUFFERS_MAX; },
        [](CreateDeviceArguments& a) { a.flags = D3DCREATE_MIXED_VERTEXPROCESSING | D3DCREATE_FPU_PRESERVE; },
        [](CreateDeviceArguments& a) { a.pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES; },
        [](CreateDeviceArguments& a) { MakeFullScreen(a.pp), a.pp.PresentationInterval = D3DPRESENT_INTERVAL_TWO; },
    };
    for (std::size_t i = 0; i < std::size(variants); ++i) {
        IDirect3DDevice9* device = nullptr;
        EXPECT_EQ(CreateWith(variants[i], &device), S_OK) << "variant " << i;
        ASSERT_NE(device, nullptr) << "variant " << i;
        device->Release();
    }
}

struct Refusal {
    const char* name;
    const char* reason; // part of the reason the journal gives
    Change change;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const Refusal& refusal, std::ostream* out)
{
    *out << refusal.name;
}

class DeviceRefusal : public DeviceTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(DeviceRefusal, IsInvalidCallWithNoDevice)
{
    diagnostics::EnableJournal(true);
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(CreateWith(GetParam().change, &device), D3DERR_INVALIDCALL);
    if (std::string(GetParam().name) != "NullOutput") {
        EXPECT_EQ(device, nullptr);
    }
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3DDevice9"), 0);

    const std::vector<diagnostics::JournalEntry> journal = diagnostics::TakeJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_NE(journal.back().arguments.find(GetParam().reason), std::string::npos) << journal.back().arguments;
}

// clang-format off
const Refusal kRefusals[] = {
    {"NullOutput", "out-pointer", [](CreateDeviceArguments& a) { a.nullOutput = true; }},
    {"NullPresentParameters", "parameters are null", [](CreateDeviceArguments& a) { a.nullParameters = true; }},
    {"SecondAdapter", "no such adapter", [](CreateDeviceArguments& a) { a.adapter = 1; }},
    {"ReferenceDevice", "hardware device type", [](CreateDeviceArguments& a) { a.type = D3DDEVTYPE_REF; }},
    {"NoVertexProcessing", "vertex processing flag", [](CreateDeviceArguments& a) { a.flags = D3DCREATE_FPU_PRESERVE; }},
    {"TwoVertexProcessings", "vertex processing flag", [](CreateDeviceArguments& a) { a.flags |= D3DCREATE_SOFTWARE_VERTEXPROCESSING; }},
    {"PureSoftwareDevice", "pure device", [](CreateDeviceArguments& a) { a.flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE; }},
    {"NoWindow", "neither a focus window", [](CreateDeviceArguments& a) { a.focusWindow = false; }},
    {"FullScreenWithoutFocus", "needs a focus window", [](CreateDeviceArguments& a) {
        a.focusWindow = false, a.pp.hDeviceWindow = &deviceWindow, MakeFullScreen(a.pp); }},
    {"FourBackBuffers", "more than three", [](CreateDeviceArguments& a) { a.pp.BackBufferCount = 4; }},
    {"UnknownSwapEffect", "unknown swap effect", [](CreateDeviceArguments& a) { a.pp.SwapEffect = static_cast<D3DSWAPEFFECT>(9); }},
    {"CopyWithTwoBackBuffers", "copy swap effect", [](CreateDeviceArguments& a) { a.pp.SwapEffect = D3DSWAPEFFECT_COPY, a.pp.BackBufferCount = 2; }},
    {"MultisampleWithFlip", "needs the discard", [](CreateDeviceArguments& a) {
        a.pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES, a.pp.SwapEffect = D3DSWAPEFFECT_FLIP; }},
    {"UnknownMultisampleType", "unknown multisample", [](CreateDeviceArguments& a) { a.pp.MultiSampleType = static_cast<D3DMULTISAMPLE_TYPE>(17); }},
    {"MultisampleQuality", "quality", [](CreateDeviceArguments& a) { a.pp.MultiSampleQuality = 1; }},
    {"DepthFormatBackBuffer", "not usable in a window", [](CreateDeviceArguments& a) { a.pp.BackBufferFormat = D3DFMT_D16; }},
    {"FullScreenUnknownFormat", "not a display format", [](CreateDeviceArguments& a) { MakeFullScreen(a.pp), a.pp.BackBufferFormat = D3DFMT_UNKNOWN; }},
    {"FullScreenWithoutSize", "needs a size", [](CreateDeviceArguments& a) { MakeFullScreen(a.pp), a.pp.BackBufferHeight = 0; }},
    {"WindowedRefreshRate", "no refresh rate", [](CreateDeviceArguments& a) { a.pp.FullScreen_RefreshRateInHz = 60; }},
    {"WindowedIntervalTwo", "presentation interval", [](CreateDeviceArguments& a) { a.pp.PresentationInterval = D3DPRESENT_INTERVAL_TWO; }},
    {"ColourDepthStencil", "not a depth format", [](CreateDeviceArguments& a) { a.pp.AutoDepthStencilFormat = D3DFMT_X8R8G8B8; }},
};
// clang-format on

std::string RefusalName(const ::testing::TestParamInfo<Refusal>& refusal)
{
    return refusal.param.name;
}

INSTANTIATE_TEST_SUITE_P(CreateDevice, DeviceRefusal, ::testing::ValuesIn(kRefusals), RefusalName);

TEST_F(DeviceTest, InjectedFaultsFailWithTheChosenResult)
{
    diagnostics::InjectFault("Direct3DCreate9", 1, E_FAIL);
    EXPECT_EQ(Direct3DCreate9(D3D_SDK_VERSION), nullptr);

    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    diagnostics::InjectFault("CreateDevice", 1, D3DERR_NOTAVAILABLE);
    D3DPRESENT_PARAMETERS pp = ProgramPresentParameters();
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(&deviceWindow);
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, Window(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("IDirect3DDevice9"), 0);

    // The fault was used up: the next call succeeds.
    EXPECT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, Window(), D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device), S_OK);
    ASSERT_NE(device, nullptr);
    device->Release();
    d3d->Release();
}

} // namespace
