// Stages meet by semantic name and index, whatever order each declares its
// varyings in: TEXCOORD0 comes before TEXCOORD3 in the vertex stage's
// output and must not stand in for it, and the pixel stage, which reads
// only COLOR0 and TEXCOORD3, declares them in another order.
struct VSOut
{
    float4 position : SV_Position;
    float4 decoy : TEXCOORD0;
    float4 tint : COLOR0;
    float4 uv : TEXCOORD3;
};

struct PSIn
{
    float4 uv : TEXCOORD3;
    float4 position : SV_Position;
    float4 tint : COLOR0;
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    output.decoy = float4(1.0, 1.0, 1.0, 1.0);
    output.tint = float4(0.25, 0.5, 0.0, 0.0);
    output.uv = float4(0.0, 0.0, 0.75, 1.0);
    return output;
}

float4 ps_main(PSIn input) : SV_Target
{
    uint failed = 0;
    if (any(input.uv != float4(0.0, 0.0, 0.75, 1.0)))
        failed = 1;
    else if (any(input.tint != float4(0.25, 0.5, 0.0, 0.0)))
        failed = 2;
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
