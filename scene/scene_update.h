#pragma once

// Advances the scene clock by one fixed frame step and recomputes the
// matrices from it.
void StepScene();

// Recomputes view, projection, passMode and world in sceneConstants from its
// clock.
void UpdateScene();
