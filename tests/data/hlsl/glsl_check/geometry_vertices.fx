// Direct3D 11 lets a geometry shader emit up to 1024 vertices (and 1024
// scalars in all); GL 4.50 guarantees only 256, and the layer's GL gives
// 1024, as Direct3D does.
struct Vertex
{
    float4 position : SV_Position;
};

[maxvertexcount(300)]
void within(triangle Vertex input[3], inout TriangleStream<Vertex> stream)
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
//   gs: 300
// expect: beyond gs_4_0 error (17,6) 'max_vertices'
