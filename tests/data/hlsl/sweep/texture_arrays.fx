// An array of textures indexed by constants and literals.
// expect: PS ps_4_0 compiles
Texture2D g_layers[4] : register(t0);
SamplerState g_linear : register(s0);
static const int kDetail = 2;

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 base = g_layers[0].Sample(g_linear, uv);
    float4 detail = g_layers[kDetail].Sample(g_linear, uv * 8);
    float4 sum = 0;
    [unroll] for (int i = 1; i < 4; ++i)
        sum += g_layers[i].Sample(g_linear, uv);
    return base * detail + sum;
}
