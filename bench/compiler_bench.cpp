// Times D3DX11CompileFromFileA on the demo's effect file, the way the
// program calls it: each stage compiled separately from the file on disk.
// Prints the median over the runs per stage and for all three together.
//
//   compiler_bench [runs]     (default 25; uses shaders/main.fx, or the
//                              contract-shaped test fixture when absent)

#include "platform/include/d3dx11.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double MedianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
    fs::path source = fs::path(FXDEMO_SHADERS_DIR) / "main.fx";
    if (!fs::exists(source))
        source = fs::path(FXDEMO_HLSL_TEST_DATA) / "contract.fx";
    const fs::path directory = fs::temp_directory_path() / "fxdemo-compiler-bench";
    fs::create_directories(directory);
    fs::copy_file(source, directory / "main.fx", fs::copy_options::overwrite_existing);
    fs::current_path(directory);

    struct Stage {
        const char* entry;
        const char* profile;
        std::vector<double> ms;
    };
    Stage stages[] = {{"vs_main", "vs_4_0", {}}, {"gs_main", "gs_4_0", {}}, {"ps_main", "ps_4_0", {}}};
    std::vector<double> totals;
    // The first round also builds glslang's tables for each stage; it is
    // reported on its own and left out of the medians.
    for (int run = -1; run < runs; ++run) {
        double total = 0;
        for (Stage& stage : stages) {
            ID3D10Blob* code = nullptr;
            ID3D10Blob* messages = nullptr;
            const auto start = std::chrono::steady_clock::now();
            const HRESULT hr = D3DX11CompileFromFileA("main.fx", nullptr, nullptr, stage.entry, stage.profile, 0x800,
                                                      0, nullptr, &code, &messages, nullptr);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            if (hr != 0) {
                std::printf("%s failed: 0x%08X %s\n", stage.entry, static_cast<unsigned>(hr),
                            messages ? static_cast<const char*>(messages->GetBufferPointer()) : "");
                return 1;
            }
            code->Release();
            if (run < 0)
                std::printf("first %s: %.2f ms\n", stage.entry, ms);
            else
                stage.ms.push_back(ms);
            total += ms;
        }
        if (run >= 0)
            totals.push_back(total);
    }
    std::printf("%s (%ju bytes), %d runs, median ms:\n", source.string().c_str(),
                static_cast<std::uintmax_t>(fs::file_size(source)), runs);
    for (const Stage& stage : stages)
        std::printf("  %-8s %7.2f\n", stage.entry, MedianOf(stage.ms));
    std::printf("  %-8s %7.2f\n", "total", MedianOf(totals));
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(directory);
    return 0;
}
