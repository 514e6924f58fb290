#include "app/frame.h"

#include "platform/api.h"
#include "render/render_frame.h"
#include "resources/scene_resources.h"
#include "scene/scene_update.h"

#include <cstdint>
#include <cstdio>

namespace {

// The address's low 32 bits, 0 when absent.
unsigned AddressBits(const void* object)
{
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(object) & 0xFFFFFFFFu);
}

} // namespace

bool DrainMessages()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

void PrintPipelineState()
{
    std::printf("pVShader   = %08X\n", AddressBits(pVShader));
    std::printf("pGShader   = %08X\n", AddressBits(pGShader));
    std::printf("pPShader   = %08X\n", AddressBits(pPShader));
    std::printf("pConstant  = %08X\n", AddressBits(pConstant));
    std::printf("pRSStage   = %08X\n", AddressBits(pRSStage));
}

void RunFrame()
{
    // Down now or pressed since the last query: holding F5 reloads every
    // frame, and the key is read even without keyboard focus.
    if (GetAsyncKeyState(VK_F5) != 0)
        LoadSceneResources();

    if (pVShader && pGShader && pPShader && pConstant) {
        StepScene();
        RenderFrame();
    } else {
        PrintPipelineState();
    }
}
