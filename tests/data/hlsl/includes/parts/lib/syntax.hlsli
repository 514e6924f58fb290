static const float k = 1;
float4 Scaled(float3 p) {
    return p.x }
