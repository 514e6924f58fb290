// A geometry shader that appends more vertices than its [maxvertexcount]:
// Direct3D drops the extra ones. Each input triangle is drawn as declared,
// then a strip that would cover the whole target in red follows past the
// limit, from a helper function and from a loop. (Mesa's llvmpipe drops
// them too; the compiler guards each emit so that no driver draws them.)
struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    return output;
}

struct GSOut
{
    float4 position : SV_Position;
    nointerpolation uint extra : TEXCOORD0;
};

void Emit(inout TriangleStream<GSOut> stream, float2 xy, uint extra)
{
    GSOut output;
    output.position = float4(xy, 0.5, 1.0);
    output.extra = extra;
    stream.Append(output);
}

[maxvertexcount(3)]
void gs_main(triangle VSOut input[3], inout TriangleStream<GSOut> stream)
{
    for (uint i = 0; i < 3; ++i)
        Emit(stream, input[i].position.xy, 0);
    stream.RestartStrip();
    Emit(stream, float2(-1, 1), 1);
    for (uint k = 0; k < 3; ++k)
        Emit(stream, float2(k == 1 ? -1 : 1, k == 0 ? 1 : -1), 1);
}

float4 ps_main(GSOut input) : SV_Target
{
    return input.extra == 0 ? float4(0, 1, 0, 1) : float4(1, 1, 0, 1);
}
