// Several elements of a matrix incremented at once; read and assigned they
// compile.
// expect: PS ps_4_0 error (9,7) '_m00_m11'
cbuffer C : register(b0) { float4 v; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float2x2 m = (float2x2)v;
    m._m00_m11 = m._m01_m10 + v.zw;
    m._m00_m11++;
    return float4(m._11_22, m[0]);
}
