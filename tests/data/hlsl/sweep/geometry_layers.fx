// Rendering to a cube map in one pass: the geometry shader sends each
// triangle to six array slices, and a second one picks viewports.
// expect: VS vs_4_0 compiles
// expect: GS gs_4_0 compiles
// expect: GSViewport gs_4_1 compiles
// expect: PS ps_4_0 compiles
cbuffer cbCube : register(b0)
{
    float4x4 g_mViewProj[6];
};

struct GS_IN { float4 pos : POSITION; float2 uv : TEXCOORD0; };
struct PS_IN
{
    float4 pos : SV_Position;
    float2 uv : TEXCOORD0;
    uint slice : SV_RenderTargetArrayIndex;
};
struct PS_VIEWPORT_IN
{
    float4 pos : SV_Position;
    uint viewport : SV_ViewportArrayIndex;
};

GS_IN VS(float4 pos : POSITION, float2 uv : TEXCOORD0)
{
    GS_IN o = { pos, uv };
    return o;
}

[maxvertexcount(18)]
void GS(triangle GS_IN input[3], inout TriangleStream<PS_IN> stream)
{
    for (int face = 0; face < 6; ++face)
    {
        PS_IN o;
        o.slice = face;
        for (int v = 0; v < 3; ++v)
        {
            o.pos = mul(input[v].pos, g_mViewProj[face]);
            o.uv = input[v].uv;
            stream.Append(o);
        }
        stream.RestartStrip();
    }
}

[maxvertexcount(6)]
void GSViewport(triangle GS_IN input[3], inout TriangleStream<PS_VIEWPORT_IN> stream)
{
    for (uint viewport = 0; viewport < 2; ++viewport)
    {
        for (int v = 0; v < 3; ++v)
        {
            PS_VIEWPORT_IN o;
            o.pos = input[v].pos;
            o.viewport = viewport;
            stream.Append(o);
        }
        stream.RestartStrip();
    }
}

float4 PS(PS_IN input) : SV_Target
{
    return float4(input.uv, input.slice / 6.0, 1);
}
