// What each stage may write, read and call, as Direct3D rules it for the
// vs_, gs_ and ps_ profiles: SV_Target and SV_Depth are pixel-stage outputs;
// Sample, ddx, ddy, discard and clip need the pixel stage (derivatives, a
// fragment to drop), in the entry point or in a function it calls, while
// SampleLevel works in every stage; a vertex shader reads SV_Position as an
// ordinary input and only SV_VertexID and SV_InstanceID among system values;
// there are 8 render targets. An operation's error points at the operation:
// a method at its name, a derivative at its argument, discard at the end of
// its statement.
// expect: vsTarget vs_4_0 error (65,9) 'invalid vs_4_0 output semantic 'SV_TARGET': only a pixel shader writes it'
// expect: vsDepth vs_4_0 error (66,8) 'invalid vs_4_0 output semantic 'SV_DEPTH': only a pixel shader writes it'
// expect: vsSample vs_4_0 error (67,67) 'uses Sample, a derivative or discard, which only a pixel shader may; vs_4_0 compiles a vertex shader'
// expect: vsDdx vs_4_0 error (68,64) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: vsDdy vs_4_0 error (69,64) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: vsDiscard vs_4_0 error (70,78) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: vsClip vs_4_0 error (71,54) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: vsCalls vs_4_0 error (78,39) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: vsSampleLevel vs_4_0 compiles
// expect: vsPosition vs_4_0 compiles
//   in: SV_POSITION0:f4@0 TEXCOORD0:f2@1
// expect: vsIds vs_4_0 compiles
//   in: SV_VERTEXID0:u1sv SV_INSTANCEID0:u1sv
// expect: vsFrontFace vs_4_0 error (75,8) 'invalid vs_4_0 input semantic 'SV_ISFRONTFACE''
// expect: vsDepthIn vs_4_0 error (76,8) 'invalid vs_4_0 input semantic 'SV_DEPTH''
// expect: vsTwice vs_4_0 error (77,8) 'invalid vs_4_0 output semantic 'COLOR': it is used twice'
// expect: gsTarget gs_4_0 error (81,26) 'invalid gs_4_0 output semantic 'SV_TARGET': only a pixel shader writes it'
// expect: gsDepth gs_4_0 error (82,26) 'invalid gs_4_0 output semantic 'SV_DEPTH': only a pixel shader writes it'
// expect: gsSample gs_4_0 error (83,99) 'uses Sample, a derivative or discard, which only a pixel shader may; gs_4_0 compiles a geometry shader'
// expect: gsDdx gs_4_0 error (84,113) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: gsDdy gs_4_0 error (85,113) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: gsDiscard gs_4_0 error (86,102) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: gsClip gs_4_0 error (87,73) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: gsCalls gs_4_0 error (78,39) 'uses Sample, a derivative or discard, which only a pixel shader may'
// expect: gsSampleLevel gs_4_0 compiles
//   in: SV_POSITION0:f4sv TEXCOORD0:f2~
// expect: psTarget ps_4_0 compiles
//   in: SV_POSITION0:f4sv TEXCOORD0:f2~
//   out: SV_TARGET0:f4@0
// expect: psDepth ps_4_0 compiles
//   out: SV_TARGET0:f4@0 SV_DEPTH0:f1sv
// expect: psSample ps_4_0 compiles
//   tex: t0s0
// expect: psDdx ps_4_0 compiles
// expect: psDdy ps_4_0 compiles
// expect: psDiscard ps_4_0 compiles
// expect: psClip ps_4_0 compiles
// expect: psSampleLevel ps_4_0 compiles
// expect: psCalls ps_4_0 compiles
// expect: psTargets ps_4_0 compiles
//   out: SV_TARGET0:f4@0 SV_TARGET7:f4@7
// expect: psTarget8 ps_4_0 error (101,10) 'invalid ps_4_0 output semantic 'SV_TARGET8': there are 8 render targets'
// expect: psColour ps_4_0 error (102,9) 'invalid ps_4_0 output semantic 'COLOR': a pixel shader writes only SV_Target and SV_Depth'
// expect: psTargetIn ps_4_0 error (103,8) 'invalid ps_4_0 input semantic 'SV_TARGET': it is a pixel shader output'
Texture2D tex : register(t0);
SamplerState smp : register(s0);
struct V { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
struct VTarget { float4 pos : SV_Position; float4 colour : SV_Target; };
struct VDepth { float4 pos : SV_Position; float depth : SV_Depth; };
struct PTargets { float4 t0 : SV_Target0; float4 t7 : SV_Target7; };
struct PTarget8 { float4 t0 : SV_Target0; float4 t8 : SV_Target8; };
struct PColour { float4 t0 : SV_Target0; float4 colour : COLOR0; };
struct PDepth { float4 colour : SV_Target; float depth : SV_Depth; };
struct VTwice { float4 pos : SV_Position; float4 a : COLOR0; float4 b : COLOR0; };

VTarget vsTarget(float3 p : POSITION) { VTarget o; o.pos = float4(p, 1); o.colour = 1; return o; }
VDepth vsDepth(float3 p : POSITION) { VDepth o; o.pos = float4(p, 1); o.depth = 0.5; return o; }
float4 vsSample(float2 uv : TEXCOORD0) : SV_Position { return tex.Sample(smp, uv); }
float4 vsDdx(float2 uv : TEXCOORD0) : SV_Position { return ddx(uv).xyxy; }
float4 vsDdy(float2 uv : TEXCOORD0) : SV_Position { return ddy(uv).xyxy; }
float4 vsDiscard(float2 uv : TEXCOORD0) : SV_Position { if (uv.x < 0) discard; return uv.xyxy; }
float4 vsClip(float2 uv : TEXCOORD0) : SV_Position { clip(uv.x); return uv.xyxy; }
float4 vsSampleLevel(float2 uv : TEXCOORD0) : SV_Position { return tex.SampleLevel(smp, uv, 0); }
float4 vsPosition(float4 p : SV_Position, float2 uv : TEXCOORD0) : SV_Position { return p + uv.xyxy; }
float4 vsIds(uint id : SV_VertexID, uint instance : SV_InstanceID) : SV_Position { return float4(id, instance, 0, 1); }
float4 vsFrontFace(bool front : SV_IsFrontFace) : SV_Position { return front; }
float4 vsDepthIn(float4 p : SV_Depth) : SV_Position { return p; }
VTwice vsTwice(float3 p : POSITION) { VTwice o; o.pos = float4(p, 1); o.a = 1; o.b = 2; return o; }
float2 Helper(float2 uv) { return ddx(uv); }
float4 vsCalls(float2 uv : TEXCOORD0) : SV_Position { return Helper(uv).xyxy; }

[maxvertexcount(1)] void gsTarget(point V p[1], inout PointStream<VTarget> s) { VTarget o; o.pos = p[0].pos; o.colour = 1; s.Append(o); }
[maxvertexcount(1)] void gsDepth(point V p[1], inout PointStream<VDepth> s) { VDepth o; o.pos = p[0].pos; o.depth = 0.5; s.Append(o); }
[maxvertexcount(1)] void gsSample(point V p[1], inout PointStream<V> s) { V o = p[0]; o.pos = tex.Sample(smp, o.uv); s.Append(o); }
[maxvertexcount(1)] void gsDdx(point V p[1], inout PointStream<V> s) { V o = p[0]; float2 uv = o.uv; o.uv = ddx(uv); s.Append(o); }
[maxvertexcount(1)] void gsDdy(point V p[1], inout PointStream<V> s) { V o = p[0]; float2 uv = o.uv; o.uv = ddy(uv); s.Append(o); }
[maxvertexcount(1)] void gsDiscard(point V p[1], inout PointStream<V> s) { if (p[0].uv.x < 0) discard; s.Append(p[0]); }
[maxvertexcount(1)] void gsClip(point V p[1], inout PointStream<V> s) { clip(p[0].uv.x); s.Append(p[0]); }
[maxvertexcount(1)] void gsSampleLevel(point V p[1], inout PointStream<V> s) { V o = p[0]; o.pos += tex.SampleLevel(smp, o.uv, 0); s.Append(o); }
[maxvertexcount(1)] void gsCalls(point V p[1], inout PointStream<V> s) { V o = p[0]; o.uv = Helper(o.uv); s.Append(o); }

float4 psTarget(V v) : SV_Target { return v.pos + v.uv.xyxy; }
PDepth psDepth(V v) { PDepth o; o.colour = v.pos; o.depth = 0.5; return o; }
float4 psSample(V v) : SV_Target { return tex.Sample(smp, v.uv); }
float4 psDdx(V v) : SV_Target { return ddx(v.uv).xyxy; }
float4 psDdy(V v) : SV_Target { return ddy(v.uv).xyxy; }
float4 psDiscard(V v) : SV_Target { if (v.uv.x < 0) discard; return 1; }
float4 psClip(V v) : SV_Target { clip(v.uv.x); return 1; }
float4 psSampleLevel(V v) : SV_Target { return tex.SampleLevel(smp, v.uv, 0); }
float4 psCalls(V v) : SV_Target { return Helper(v.uv).xyxy; }
PTargets psTargets(V v) { PTargets o; o.t0 = v.pos; o.t7 = 1; return o; }
PTarget8 psTarget8(V v) { PTarget8 o; o.t0 = v.pos; o.t8 = 1; return o; }
PColour psColour(V v) { PColour o; o.t0 = v.pos; o.colour = 1; return o; }
float4 psTargetIn(float4 c : SV_Target) : SV_Target { return c; }
