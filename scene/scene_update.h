#pragma once

#include "scene/matrix.h"

// Advances the scene clock by one fixed frame step and recomputes the
// matrices from it.
void StepScene();

// Recomputes view, projection, passMode and world in sceneConstants from its
// clock.
void UpdateScene();

// Where the camera is at a given scene time; w is 0.
Vector ComputeEyePosition(float time);
