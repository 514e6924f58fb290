#pragma once

// Left-handed coordinates, row vectors (a point p is transformed as p * M,
// so the translation lives in row 3), matrices stored row by row.

struct Vector {
    float x, y, z, w;
};

struct Matrix {
    float m[4][4];
};

// Normalises x, y and z (w is divided along with them). A sum of squares of
// +infinity gives quiet NaNs in every component; a zero length gives the
// zero vector.
Vector Normalize3(const Vector& v);

// (a.y*b.z - a.z*b.y, a.z*b.x - a.x*b.z, a.x*b.y - a.y*b.x, 0)
Vector Cross3(const Vector& a, const Vector& b);

// x*x' + y*y' + z*z', summed as (x + y) + z.
float Dot3(const Vector& a, const Vector& b);

// View matrix of a camera at eye looking along direction.
Matrix* LookToMatrixLH(Matrix* out, const Vector* eye, const Vector* direction, const Vector* up);

// Perspective projection mapping depth to 0 at nearZ and 1 at farZ; the
// result's w is the view-space z.
Matrix* PerspectiveFovMatrixLH(Matrix* out, float fovY, double aspect, double nearZ, double farZ);

// Rotation about the y axis by angle radians.
Matrix* RotationYMatrix(Matrix* out, float angle);
