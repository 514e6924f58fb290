#pragma once

// The one vertex format of the program: the teapot, the screen quad and the
// input layout all use it.
struct Vertex {
    float position[3];
    float normal[3];
};

static_assert(sizeof(Vertex) == 24);
