// Several elements of a matrix as an out argument.
// expect: PS ps_4_0 error (9,12) 'out or inout argument'
cbuffer C : register(b0) { float4 v; };
void Fill(out float2 value) { value = v.zw; }

float4 PS(float4 pos : SV_Position) : SV_Target
{
    float2x2 m = (float2x2)v;
    Fill(m._m00_m11);
    return m[1].xyxy;
}
