#include "scene/scene_constants.h"

#include <cstring>

SceneConstants sceneConstants;

void ResetSceneConstants()
{
    std::memset(&sceneConstants, 0, sizeof sceneConstants);
}
