#include "parts/to_main.hlsli"
float4 vs_main() : SV_Position { return 0; }
// expect: vs_main vs_4_0 error parts/to_main.hlsli(1,1) ''#include' : cycle'
