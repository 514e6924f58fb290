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
#define CLIP_SEMANTIC SV_ClipDistance0
struct FromMacro { float4 p : SV_Position; float clip : CLIP_SEMANTIC; };
[maxvertexcount(3)] void macro(triangle FromMacro input[3], inout TriangleStream<V> s)
{ V v; v.p = input[0].p; v.clip = input[0].clip; s.Append(v); }
struct Both { V inner; float more : SV_ClipDistance1; };
[maxvertexcount(3)] void both(triangle V input[3], inout TriangleStream<Both> s)
{ Both b; b.inner = input[0]; b.more = 1; s.Append(b); }
// Clip and cull distances in a geometry shader's input are plain inputs,
// linked by semantic to the vertex stage's outputs; written to the stream,
// in a structure of their own or in the one read, they clip.
// expect: fromStruct gs_4_0 compiles
//   in: SV_CLIPDISTANCE0:f1~ SV_POSITION0:f4sv
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
// expect: culled gs_4_0 compiles
//   in: SV_CULLDISTANCE1:f2~ SV_POSITION0:f4sv
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
// expect: nested gs_4_0 compiles
//   in: SV_CLIPDISTANCE0:f1~ SV_POSITION0:f4sv
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
// expect: plain gs_4_0 compiles
//   in: SV_CLIPDISTANCE0:f1~ SV_POSITION0:f4sv
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
// expect: writes gs_4_0 compiles
//   in: SV_POSITION0:f4sv
//   out: SV_POSITION0:f4sv SV_CLIPDISTANCE0:f1sv
// expect: macro gs_4_0 error (21,50) 'only where the semantic is written after the name, not made by a macro'
// expect: both gs_4_0 error (25,26) 'writes SV_CLIPDISTANCE both through the structure it reads'
