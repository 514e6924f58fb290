#include "Parts/Case.HLSLI"
float4 vs_main(float3 p : POSITION) : SV_Position { return Scaled(p); }
// expect: vs_main vs_4_0 compiles
