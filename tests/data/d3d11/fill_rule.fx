// Triangles of one colour each for the fill-rule tests: positions come in
// NDC, placed exactly on a power-of-two target.
struct Flat
{
    float4 position : SV_Position;
    nointerpolation float4 colour : COLOR0;
};

// NORMAL holds the triangle's colour, the same at its three vertices, so
// neither interpolation nor the leading-vertex convention can change it.
Flat vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    Flat output;
    output.position = float4(position, 1.0);
    output.colour = float4(normal, 1.0);
    return output;
}

float4 ps_flat(Flat input) : SV_Target
{
    return input.colour;
}

// A strip's triangles share their vertices, so each takes its colour from
// its number instead: triangle i gives (0.125 (i + 1), 0.5, 0.25, 1).
float4 ps_primitive(Flat input, uint primitive : SV_PrimitiveID) : SV_Target
{
    return float4(0.125 * (primitive + 1), 0.5, 0.25, 1.0);
}

// The same triangles through a geometry stage, each as a strip of its own.
[maxvertexcount(3)]
void gs_pass(triangle Flat input[3], inout TriangleStream<Flat> stream)
{
    for (int i = 0; i < 3; ++i)
        stream.Append(input[i]);
    stream.RestartStrip();
}

// A strip the geometry stage makes itself, from b0 (positions in NDC): the
// colour of vertex i is triangle i's, its leading vertex.
cbuffer Strip : register(b0)
{
    float4 strip[6];
};

[maxvertexcount(6)]
void gs_strip(triangle Flat input[3], inout TriangleStream<Flat> stream)
{
    for (int i = 0; i < 6; ++i) {
        Flat output;
        output.position = float4(strip[i].xy, 0.5, 1.0);
        output.colour = float4(0.125 * (i + 1), 0.5, 0.25, 1.0);
        stream.Append(output);
    }
}

// Interpolation on the centres a triangle's grown copy draws: NORMAL.z is
// the vertex's w (the position is scaled by it), NORMAL.xy a value read with
// perspective and without.
struct Weighted
{
    float4 position : SV_Position;
    float2 perspective : TEXCOORD0;
    noperspective float2 windowed : TEXCOORD1;
};

Weighted vs_weighted(float3 position : POSITION, float3 normal : NORMAL)
{
    Weighted output;
    output.position = float4(position.xy * normal.z, 0.5 * normal.z, normal.z);
    output.perspective = normal.xy;
    output.windowed = normal.xy;
    return output;
}

float4 ps_weighted(Weighted input) : SV_Target
{
    return float4(input.perspective, input.windowed);
}

// A strip of 20 vertices from b0 (positions in NDC), every triangle with
// edges through pixel centres: more grown copies than the stage has room
// for, so the later triangles go out without.
cbuffer LongStrip : register(b0)
{
    float4 longStrip[20];
};

[maxvertexcount(20)]
void gs_long_strip(triangle Flat input[3], inout TriangleStream<Flat> stream)
{
    for (int i = 0; i < 20; ++i) {
        Flat output;
        output.position = float4(longStrip[i].xy, 0.5, 1.0);
        output.colour = float4(0.125, 0.5, 0.25, 1.0);
        stream.Append(output);
    }
}
