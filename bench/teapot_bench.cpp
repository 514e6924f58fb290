// Prints how long D3DXCreateTeapot takes; the program rebuilds the teapot on
// every reload. Not a test: nothing is asserted about the time.

#include "platform/api.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    HWND__ window{};
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    if (!d3d || d3d->CreateDevice(0, D3DDEVTYPE_HAL, &window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device) != S_OK)
        return 1;

    constexpr int kRuns = 500;
    std::vector<double> microseconds;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        ID3DXMesh* mesh = nullptr;
        D3DXCreateTeapot(device, &mesh, nullptr);
        if (mesh)
            mesh->Release();
        const auto end = std::chrono::steady_clock::now();
        microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(microseconds.begin(), microseconds.end());
    std::printf("D3DXCreateTeapot: median %.1f us, fastest %.1f us over %d runs\n", microseconds[kRuns / 2],
                microseconds.front(), kRuns);
    device->Release();
    d3d->Release();
    return 0;
}
