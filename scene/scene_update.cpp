#include "scene/scene_update.h"

#include "scene/matrix.h"
#include "scene/scene_constants.h"
#include "scene/single_precision.h"

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

Vector ComputeEyePosition(float time)
{
    // The camera flies around the origin on three incommensurate periods. Each
    // angle is a float32; its sine or cosine is taken in double precision and
    // the product with the radius rounded once.
    return {
        RoundProduct(10.0, Sine(RoundProduct(0.3, time))),
        RoundProduct(-10.0, Sine(RoundProduct(0.4, time))),
        RoundProduct(10.0, Cosine(RoundProduct(0.5, time))),
        0.0f,
    };
}

void UpdateScene()
{
    const float t = sceneConstants.time;

    const Vector eye = ComputeEyePosition(t);
    const Vector direction = {0.0f - eye.x, 0.0f - eye.y, 0.0f - eye.z, 0.0f - eye.w};
    const Vector up = {0.0f, 1.0f, 0.0f, 0.0f};
    LookToMatrixLH(&sceneConstants.view, &eye, &direction, &up);

    PerspectiveFovMatrixLH(&sceneConstants.projection, kFieldOfViewY, kAspect, kNearZ, kFarZ);

    sceneConstants.passMode = 0.0f;

    RotationYMatrix(&sceneConstants.world, RoundProduct(0.3, t));
}
