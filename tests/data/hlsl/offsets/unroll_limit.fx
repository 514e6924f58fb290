// Loops feeding texture offsets are unrolled up to 1024 iterations, as the
// Windows compiler unrolls them, and no further.
Texture2D source : register(t0);
SamplerState pointClamp : register(s0);

float4 atTheLimit(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int x = 0; x < 1024; x++)
        sum += source.Sample(pointClamp, uv, int2(x % 8 - 4, 0));
    return sum;
}

float4 countingDownAtTheLimit(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int x = 2048; x > 0; x -= 2)
        sum += source.SampleLevel(pointClamp, uv, 0, int2(x % 8 - 4, 0));
    return sum;
}

float4 overTheLimit(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int y = 0; y < 2; y++)
        for (int x = 1025; x > 0; --x)
            sum += source.Sample(pointClamp, uv, int2(x % 8 - 4, y));
    return sum;
}

float4 steppingOverTheLimit(float4 position : SV_Position, float2 uv : TEXCOORD0) : SV_Target
{
    float4 sum = 0;
    for (int x = 0; x <= 2048; x += 2)
        sum += source.SampleLevel(pointClamp, uv, 0, int2(x % 8 - 4, 0));
    return sum;
}
// expect: atTheLimit ps_4_0 compiles
// expect: countingDownAtTheLimit ps_4_0 compiles
// expect: overTheLimit ps_4_0 error (27,27) 'more than 1024 iterations'
// expect: steppingOverTheLimit ps_4_0 error (35,23) 'more than 1024 iterations'
