// Only the last stage before the rasterizer clips: SV_ClipDistance and
// SV_CullDistance written by a vertex stage that a geometry stage follows
// are data like any other. The negative distances below clip and cull
// nothing, and the geometry stage reads each register back, per vertex,
// declared in an order of its own. Its own stream writes distances of its
// own, none negative, through the structure it also reads.
struct VSOut
{
    float4 position : SV_Position;
    float cull : SV_CullDistance0;
    float far : SV_ClipDistance1;
    float2 near : SV_ClipDistance0;
    float vertex : TEXCOORD0;
    float4 tint : COLOR0;
};

struct GSIn
{
    float vertex : TEXCOORD0;
    float2 near : SV_ClipDistance0;
    float4 position : SV_Position;
    float far : SV_ClipDistance1;
    float cull : SV_CullDistance0;
    float4 tint : COLOR0;
};

struct PSIn
{
    float4 position : SV_Position;
    float4 tint : COLOR0;
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    const float n = normal.x; // the vertex number
    output.position = float4(position, 1.0);
    output.near = float2(-1.5 - n, -20.0 - n);
    output.far = -300.0 - n;
    output.cull = -4000.0 - n;
    output.vertex = n;
    output.tint = float4(0, 0, 0, 0);
    return output;
}

[maxvertexcount(3)]
void gs_main(triangle GSIn input[3], inout TriangleStream<GSIn> stream)
{
    uint failed = 0;
    for (int i = 0; i < 3; ++i) {
        const float n = input[i].vertex;
        if (n != 0.0 && n != 1.0 && n != 2.0 && n != 3.0)
            failed = 1;
        else if (input[i].near.x != -1.5 - n)
            failed = 2;
        else if (input[i].near.y != -20.0 - n)
            failed = 3;
        else if (input[i].far != -300.0 - n)
            failed = 4;
        else if (input[i].cull != -4000.0 - n)
            failed = 5;
        if (failed != 0)
            break;
    }
    for (int j = 0; j < 3; ++j) {
        GSIn output = input[j];
        output.near = float2(0.0, 1.0);
        output.far = 2.0;
        output.cull = 0.0;
        output.tint = failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
        stream.Append(output);
    }
}

float4 ps_main(PSIn input) : SV_Target
{
    return input.tint;
}
