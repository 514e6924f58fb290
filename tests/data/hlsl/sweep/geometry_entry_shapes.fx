struct V { float4 p : SV_Position; float3 n : NORMAL; };
[maxvertexcount(3)]
void single(triangle V input, inout TriangleStream<V> s) { s.Append(input); }
[maxvertexcount(3)]
void extra(triangle V input[3], V more, inout TriangleStream<V> s) { s.Append(more); }
[maxvertexcount(3)]
void nostream(triangle V input[3], out V o) { o = input[0]; }
void nocount(triangle V input[3], inout TriangleStream<V> s) { s.Append(input[0]); }
// A geometry entry point takes arrays of vertices, a stream and a vertex count.
// expect: single gs_4_0 error (3,24) ''input' must be an array'
// expect: extra gs_4_0 error (5,35) ''more' must be an array'
// expect: nostream gs_4_0 error (7,6) 'the geometry entry point 'nostream' has no output stream'
// expect: nocount gs_4_0 error (8,6) ''nocount' is not a geometry shader'
