// A multisampled texture read by the .sample[s][xy] operator.
// expect: PS ps_5_0 error (7,20) '.sample[]'
Texture2DMS<float4, 4> g_msaa4 : register(t0);

float4 PS(float4 pos : SV_Position) : SV_Target
{
    return g_msaa4.sample[2][uint2(pos.xy)];
}
