// A program that uses the scene library and nothing else.
#include "scene/random.h"
#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include <cstdio>

int main()
{
    for (int i = 0; i < 60; ++i)
        StepScene();
    std::printf("%d %d\n", static_cast<int>(sceneConstants.time * 1000.0f), static_cast<int>(NextRandom() * 1e6f));
    return sceneConstants.passMode == 0.0f ? 0 : 1;
}
