#pragma once

// Draws one frame in two passes and presents it.
void RenderFrame();

// Pass 1: the teapot, all three stages, into the Depth Buffer with depth test.
void RenderOffscreenPass();

// Pass 2: the full-screen quad into the back buffer, its pixel stage reading
// the Depth Buffer; no geometry stage.
void RenderScreenPass();

// Binds the teapot's buffers, the three stages, the constants and the sampler.
void BindMeshPipeline();
