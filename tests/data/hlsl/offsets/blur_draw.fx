// Blur kernels drawn over a 16 x 16 texture whose texel (x, y) holds
// (x, y, 0, 1), read with point sampling and clamp addressing, into a
// 16 x 16 float target: each output texel is a sum of known neighbours.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1);
}

float2 TexelCentre(float4 position)
{
    return position.xy / 16;
}

// Three taps along the row.
float4 row3(float4 position : SV_Position) : SV_Target
{
    float4 sum = 0;
    for (int x = -1; x <= 1; x++)
        sum += source.Sample(pointClamp, TexelCentre(position), int2(x, 0));
    return sum;
}

// Nine taps around the texel.
float4 box3x3(float4 position : SV_Position) : SV_Target
{
    float4 sum = 0;
    for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x)
            sum += source.SampleLevel(pointClamp, TexelCentre(position), 0, int2(x, y));
    return sum;
}

// The texel and the two to its left, by Load.
float4 loadLeft(float4 position : SV_Position) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += source.Load(int3(position.xy, 0), int2(-i, 0));
    return sum;
}
// expect: vs_main vs_4_0 compiles
// expect: row3 ps_4_0 compiles
// expect: box3x3 ps_4_0 compiles
// expect: loadLeft ps_4_0 compiles
