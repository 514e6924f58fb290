#include "render/render_frame.h"

#include "gfx/device_objects.h"
#include "platform/api.h"
#include "resources/scene_resources.h"
#include "resources/teapot_mesh.h"
#include "resources/vertex.h"
#include "scene/scene_constants.h"

namespace {

const FLOAT kDepthBufferClear[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const FLOAT kBackgroundColour[4] = {0.0f, 0.125f, 0.3f, 1.0f};
const UINT kVertexStride = sizeof(Vertex);
const UINT kZeroOffset = 0;

void UploadSceneConstants(float passMode)
{
    sceneConstants.passMode = passMode;
    d3dcontext->UpdateSubresource(pConstant, 0, nullptr, &sceneConstants, 0, 0);
}

} // namespace

void BindMeshPipeline()
{
    d3dcontext->IASetVertexBuffers(0, 1, &meshBuffers.vertexBuffer, &kVertexStride, &kZeroOffset);
    d3dcontext->IASetIndexBuffer(meshBuffers.indexBuffer, DXGI_FORMAT_R16_UINT, 0);
    d3dcontext->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    // The teapot shares the quad's vertex format; binding the layout here
    // means the very first frame, and the first after a reload, draw the
    // teapot with the current layout too.
    d3dcontext->IASetInputLayout(pInputLayout);

    d3dcontext->VSSetShader(pVShader, nullptr, 0);
    d3dcontext->GSSetShader(pGShader, nullptr, 0);
    d3dcontext->PSSetShader(pPShader, nullptr, 0);

    d3dcontext->VSSetConstantBuffers(0, 1, &pConstant);
    d3dcontext->GSSetConstantBuffers(0, 1, &pConstant);
    d3dcontext->PSSetConstantBuffers(0, 1, &pConstant);

    d3dcontext->PSSetSamplers(0, 1, &pSampler);
}

void RenderOffscreenPass()
{
    d3dcontext->ClearRenderTargetView(pDepthRTV, kDepthBufferClear);
    d3dcontext->ClearDepthStencilView(pDepthStencilView, D3D11_CLEAR_DEPTH, 1.0f, 0);
    d3dcontext->OMSetRenderTargets(1, &pDepthRTV, pDepthStencilView);

    BindMeshPipeline();
    UploadSceneConstants(0.0f);

    // The Depth Buffer is the bound target, so this slot reads as empty here.
    d3dcontext->PSSetShaderResources(0, 1, &pDepthSRV);
    d3dcontext->DrawIndexed(meshBuffers.indexCount, 0, 0);
}

void RenderScreenPass()
{
    d3dcontext->ClearRenderTargetView(pBackBufferRTV, kBackgroundColour);
    d3dcontext->ClearDepthStencilView(pDepthStencilView, D3D11_CLEAR_DEPTH, 1.0f, 0);
    // Binding the back buffer frees the Depth Buffer to be read below.
    d3dcontext->OMSetRenderTargets(1, &pBackBufferRTV, nullptr);

    d3dcontext->IASetIndexBuffer(nullptr, DXGI_FORMAT_UNKNOWN, 0);
    d3dcontext->IASetVertexBuffers(0, 1, &pVertexScreen, &kVertexStride, &kZeroOffset);
    d3dcontext->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    d3dcontext->IASetInputLayout(pInputLayout);

    UploadSceneConstants(2.0f);
    d3dcontext->PSSetShaderResources(0, 1, &pDepthSRV);
    d3dcontext->GSSetShader(nullptr, nullptr, 0);

    d3dcontext->Draw(4, 0);
}

void RenderFrame()
{
    RenderOffscreenPass();
    RenderScreenPass();
    d3dswapchain->Present(0, 0);
}
