// The frame loop run for a long time, with the shader program reloaded over
// and over: nothing may leak and memory must stay flat.

#include "process_memory.h"
#include "program_fixture.h"

#include "app/frame.h"
#include "app/window.h"
#include "platform/diagnostics/diagnostics.h"
#include "platform/win32/test_support.h"
#include "resources/scene_resources.h"
#include "scene/scene_constants.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using robustness::AddressSanitized;
using robustness::HeapBytesInUse;
using robustness::kMiB;
using robustness::ResidentBytes;

// Growth allowed once the program has warmed up.
constexpr std::size_t kAllowedGrowth = 1 * kMiB;

int SoakFrames()
{
    // A shorter run can be asked for where every frame is slow (a sanitized
    // build); the memory and leak checks are the same.
    if (const char* frames = std::getenv("FXDEMO_SOAK_FRAMES"))
        return std::max(std::atoi(frames), 2000);
    return 20000;
}

// The highest reading after the baseline, and the baseline itself.
struct Growth {
    std::size_t baseline = 0;
    std::size_t highest = 0;

    void Start(std::size_t value) { baseline = highest = value; }
    void Sample(std::size_t value) { highest = std::max(highest, value); }
    std::size_t Amount() const { return highest - baseline; }
};

std::string MiB(std::size_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f MiB", static_cast<double>(bytes) / static_cast<double>(kMiB));
    return text;
}

using Soak = ProgramTest;

TEST_F(Soak, FramesWithAReloadEveryTenthLeakNothingAndStayFlat)
{
    constexpr int kReloadEvery = 10;
    constexpr int kWarmUpFrames = 1000;
    constexpr int kBlock = 1000; // frames per captured block of output
    constexpr int kSampleEvery = 100;
    const int frames = SoakFrames();

    ShowWindow(mainWindow, SW_SHOW);
    UpdateWindow(mainWindow);
    StartProgram();
    const int liveAfterLoad = diagnostics::LiveObjects();

    Growth resident, heap;
    const std::string blockOutput = [] {
        std::string expected;
        for (int i = 0; i < kBlock / kReloadEvery; ++i)
            expected += "Loaded.\n";
        return expected;
    }();
    const auto started = std::chrono::steady_clock::now();
    for (int block = 0; block < frames / kBlock; ++block) {
        const std::string output = CaptureOutput([&] {
            for (int i = 0; i < kBlock; ++i) {
                const int frame = block * kBlock + i;
                if (frame % kReloadEvery == 0)
                    LoadSceneResources();
                DrainMessages();
                RunFrame();
                if (frame + 1 == kWarmUpFrames) {
                    resident.Start(ResidentBytes());
                    heap.Start(HeapBytesInUse());
                } else if (frame + 1 > kWarmUpFrames && (frame + 1) % kSampleEvery == 0) {
                    resident.Sample(ResidentBytes());
                    heap.Sample(HeapBytesInUse());
                }
            }
        });
        // Every reload succeeds and every frame renders: nothing but
        // "Loaded." is printed, never the pipeline dump.
        ASSERT_EQ(output, blockOutput) << "frames " << block * kBlock << " to " << (block + 1) * kBlock;
        ASSERT_EQ(diagnostics::LiveObjects(), liveAfterLoad) << "after frame " << (block + 1) * kBlock;
        ASSERT_GT(sceneConstants.time, 0.0f);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    std::printf("soak: %d frames, %d reloads in %.1f s (%.2f ms a frame); resident %s -> at most %s, heap %s -> "
                "at most %s after frame %d\n",
                frames, frames / kReloadEvery, seconds, 1000.0 * seconds / frames, MiB(resident.baseline).c_str(),
                MiB(resident.highest).c_str(), MiB(heap.baseline).c_str(), MiB(heap.highest).c_str(),
                kWarmUpFrames);
    EXPECT_LE(heap.Amount(), kAllowedGrowth) << "the heap grew by " << MiB(heap.Amount());
    // AddressSanitizer's quarantine holds freed blocks (256 MiB of them by
    // default) before reusing their memory, so resident memory keeps rising
    // there long after the program has reached its steady state; its heap
    // figure above leaves the quarantine out, and LeakSanitizer checks at
    // exit what was never freed.
    if (!AddressSanitized()) {
        EXPECT_LE(resident.Amount(), kAllowedGrowth) << "resident memory grew by " << MiB(resident.Amount());
    }
}

TEST_F(Soak, HoldingF5ReloadsOnEveryFrameWithoutGrowth)
{
    constexpr int kFrames = 100;
    constexpr int kWarmUpFrames = 10;
    StartProgram();
    const int liveAfterLoad = diagnostics::LiveObjects();

    ASSERT_TRUE(win32::InjectKey(VK_F5, true));
    Growth resident, heap;
    for (int frame = 1; frame <= kFrames; ++frame) {
        SCOPED_TRACE("frame " + std::to_string(frame));
        DrainMessages();
        ASSERT_EQ(CaptureOutput(RunFrame), "Loaded.\n");
        ASSERT_EQ(diagnostics::LiveObjects(), liveAfterLoad);
        EXPECT_EQ(sceneConstants.time, 0.01666666567325592f) << "each reload restarts the clock";
        if (frame == kWarmUpFrames) {
            resident.Start(ResidentBytes());
            heap.Start(HeapBytesInUse());
        } else if (frame > kWarmUpFrames) {
            resident.Sample(ResidentBytes());
            heap.Sample(HeapBytesInUse());
        }
    }
    ASSERT_TRUE(win32::InjectKey(VK_F5, false));
    GetAsyncKeyState(VK_F5); // take the last press
    EXPECT_EQ(CaptureOutput(RunFrame), "") << "released: no more reloads";

    std::printf("held F5: resident %s -> at most %s, heap %s -> at most %s after frame %d\n",
                MiB(resident.baseline).c_str(), MiB(resident.highest).c_str(), MiB(heap.baseline).c_str(),
                MiB(heap.highest).c_str(), kWarmUpFrames);
    EXPECT_LE(heap.Amount(), kAllowedGrowth) << "the heap grew by " << MiB(heap.Amount());
    if (!AddressSanitized()) {
        EXPECT_LE(resident.Amount(), kAllowedGrowth) << "resident memory grew by " << MiB(resident.Amount());
    }
}

} // namespace
