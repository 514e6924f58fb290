#pragma once

// Tessellation of Newell's teapot into the mesh D3DXCreateTeapot returns.

#include <cstdint>
#include <vector>

namespace d3d9 {

// The mesh's vertex layout: position, then unit normal (24 bytes).
struct TeapotVertex {
    float position[3];
    float normal[3];
};
static_assert(sizeof(TeapotVertex) == 24);

struct TeapotGeometry {
    std::vector<TeapotVertex> vertices;
    std::vector<std::uint16_t> indices; // three per triangle
};

// Each patch is cut into 6 x 6 quads, two triangles each. The result is in
// Direct3D's left-handed frame: y up, spout toward +x, scaled by 0.5 and
// centred on the middle of its bounding box. Points that coincide are welded
// into one vertex whose normal is the mean of the patches' normals there;
// triangles that collapse at the lid's and the bottom's poles are dropped.
// Front faces are clockwise seen from outside.
TeapotGeometry TessellateTeapot();

} // namespace d3d9
