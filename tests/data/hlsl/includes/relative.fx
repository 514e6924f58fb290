#include "parts/common.hlsli"
#include "parts/lib/scale.hlsli"
float4 vs_main(float3 p : POSITION) : SV_Position { return Scaled(p); }
// parts/common.hlsli includes lib/scale.hlsli as parts/lib/scale.hlsli,
// which includes guard.hlsli beside itself, not the one in this folder; its
// include guard keeps the second inclusion empty.
// expect: vs_main vs_4_0 compiles
