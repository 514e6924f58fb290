// Resolving a multisampled target by hand: Texture2DMS Load with a sample
// index, GetDimensions with the sample count, and SV_SampleIndex.
// expect: PS ps_4_1 compiles
// expect: PSSample ps_4_1 compiles
Texture2DMS<float4> g_msaa : register(t0);
Texture2DMS<float4, 4> g_msaa4 : register(t1);

float4 PS(float4 pos : SV_Position) : SV_Target
{
    uint width, height, samples;
    g_msaa.GetDimensions(width, height, samples);
    float4 sum = 0;
    for (uint s = 0; s < samples; ++s)
        sum += g_msaa.Load(int2(pos.xy), s);
    return sum / samples;
}

float4 PSSample(float4 pos : SV_Position, uint index : SV_SampleIndex) : SV_Target
{
    return g_msaa4.Load(int2(pos.xy), index);
}
