// Direct3D 9 sampling with a sampler2D and tex2D.
// expect: PS ps_4_0 error (7,12) 'tex2D'
sampler2D g_diffuse;

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    return tex2D(g_diffuse, uv);
}
