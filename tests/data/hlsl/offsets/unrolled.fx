// Texture calls whose offsets come from loop counters with constant trip
// counts: each entry point compiles once its loops are unrolled.
Texture2D source : register(t0);
Texture2D<float> depth : register(t1);
SamplerState pointClamp : register(s0);
SamplerComparisonState shadowCompare : register(s1);

struct PixelIn {
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
};

float4 blur3(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int x = -1; x <= 1; x++)
        sum += source.Sample(pointClamp, input.uv, int2(x, 0));
    return sum;
}

float4 box3x3(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int y = -1; y <= 1; ++y)
        for (int x = -1; x <= 1; ++x)
            sum += source.Sample(pointClamp, input.uv, int2(x, y));
    return sum / 9;
}

float4 level(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += source.SampleLevel(pointClamp, input.uv, 0, int2(i - 2, 1));
    return sum;
}

float4 gradient(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += source.SampleGrad(pointClamp, input.uv, ddx(input.uv), ddy(input.uv), int2(0, i));
    return sum;
}

float4 bias(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (uint i = 0; i < 2; ++i)
        sum += source.SampleBias(pointClamp, input.uv, 0.5, int2(i, i));
    return sum;
}

float4 compare(PixelIn input) : SV_Target
{
    float lit = 0;
    for (int i = -2; i <= 2; i += 2)
        lit += depth.SampleCmpLevelZero(shadowCompare, input.uv, 0.5, int2(i, 0));
    return lit / 3;
}

float4 load(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += source.Load(int3(input.position.xy, 0), int2(-i, 0));
    return sum;
}

float4 gather(PixelIn input) : SV_Target
{
    float4 sum = 0;
    for (int i = 0; i < 2; ++i)
        sum += source.Gather(pointClamp, input.uv, int2(i, 0));
    return sum;
}

float4 weighted(PixelIn input) : SV_Target
{
    const float weights[5] = {0.0625, 0.25, 0.375, 0.25, 0.0625};
    float4 sum = 0;
    for (int x = -2; x <= 2; x++)
        sum += weights[x + 2] * source.Sample(pointClamp, input.uv, int2(x, 0));
    return sum;
}
// expect: blur3 ps_5_0 compiles
// expect: box3x3 ps_5_0 compiles
// expect: level ps_5_0 compiles
// expect: gradient ps_5_0 compiles
// expect: bias ps_5_0 compiles
// expect: compare ps_5_0 compiles
// expect: load ps_5_0 compiles
// expect: gather ps_5_0 compiles
// expect: weighted ps_5_0 compiles
