// A pixel shader writing an unordered-access view, globallycoherent, and
// precise arithmetic.
// expect: PS ps_5_0 compiles
globallycoherent RWTexture2D<float4> g_output : register(u1);
RWStructuredBuffer<uint> g_counter : register(u2);

float4 PS(float4 pos : SV_Position) : SV_Target
{
    precise float weight = pos.x * 0.5 + pos.y * 0.25;
    uint previous;
    InterlockedAdd(g_counter[0], 1, previous);
    g_output[uint2(pos.xy)] = weight;
    return float4(weight, previous, 0, 1);
}
