#pragma once

// Martin Newell's Utah teapot: 32 bicubic Bezier patches over 306 control
// points (public-domain data). The points are in Newell's frame: z up, the
// base at z = 0, the spout toward +x, the teapot symmetric about y = 0.

#include <array>
#include <cstdint>

namespace d3d9 {

struct ControlPoint {
    double x, y, z;
};

// Each patch lists its 4 x 4 control points row by row, as 1-based indices
// into kTeapotControlPoints (the numbering of the published dataset). Rows
// and columns are the patch's two parameter directions; in this order the
// outward normal is (d/dcolumn) x (d/drow) in Newell's right-handed frame.
using PatchIndices = std::array<std::uint16_t, 16>;

inline constexpr int kTeapotPatchCount = 32;
inline constexpr int kTeapotControlPointCount = 306;

extern const std::array<PatchIndices, kTeapotPatchCount> kTeapotPatches;
extern const std::array<ControlPoint, kTeapotControlPointCount> kTeapotControlPoints;

} // namespace d3d9
