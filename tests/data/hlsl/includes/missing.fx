#include "parts/missing.hlsli"
float4 vs_main() : SV_Position { return 0; }
// expect: vs_main vs_4_0 error (1,1) ''#include' : no file'
