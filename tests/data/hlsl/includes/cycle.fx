// effect
#include "parts/a.hlsli"
float4 vs_main() : SV_Position { return 0; }
// expect: vs_main vs_4_0 error parts/b.hlsli(2,1) ''#include' : cycle'
