// Pragmas the Windows compiler takes: warning control is ignored here too.
// expect: PS ps_4_0 compiles
#pragma warning(disable: 3206)
#pragma warning(disable: 3571; disable: 4000)
#pragma warning(once: 3205)
#pragma message("compiling the tonemapper")
Texture2D g_source : register(t0);
SamplerState g_point : register(s0);

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 c = g_source.Sample(g_point, uv);
    float2 truncated = c; // implicit truncation, warning 3206
    return float4(truncated, c.ba);
}
