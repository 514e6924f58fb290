// half, min16float and the snorm/unorm modifiers.
// expect: VS vs_4_0 compiles
// expect: PS ps_4_0 compiles
// expect: PS5 ps_5_0 compiles
cbuffer Material : register(b0)
{
    half4 g_albedo;
    unorm float g_roughness;
    snorm float g_bias;
};

half4 VS(float4 pos : POSITION, out half2 uv : TEXCOORD0) : SV_Position
{
    uv = (half2)pos.xy * 0.5h + 0.5h;
    return pos;
}

half4 PS(float4 pos : SV_Position, half2 uv : TEXCOORD0) : SV_Target
{
    half shade = (half)saturate(g_roughness + g_bias);
    return g_albedo * shade * half4(uv, 1, 1);
}

float4 PS5(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    min16float2 t = (min16float2)uv;
    min16float scale = 2.0;
    return float4(t * scale, g_roughness, 1);
}
