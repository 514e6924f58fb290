// Only the last stage before the rasterizer clips: SV_ClipDistance written by
// a vertex stage that a geometry stage follows is data like any other, so
// the negative distances below clip nothing. The geometry stage does not
// read it (this compiler refuses SV_ClipDistance in its input).
struct VSOut
{
    float4 position : SV_Position;
    float clip : SV_ClipDistance0;
    float4 tint : COLOR0;
};

struct GSOut
{
    float4 position : SV_Position;
    float4 tint : COLOR0;
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    output.clip = -1.0;
    output.tint = float4(0, 1, 0, 1);
    return output;
}

struct GSIn
{
    float4 position : SV_Position;
    float4 tint : COLOR0;
};

[maxvertexcount(3)]
void gs_main(triangle GSIn input[3], inout TriangleStream<GSOut> stream)
{
    for (int i = 0; i < 3; ++i) {
        GSOut output;
        output.position = input[i].position;
        output.tint = input[i].tint;
        stream.Append(output);
    }
}

float4 ps_main(GSOut input) : SV_Target
{
    return input.tint;
}
