// System values are GLSL built-ins, SV_Target outputs keep their index as
// their location; a matrix or an array takes several locations, its elements
// the semantic indices after its own; vertex inputs nothing reads stay in the
// signature for the input layout, without a location; a semantic with "__"
// still gives valid GLSL names; a vertex shader reads SV_Position from the
// input layout like any other input, its inputs numbered in declaration order.
struct Out { float4 colour : SV_Target0; float4 extra : SV_Target1; float depth : SV_Depth; };
Out psBuiltIns(float4 pos : SV_Position, bool front : SV_IsFrontFace, uint prim : SV_PrimitiveID)
{ Out o; o.colour = pos; o.extra = front ? prim : 0; o.depth = 0.5; return o; }
struct Spread { float4 pos : SV_Position; float4x4 basis : TEXCOORD0; float2 taps[3] : TEXCOORD4; };
Spread vsSpread(float3 p : POSITION)
{ Spread v; v.pos = float4(p, 1); v.basis = p.x; v.taps[0] = p.xy; v.taps[1] = p.yz; v.taps[2] = 0; return v; }
struct Unread { float3 p : POSITION; float2 uv : TEXCOORD0; float4x4 basis : TEXCOORD1; int4 bones : BLENDINDICES; };
float4 vsUnread(Unread i, float2 taps[3] : TEXCOORD5) : SV_Position { return float4(i.p, 1); }
struct Odd { float4 pos : SV_Position; float4 a : MY__DATA; float4 b : _LEAD7; };
Odd vsOdd(float3 p : POSITION) { Odd v; v.pos = float4(p, 1); v.a = 1; v.b = 2; return v; }
float4 psOdd(Odd v) : SV_Target { return v.a + v.b; }
struct InPosition { float3 normal : NORMAL; float4 position : SV_POSITION; float2 uv : TEXCOORD0; };
struct OutPosition { float4 position : SV_Position; float2 uv : TEXCOORD0; };
OutPosition vsInStruct(InPosition i) { OutPosition o; o.position = i.position + float4(i.normal, 0); o.uv = i.uv; return o; }
float4 vsPositionUnread(float4 p : SV_Position, float3 n : NORMAL) : SV_Position { return float4(n, 1); }
// expect: psBuiltIns ps_4_0 compiles
//   in: SV_POSITION0:f4sv SV_ISFRONTFACE0:u1sv SV_PRIMITIVEID0:u1sv
//   out: SV_TARGET0:f4@0 SV_TARGET1:f4@1 SV_DEPTH0:f1sv
// expect: vsSpread vs_4_0 compiles
//   out: SV_POSITION0:f4sv TEXCOORD0:f4x4~ TEXCOORD4:f2~ TEXCOORD5:f2~ TEXCOORD6:f2~
// expect: vsUnread vs_4_0 compiles
//   in: POSITION0:f3@0 TEXCOORD0:f2- TEXCOORD1:f4x4- BLENDINDICES0:i4- TEXCOORD5:f2x3-
// expect: vsOdd vs_4_0 compiles
//   out: SV_POSITION0:f4sv MY__DATA0:f4~ _LEAD7:f4~
// expect: psOdd ps_4_0 compiles
//   in: MY__DATA0:f4~ _LEAD7:f4~
// expect: vsInStruct vs_4_0 compiles
//   in: NORMAL0:f3@0 SV_POSITION0:f4@1 TEXCOORD0:f2@2
//   out: SV_POSITION0:f4sv TEXCOORD0:f2~
// expect: vsPositionUnread vs_4_0 compiles
//   in: SV_POSITION0:f4- NORMAL0:f3@1
