// Loose globals with default values land in $Globals; the effect framework
// sets them, the shader reads them.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
float g_fExposure = 0.5;
float4 g_vTint = float4(1, 0.9, 0.8, 1);
float4x4 g_mWorldViewProjection;
int g_iMode = 2;
bool g_bGamma = true;

Texture2D g_tScene;
SamplerState g_sPoint;

void VS(float4 pos : POSITION, float2 uv : TEXCOORD0, out float4 oPos : SV_Position, out float2 oUV : TEXCOORD0)
{
    oPos = mul(pos, g_mWorldViewProjection);
    oUV = uv;
}

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 color = g_tScene.Sample(g_sPoint, uv) * g_fExposure * g_vTint;
    if (g_iMode == 2 && g_bGamma)
        color.rgb = pow(abs(color.rgb), 1 / 2.2);
    return color;
}

technique10 Tonemap
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
