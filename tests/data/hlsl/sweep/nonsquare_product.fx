// `*` between two matrices of one non-square shape is per component in HLSL.
// expect: PS ps_4_0 error (6,20) '*'
cbuffer C : register(b0) { float2x3 a; float2x3 b; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float2x3 c = a * b;
    return c[0].xyzx;
}
