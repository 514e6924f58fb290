#include "Parts/Lib/Syntax.hlsli"
float4 vs_main(float3 p : POSITION) : SV_Position { return Scaled(p); }
// One message, at the line in the included file, and nothing about the
// files that include it.
// expect: vs_main vs_4_0 error parts/lib/syntax.hlsli(3) ''
