#include "parts/own_fmod.hlsli"
float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, fmod(p.x, 2.0, 1.0) + sign(1, 2)); }
// An included file that defines its own fmod and sign keeps them, as a main
// file that does: the compiler's own helpers and their macros stay out.
// expect: vs_main vs_4_0 compiles
