#include "scene/matrix.h"

#include "scene/single_precision.h"

#include <cmath>
#include <limits>

namespace {

// Float products formed in double are exact (24 + 24 bits), so the one
// conversion is the only rounding, and no expression here can be fused into
// a multiply-add whatever the compiler's contraction setting.
float Mul(float a, float b)
{
    return static_cast<float>(static_cast<double>(a) * static_cast<double>(b));
}

} // namespace

Vector Normalize3(const Vector& v)
{
    const float sumOfSquares = Dot3(v, v);
    if (sumOfSquares == std::numeric_limits<float>::infinity()) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan, nan, nan};
    }
    // The float overload on purpose: a float32 square root, correctly rounded.
    const float length = std::sqrt(sumOfSquares);
    if (length == 0.0f)
        return {0.0f, 0.0f, 0.0f, 0.0f};
    return {v.x / length, v.y / length, v.z / length, v.w / length};
}

Vector Cross3(const Vector& a, const Vector& b)
{
    return {
        Mul(a.y, b.z) - Mul(a.z, b.y),
        Mul(a.z, b.x) - Mul(a.x, b.z),
        Mul(a.x, b.y) - Mul(a.y, b.x),
        0.0f,
    };
}

float Dot3(const Vector& a, const Vector& b)
{
    const float xy = Mul(a.x, b.x) + Mul(a.y, b.y);
    return xy + Mul(a.z, b.z);
}

Matrix* LookToMatrixLH(Matrix* out, const Vector* eye, const Vector* direction, const Vector* up)
{
    const Vector r2 = Normalize3(*direction);
    const Vector r0 = Normalize3(Cross3(*up, r2));
    const Vector r1 = Cross3(r2, r0);
    const Vector negEye = {Mul(eye->x, -1.0f), Mul(eye->y, -1.0f), Mul(eye->z, -1.0f), Mul(eye->w, -1.0f)};

    *out = {{
        {r0.x, r1.x, r2.x, 0.0f},
        {r0.y, r1.y, r2.y, 0.0f},
        {r0.z, r1.z, r2.z, 0.0f},
        {Dot3(r0, negEye), Dot3(r1, negEye), Dot3(r2, negEye), 1.0f},
    }};
    return out;
}

Matrix* PerspectiveFovMatrixLH(Matrix* out, float fovY, double aspect, double nearZ, double farZ)
{
    const float halfAngle = fovY * 0.5f;
    const float sinH = static_cast<float>(Sine(halfAngle));
    const float cosH = static_cast<float>(Cosine(halfAngle));
    const float yScale = cosH / sinH;
    const float xScale = RoundQuotient(yScale, aspect);
    const float zScale = RoundQuotient(farZ, RoundSum(farZ, -nearZ));
    const float zOffset = RoundProduct(-zScale, nearZ);

    *out = {{
        {xScale, 0.0f, 0.0f, 0.0f},
        {0.0f, yScale, 0.0f, 0.0f},
        {0.0f, 0.0f, zScale, 1.0f},
        {0.0f, 0.0f, zOffset, 0.0f},
    }};
    return out;
}

Matrix* RotationYMatrix(Matrix* out, float angle)
{
    const float s = static_cast<float>(Sine(angle));
    const float c = static_cast<float>(Cosine(angle));

    *out = {{
        {c, 0.0f, -s, 0.0f},
        {0.0f, 1.0f, 0.0f, 0.0f},
        {s, 0.0f, c, 0.0f},
        {0.0f, 0.0f, 0.0f, 1.0f},
    }};
    return out;
}
