// A technique10 effect with stream output from its geometry stage.
cbuffer PerFrame : register(b0)
{
    float4x4 worldViewProjection;
};

struct VSOut
{
    float4 position : SV_Position;
    float3 normal   : NORMAL;
};

VSOut VS(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut o;
    o.position = mul(worldViewProjection, float4(position, 1.0));
    o.normal = normal;
    return o;
}

[maxvertexcount(3)]
void GS(triangle VSOut input[3], inout TriangleStream<VSOut> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
}

float4 PS(VSOut input) : SV_Target
{
    return float4(normalize(input.normal) * 0.5 + 0.5, 1.0);
}

VertexShader vsCompiled = CompileShader(vs_4_0, VS());
GeometryShader gsStreamOut = ConstructGSWithSO(CompileShader(gs_4_0, GS()), "SV_Position.xyzw; NORMAL.xyz");
PixelShader psCompiled[2] = { CompileShader(ps_4_0, PS()), NULL };

technique10 Render
{
    pass Draw
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
    pass StreamOut
    {
        SetVertexShader(vsCompiled);
        SetGeometryShader(ConstructGSWithSO(CompileShader(gs_4_0, GS()), "POSITION.xyz"));
        SetPixelShader(NULL);
    }
}
// expect: VS vs_4_0 compiles
// expect: GS gs_4_0 compiles
// expect: PS ps_4_0 compiles
