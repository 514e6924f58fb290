// Creating the device and swap chain, the back buffer, full-screen requests,
// and object lifetimes around the device.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/readback.h"
#include "platform/win32/window_handle.h"

#include <SDL.h>
#include <gmock/gmock.h>

#include <tuple>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;

class DeviceTest : public D3D11Test {
protected:
    // Calls D3D11CreateDeviceAndSwapChain with the program's arguments, some
    // changed, and expects every output null on failure.
    HRESULT Create(const DXGI_SWAP_CHAIN_DESC* desc, UINT sdkVersion = D3D11_SDK_VERSION,
                   D3D_DRIVER_TYPE driver = D3D_DRIVER_TYPE_HARDWARE, const D3D_FEATURE_LEVEL* levels = nullptr,
                   UINT levelCount = 0)
    {
        IDXGISwapChain* swapChain = reinterpret_cast<IDXGISwapChain*>(1);
        ID3D11Device* device = reinterpret_cast<ID3D11Device*>(1);
        ID3D11DeviceContext* context = reinterpret_cast<ID3D11DeviceContext*>(1);
        const HRESULT result = D3D11CreateDeviceAndSwapChain(nullptr, driver, nullptr, 0, levels, levelCount,
                                                             sdkVersion, desc, &swapChain, &device, &created_, &context);
        for (IUnknown* object : {static_cast<IUnknown*>(swapChain), static_cast<IUnknown*>(device),
                                 static_cast<IUnknown*>(context)})
            if (FAILED(result))
                EXPECT_EQ(object, nullptr);
            else
                object->Release();
        return result;
    }

    D3D_FEATURE_LEVEL created_{};
};

TEST_F(DeviceTest, ReportsFeatureLevel11AndTheBackBufferAsBufferZeroOfTheDescribedSize)
{
    EXPECT_EQ(Create(nullptr), E_INVALIDARG);
    const DXGI_SWAP_CHAIN_DESC desc = ProgramSwapChainDesc();
    ASSERT_EQ(Create(&desc), S_OK);
    EXPECT_EQ(created_, D3D_FEATURE_LEVEL_11_0);
    const D3D_FEATURE_LEVEL lower[] = {static_cast<D3D_FEATURE_LEVEL>(0xb100), D3D_FEATURE_LEVEL_10_1};
    ASSERT_EQ(Create(&desc, D3D11_SDK_VERSION, D3D_DRIVER_TYPE_HARDWARE, lower, 2), S_OK);
    EXPECT_EQ(created_, D3D_FEATURE_LEVEL_10_1);

    ID3D11Texture2D* backBuffer = nullptr;
    ASSERT_EQ(swapChain_->GetBuffer(0, IID_ID3D11Texture2D, reinterpret_cast<void**>(&backBuffer)), S_OK);
    std::vector<std::uint8_t> bytes;
    UINT width = 0, height = 0;
    DXGI_FORMAT format{};
    ASSERT_TRUE(d3d11::ReadTexels(backBuffer, &bytes, &width, &height, &format));
    EXPECT_EQ(std::tuple(width, height, format), std::tuple(1280u, 720u, DXGI_FORMAT_R8G8B8A8_UNORM));
    // The back buffer is a render target and nothing else.
    ID3D11ShaderResourceView* view = nullptr;
    EXPECT_EQ(device_->CreateShaderResourceView(backBuffer, nullptr, &view), E_INVALIDARG);
    EXPECT_TRUE(MakeTargetView(backBuffer).get());
    backBuffer->Release();

    // The swap chain stays windowed and answers only buffer 0 as a 2D texture.
    EXPECT_EQ(swapChain_->SetFullscreenState(TRUE, nullptr), DXGI_ERROR_UNSUPPORTED);
    EXPECT_EQ(swapChain_->SetFullscreenState(FALSE, nullptr), S_OK);
    void* surface = reinterpret_cast<void*>(1);
    EXPECT_EQ(swapChain_->GetBuffer(1, IID_ID3D11Texture2D, &surface), DXGI_ERROR_INVALID_CALL);
    EXPECT_EQ(surface, nullptr);
    const IID other = {0x6F15AAF2, 0xD208, 0x4E89, {0x9A, 0xB4, 0x48, 0x95, 0x35, 0xD3, 0x4F, 0x9D}};
    surface = reinterpret_cast<void*>(1);
    EXPECT_EQ(swapChain_->GetBuffer(0, other, &surface), E_NOINTERFACE);
    EXPECT_EQ(surface, nullptr);

    diagnostics::InjectFault("GetBuffer", 1, E_OUTOFMEMORY);
    EXPECT_EQ(swapChain_->GetBuffer(0, IID_ID3D11Texture2D, &surface), E_OUTOFMEMORY);
    EXPECT_EQ(surface, nullptr);
    ASSERT_EQ(swapChain_->GetBuffer(0, IID_ID3D11Texture2D, &surface), S_OK);
    static_cast<ID3D11Texture2D*>(surface)->Release();
}

TEST_F(DeviceTest, RejectsArgumentsAndWindowsWithoutGlWithDirect3DResultCodes)
{
    const DXGI_SWAP_CHAIN_DESC program = ProgramSwapChainDesc();
    EXPECT_EQ(Create(&program, 6), E_INVALIDARG);
    EXPECT_EQ(Create(&program, D3D11_SDK_VERSION, D3D_DRIVER_TYPE_UNKNOWN), E_INVALIDARG);
    const D3D_FEATURE_LEVEL unknown[] = {static_cast<D3D_FEATURE_LEVEL>(0xc000)};
    EXPECT_EQ(Create(&program, D3D11_SDK_VERSION, D3D_DRIVER_TYPE_HARDWARE, unknown, 1), E_INVALIDARG);
    EXPECT_EQ(Create(&program, D3D11_SDK_VERSION, D3D_DRIVER_TYPE_HARDWARE, unknown, 0), E_INVALIDARG);

    const auto changed = [&](auto change) {
        DXGI_SWAP_CHAIN_DESC desc = program;
        change(desc);
        return Create(&desc);
    };
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.BufferDesc.Format = DXGI_FORMAT_R32G32B32A32_FLOAT; }),
              E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.SampleDesc.Count = 4; }), E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.BufferCount = 0; }), E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.SwapEffect = static_cast<DXGI_SWAP_EFFECT>(1); }), E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.OutputWindow = nullptr; }), E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.OutputWindow = reinterpret_cast<HWND>(0x7777); }),
              E_INVALIDARG);
    EXPECT_EQ(changed([](DXGI_SWAP_CHAIN_DESC& d) { d.Windowed = FALSE; }), DXGI_ERROR_UNSUPPORTED);
    diagnostics::InjectFault("D3D11CreateDeviceAndSwapChain", 1, static_cast<HRESULT>(0x887A0004));
    EXPECT_EQ(Create(&program), static_cast<HRESULT>(0x887A0004));
    EXPECT_EQ(diagnostics::LiveObjects(), 4); // the fixture's: swap chain, back buffer, device, context

    // A window that cannot have a GL context.
    SDL_Window* plain = SDL_CreateWindow("no gl", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(plain, nullptr);
    DXGI_SWAP_CHAIN_DESC desc = ProgramSwapChainDesc();
    desc.OutputWindow = win32::HandleFromWindow(plain);
    diagnostics::EnableJournal(true);
    EXPECT_EQ(Create(&desc), DXGI_ERROR_UNSUPPORTED);
    SDL_DestroyWindow(plain);
    const auto entries = Entries("D3D11CreateDeviceAndSwapChain");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_THAT(entries[0].arguments, HasSubstr("error=the window cannot have an OpenGL 4.5 core context"));
}

TEST_F(DeviceTest, ResetRestartsObjectLabelsAndObjectsOutliveADeviceReleasedBeforeThem)
{
    // Labels number the objects of each interface from the last Reset, so
    // that journals do not depend on earlier tests.
    Owned<ID3D11Buffer> before = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 24, nullptr);
    Owned<ID3D11Buffer> second = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 24, nullptr);
    EXPECT_EQ(diagnostics::ObjectLabel(before.get()), "ID3D11Buffer#1");
    EXPECT_EQ(diagnostics::ObjectLabel(second.get()), "ID3D11Buffer#2");
    diagnostics::Reset();
    Owned<ID3D11Buffer> after = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 24, nullptr);
    EXPECT_EQ(diagnostics::ObjectLabel(after.get()), "ID3D11Buffer#1");
    before.Reset();
    second.Reset();
    after.Reset();

    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET);
    Owned<ID3D11RenderTargetView> view = MakeTargetView(texture.get());
    device_->Release();
    device_ = nullptr;
    swapChain_->Release();
    swapChain_ = nullptr;
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Device"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("IDXGISwapChain"), 0);

    const float colour[4] = {0.5f, 0.25f, 0.125f, 1};
    context_->ClearRenderTargetView(view.get(), colour);
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 7, 7), {0.5f, 0.25f, 0.125f, 1}));
    texture.Reset();
    view.Reset();
    EXPECT_EQ(diagnostics::LiveObjects(), 1); // the context
}

} // namespace
} // namespace d3d11_test
