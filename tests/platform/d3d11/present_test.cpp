// Presenting: the 1280 x 720 back buffer scaled into a smaller window the
// right way up, and a window that is gone before the last frame.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/d3d11/readback.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <gmock/gmock.h>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;

class PresentTest : public D3D11Test {
protected:
    void SetUp() override
    {
        // The program's window: its client area is smaller than the buffers.
        OpenWindowAndDevice(kClientWidth, kClientHeight);
        ASSERT_EQ(swapChain_->GetBuffer(0, IID_ID3D11Texture2D, reinterpret_cast<void**>(target_.texture.out())), S_OK);
        target_.rtv = MakeTargetView(target_.texture.get());
    }

    // The top half red, the bottom half blue.
    void DrawTopHalf()
    {
        const float blue[4] = {0, 0, 1, 1};
        context_->ClearRenderTargetView(target_.rtv.get(), blue);
        BindColourPipeline(Rectangle(-1, 1, 1, 0), {{0, 0, 0, 0}, {1, 0, 0, 1}});
        context_->OMSetRenderTargets(1, target_.rtv.address(), nullptr);
        SetViewport();
        context_->Draw(6, 0);
    }

    static std::array<std::uint8_t, 4> WindowPixel(int x, int rowFromTop)
    {
        std::array<std::uint8_t, 4> pixel{};
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadPixels(x, kClientHeight - 1 - rowFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
        return pixel;
    }

    static constexpr int kClientWidth = 1264, kClientHeight = 681;
};

TEST_F(PresentTest, ScalesTheBackBufferIntoTheClientAreaRightWayUpUntilTheWindowIsGone)
{
    DrawTopHalf();
    diagnostics::EnableJournal(true);
    ASSERT_EQ(swapChain_->Present(0, 0), S_OK);
    const auto presents = Entries("Present");
    ASSERT_EQ(presents.size(), 1u);
    EXPECT_THAT(presents[0].arguments, HasSubstr("drawable_width=1264 drawable_height=681"));

    // The offscreen driver's surface keeps what was presented.
    const std::array<std::uint8_t, 4> red = {255, 0, 0, 255}, blue = {0, 0, 255, 255};
    EXPECT_EQ(WindowPixel(10, 10), red);
    EXPECT_EQ(WindowPixel(kClientWidth - 10, kClientHeight / 2 - 10), red);
    EXPECT_EQ(WindowPixel(10, kClientHeight / 2 + 10), blue);
    EXPECT_EQ(WindowPixel(kClientWidth - 1, kClientHeight - 1), blue);

    // The sync interval sets vertical sync; unknown arguments are refused.
    ASSERT_EQ(swapChain_->Present(1, 0), S_OK);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
    ASSERT_EQ(swapChain_->Present(0, 0), S_OK);
    EXPECT_EQ(SDL_GL_GetSwapInterval(), 0);
    EXPECT_EQ(swapChain_->Present(5, 0), DXGI_ERROR_INVALID_CALL);
    EXPECT_EQ(swapChain_->Present(0, 0x4), DXGI_ERROR_INVALID_CALL);

    // The program's last frame runs after its window was destroyed.
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    diagnostics::TakeJournal();
    const float white[4] = {1, 1, 1, 1};
    context_->ClearRenderTargetView(target_.rtv.get(), white);
    context_->Draw(6, 0);
    EXPECT_EQ(swapChain_->Present(0, 0), S_OK);
    EXPECT_THAT(Entries("Present").at(0).arguments, HasSubstr("skipped=the window is gone"));
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(d3d11::ReadTexels(target_.texture.get(), &bytes, nullptr, nullptr, nullptr));
}

} // namespace
} // namespace d3d11_test
