// Texture offsets that come from loop counters read the neighbours Direct3D
// reads: Sample and SampleLevel through the clamping sampler at s0 clamp at
// the texture's edges, Load with an offset does not clamp (it is only used
// where every tap exists). Each kernel's taps are squared, so that a lost
// offset shows even on a texture whose channels grow linearly, and compared
// with Load at the clamped coordinates. Pixel (x, y) of the 16 x 16 target
// works on texel (x mod 5, y mod 3) of t0.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1.0);
}

float4 Squared(float4 value)
{
    return value * value;
}

float4 ClampedLoad(int2 texel)
{
    return source.Load(int3(clamp(texel, int2(0, 0), int2(4, 2)), 0));
}

float4 ps_main(float4 position : SV_Position) : SV_Target
{
    const int2 texel = int2(position.xy) % int2(5, 3);
    const float2 uv = (float2(texel) + 0.5) / float2(5.0, 3.0);

    float4 row = 0, rowExpected = 0;
    for (int x = -1; x <= 1; x++) {
        row += Squared(source.Sample(pointClamp, uv, int2(x, 0)));
        rowExpected += Squared(ClampedLoad(texel + int2(x, 0)));
    }

    float4 box = 0, boxExpected = 0;
    for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
            box += Squared(source.SampleLevel(pointClamp, uv, 0, int2(i, j)));
            boxExpected += Squared(ClampedLoad(texel + int2(i, j)));
        }

    const int2 right = int2(max(texel.x, 2), texel.y);
    float4 left = 0, leftExpected = 0;
    for (int k = 0; k < 3; ++k) {
        left += Squared(source.Load(int3(right, 0), int2(-k, 0)));
        leftExpected += Squared(ClampedLoad(right - int2(k, 0)));
    }

    uint failed = 0;
    if (any(row != rowExpected))
        failed = 1;
    else if (any(box != boxExpected))
        failed = 2;
    else if (any(left != leftExpected))
        failed = 3;
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
