// Geometry shaders over every input primitive, with point and line
// streams: particles to quads, wireframe edges, silhouettes from adjacency.
// expect: GSPoint gs_4_0 compiles
// expect: GSLine gs_4_0 compiles
// expect: GSLineAdj gs_4_0 compiles
// expect: GSTriangleAdj gs_4_0 compiles
// expect: GSPoints gs_4_0 compiles
cbuffer cb : register(b0) { float4x4 g_mProj; float g_fSize; };

struct V { float4 pos : SV_Position; float4 color : COLOR0; };

[maxvertexcount(4)]
void GSPoint(point V particle[1], inout TriangleStream<V> quads)
{
    const float2 corners[4] = { float2(-1, 1), float2(1, 1), float2(-1, -1), float2(1, -1) };
    [unroll] for (int i = 0; i < 4; ++i)
    {
        V o = particle[0];
        o.pos = mul(particle[0].pos + float4(corners[i] * g_fSize, 0, 0), g_mProj);
        quads.Append(o);
    }
}

[maxvertexcount(2)]
void GSLine(line V edge[2], inout LineStream<V> lines)
{
    lines.Append(edge[0]);
    lines.Append(edge[1]);
}

[maxvertexcount(2)]
void GSLineAdj(lineadj V edge[4], inout LineStream<V> lines)
{
    lines.Append(edge[1]);
    lines.Append(edge[2]);
    lines.RestartStrip();
}

[maxvertexcount(6)]
void GSTriangleAdj(triangleadj V tri[6], inout LineStream<V> silhouette)
{
    for (int i = 0; i < 6; i += 2)
    {
        float3 a = tri[i].pos.xyz, b = tri[(i + 2) % 6].pos.xyz, c = tri[i + 1].pos.xyz;
        if (cross(b - a, c - a).z < 0)
        {
            silhouette.Append(tri[i]);
            silhouette.Append(tri[(i + 2) % 6]);
            silhouette.RestartStrip();
        }
    }
}

[maxvertexcount(3)]
void GSPoints(triangle V tri[3], inout PointStream<V> points)
{
    for (int i = 0; i < 3; ++i)
        points.Append(tri[i]);
}
