// Direct3D 11 lets a geometry shader emit up to 1024 vertices and 1024
// 32-bit values per invocation: [maxvertexcount] times the components of
// one output vertex. GL 4.50 guarantees only 256 vertices; the layer's GL
// gives 1024, as Direct3D does.
struct Vertex
{
    float4 position : SV_Position;
};

struct Wide
{
    float4 position : SV_Position;
    float4 colour : COLOR;
};

[maxvertexcount(256)]
void within(triangle Vertex input[3], inout TriangleStream<Vertex> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
}

[maxvertexcount(300)]
void over(triangle Vertex input[3], inout TriangleStream<Vertex> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
}

[maxvertexcount(129)]
void wide(triangle Wide input[3], inout TriangleStream<Wide> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
}

[maxvertexcount(4096)]
void beyond(triangle Vertex input[3], inout TriangleStream<Vertex> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
}
// expect: within gs_4_0 compiles
//   gs: 256
// expect: over gs_4_0 error (24,6) 'may emit 1200 32-bit values ([maxvertexcount(300)] vertices of 4 components); Direct3D 11 allows 1024 per invocation'
// expect: wide gs_4_0 error (31,6) 'may emit 1032 32-bit values'
// expect: beyond gs_4_0 error (38,6) 'max_vertices'
