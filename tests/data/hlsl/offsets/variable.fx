// Offsets that stay variable: the Windows compiler refuses these as well.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

cbuffer Settings : register(b0)
{
    int radius;
    int2 shift;
};

float4 loopFromConstants(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int x = -radius; x <= radius; x++)
        sum += source.Sample(pointClamp, uv, int2(x, 0));
    return sum;
}

float4 direct(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 color = source.Sample(pointClamp, uv);
    return color + source.SampleLevel(pointClamp, uv, 0, shift);
}
// expect: loopFromConstants ps_5_0 error (15,23) 'offset'
// expect: direct ps_5_0 error (22,27) 'offset'
