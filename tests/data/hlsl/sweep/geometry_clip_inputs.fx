struct V
{
    float4 p : SV_Position;
    float clip : SV_ClipDistance0;
};
struct C { float4 p : SV_Position; float2 cull : SV_CullDistance1; };
struct Outer { V inner; };
[maxvertexcount(3)] void fromStruct(triangle V input[3], inout TriangleStream<V> s)
{ s.Append(input[0]); }
[maxvertexcount(3)] void culled(triangle C input[3], inout TriangleStream<V> s)
{ V v; v.p = input[0].p; v.clip = input[0].cull.x; s.Append(v); }
[maxvertexcount(3)] void nested(triangle Outer input[3], inout TriangleStream<V> s)
{ s.Append(input[0].inner); }
[maxvertexcount(3)] void plain(triangle float4 p[3] : SV_Position,
                               triangle float  c[3] : SV_ClipDistance0, inout TriangleStream<V> s)
{ V v; v.p = p[0]; v.clip = c[0]; s.Append(v); }
struct P { float4 p : SV_Position; };
[maxvertexcount(3)] void writes(triangle P input[3], inout TriangleStream<V> s)
{ V v; v.p = input[0].p; v.clip = 1; s.Append(v); }
// glslang crashes on clip and cull distances in a geometry shader's input:
// they are refused at their declaration. Writing them is an ordinary output.
// expect: fromStruct gs_4_0 error (4,11) 'SV_CLIPDISTANCE0 in a geometry shader's input is not supported'
// expect: culled gs_4_0 error (6,43) 'SV_CULLDISTANCE1 in a geometry shader's input is not supported'
// expect: nested gs_4_0 error (4,11) 'SV_CLIPDISTANCE0 in a geometry shader's input is not supported'
// expect: plain gs_4_0 error (15,48) 'SV_CLIPDISTANCE0 in a geometry shader's input is not supported'
// expect: writes gs_4_0 compiles
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
