#include "shared/k.hlsli"
#include "SHARED/K2.HLSLI"
float4 vs_main() : SV_Position { return kExact + kUpper; }
// An exact match wins; among names that differ only in case, the first in
// byte order.
// expect: vs_main vs_4_0 compiles
