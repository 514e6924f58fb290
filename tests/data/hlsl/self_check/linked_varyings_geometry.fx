// Stages meet by semantic name and index through a geometry stage, each
// stage declaring its varyings in its own order: TEXCOORD0 comes before
// TEXCOORD3 in the vertex stage's output and must not stand in for it.
struct VSOut
{
    float4 position : SV_Position;
    float4 decoy : TEXCOORD0;
    float4 tint : COLOR0;
    float4 uv : TEXCOORD3;
};

struct GSOut
{
    float4 tint : COLOR0;
    float4 uv : TEXCOORD3;
    float4 position : SV_Position;
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

[maxvertexcount(3)]
void gs_main(triangle VSOut input[3], inout TriangleStream<GSOut> stream)
{
    for (int i = 0; i < 3; ++i) {
        GSOut output;
        output.uv = input[i].uv;
        output.position = input[i].position;
        output.tint = input[i].tint;
        stream.Append(output);
    }
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
