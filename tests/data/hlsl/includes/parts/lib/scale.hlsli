#ifndef SCALE_HLSLI
#define SCALE_HLSLI
#include <guard.hlsli>
float4 Scaled(float3 p) { return float4(p * kScale, 1.0); }
#endif
