#include "parts/deep.hlsli"
float4 vs_main() : SV_Position { return kScale; }
// An error is reported in the terms of the file that holds it, whatever
// the case the including file spelt its name in.
// expect: vs_main vs_4_0 error parts/lib/unknown.hlsli(1,29) ''unknownName' : unknown variable'
