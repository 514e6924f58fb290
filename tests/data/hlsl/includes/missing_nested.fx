#include "parts/missing_inner.hlsli"
float4 vs_main() : SV_Position { return 0; }
// The missing file is named as it was looked for, beside the including file.
// expect: vs_main vs_4_0 error parts/missing_inner.hlsli(1,1) 'parts/missing.hlsli'
