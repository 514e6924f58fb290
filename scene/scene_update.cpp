#include "scene/scene_update.h"

#include "scene/matrix.h"
#include "scene/scene_constants.h"
#include "scene/single_precision.h"

#include <cmath>

namespace {

// One nominal 60 Hz frame; deliberately the decimal constant, not 1/60.
constexpr double kClockStep = 0.016666666;

constexpr float kFieldOfViewY = 3.14159265358979323846f / 4.0f;
// Not the 1280 x 720 of the render targets: the scene is drawn at 5:4.
constexpr double kAspect = 1.25;
constexpr double kNearZ = 0.01;
constexpr double kFarZ = 100.0;

} // namespace

void StepScene()
{
    sceneConstants.time = RoundSum(sceneConstants.time, kClockStep);
    UpdateScene();
}

void UpdateScene()
{
    const float t = sceneConstants.time;

    // The camera flies around the origin on three incommensurate periods.
    const Vector eye = {
        RoundProduct(10.0, std::sin(RoundProduct(0.3, t))),
        RoundProduct(-10.0, std::sin(RoundProduct(0.4, t))),
        RoundProduct(10.0, std::cos(RoundProduct(0.5, t))),
        0.0f,
    };
    const Vector direction = {0.0f - eye.x, 0.0f - eye.y, 0.0f - eye.z, 0.0f - eye.w};
    const Vector up = {0.0f, 1.0f, 0.0f, 0.0f};
    LookToMatrixLH(&sceneConstants.view, &eye, &direction, &up);

    PerspectiveFovMatrixLH(&sceneConstants.projection, kFieldOfViewY, kAspect, kNearZ, kFarZ);

    sceneConstants.passMode = 0.0f;

    RotationYMatrix(&sceneConstants.world, RoundProduct(0.3, t));
}
