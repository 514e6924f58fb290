// gs_5_0 instancing of the geometry stage.
// expect: GS gs_5_0 compiles
struct V { float4 pos : SV_Position; float2 uv : TEXCOORD0; };
struct Out { float4 pos : SV_Position; float2 uv : TEXCOORD0; uint layer : SV_RenderTargetArrayIndex; };

[instance(4)]
[maxvertexcount(3)]
void GS(triangle V input[3], uint instance : SV_GSInstanceID, inout TriangleStream<Out> stream)
{
    for (int i = 0; i < 3; ++i)
    {
        Out o;
        o.pos = input[i].pos + float4(instance * 0.25, 0, 0, 0);
        o.uv = input[i].uv;
        o.layer = instance;
        stream.Append(o);
    }
}
