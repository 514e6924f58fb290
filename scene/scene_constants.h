#pragma once

#include "scene/matrix.h"

#include <cstddef>

// The block of per-frame values handed to the shader program: one copy here,
// uploaded whole into the GPU constant buffer before each pass. The effect
// file declares its constant buffer with the same byte layout.
struct alignas(16) SceneConstants {
    float time;            // scene clock, seconds of nominal 60 Hz frames
    float reserved0[3];
    Matrix world;          // teapot transform
    Matrix view;           // camera transform
    Matrix projection;     // perspective transform
    float passMode;        // 0.0 in the offscreen pass, 2.0 in the screen pass
    float reserved1[171];
};

static_assert(sizeof(SceneConstants) == 896);
static_assert(alignof(SceneConstants) == 16);
static_assert(offsetof(SceneConstants, time) == 0);
static_assert(offsetof(SceneConstants, reserved0) == 4);
static_assert(offsetof(SceneConstants, world) == 16);
static_assert(offsetof(SceneConstants, view) == 80);
static_assert(offsetof(SceneConstants, projection) == 144);
static_assert(offsetof(SceneConstants, passMode) == 208);
static_assert(offsetof(SceneConstants, reserved1) == 212);

extern SceneConstants sceneConstants;

// Sets all 896 bytes to zero: the clock restarts and the matrices are empty
// until the next scene update.
void ResetSceneConstants();
