// Flow-control attributes of the Windows compiler.
// expect: PS ps_4_0 compiles
// expect: PS5 ps_5_0 compiles
cbuffer Params : register(b0)
{
    float4 g_weights[8];
    int g_count;
    float g_threshold;
};
Texture2D g_source : register(t0);
SamplerState g_linear : register(s0);

float4 Accumulate(float2 uv)
{
    float4 sum = 0;
    [unroll]
    for (int i = 0; i < 8; ++i)
        sum += g_source.SampleLevel(g_linear, uv + float2(i * 0.01, 0), 0) * g_weights[i].x;
    [loop]
    for (int j = 0; j < g_count; ++j)
        sum *= 0.99;
    return sum;
}

float4 PS(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 color = Accumulate(uv);
    [branch]
    if (color.a < g_threshold)
        color = 0;
    [flatten]
    if (color.r > 1)
        color.r = 1;
    return color;
}

[fastopt]
float4 PS5(float4 pos : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 color = 0;
    [fastopt]
    for (int i = 0; i < g_count; i++)
    {
        [branch]
        switch (i & 3)
        {
        case 0: color.r += 0.1; break;
        case 1: color.g += 0.1; break;
        default: color.b += 0.1; break;
        }
    }
    [allow_uav_condition]
    while (color.r < 1 && g_count > 0)
        color.r += 0.25;
    return color;
}
