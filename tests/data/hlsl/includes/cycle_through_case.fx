#include "parts/case_cycle.hlsli"
float4 vs_main() : SV_Position { return 0; }
// A cycle is seen through a change of case.
// expect: vs_main vs_4_0 error parts/lib/case_cycle.hlsli(1,1) ''#include' : cycle'
