// uniform parameters on entry points, which techniques bind at
// CompileShader time; compiled on their own they are constants in $Globals.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
float4x4 g_mWorldViewProj;
Texture2D g_tex;
SamplerState g_sam;

float4 VS(float4 pos : POSITION, uniform bool bScale) : SV_Position
{
    float4 p = mul(pos, g_mWorldViewProj);
    if (bScale)
        p.xy *= 0.5;
    return p;
}

float4 PS(float4 pos : SV_Position, uniform float4 tint) : SV_Target
{
    return g_tex.Load(int3(pos.xy, 0)) * tint;
}

technique10 Both
{
    pass Scaled { SetVertexShader(CompileShader(vs_4_0, VS(true))); SetPixelShader(CompileShader(ps_4_0, PS(float4(1, 0, 0, 1)))); }
}
