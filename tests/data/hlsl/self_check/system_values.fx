// The pixel stage's system values without a geometry stage, as Direct3D 11
// defines them: SV_Position holds the pixel centre, x + 0.5 and y + 0.5 in
// pixels from the top-left corner, and the depth in z; clockwise triangles
// face the front; SV_PrimitiveID counts the strip's triangles from 0; a
// nointerpolation value comes from the triangle's first (leading) vertex:
// vertex i for triangle i of a strip. The target is 16 x 16 pixels; the
// strip's triangle 0 is its upper-left half.
struct VSOut
{
    float4 position : SV_Position;
    float2 ndc : TEXCOORD0;
    nointerpolation uint vertexNumber : TEXCOORD1;
    nointerpolation uint vertexIdOk : TEXCOORD2;
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL, uint vertexId : SV_VertexID)
{
    VSOut output;
    output.position = float4(position, 1.0);
    output.ndc = position.xy;
    output.vertexNumber = (uint)normal.x;
    output.vertexIdOk = vertexId == (uint)normal.x ? 1u : 0u;
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input, bool front : SV_IsFrontFace, uint primitive : SV_PrimitiveID) : SV_Target
{
    const float4 p = input.position;
    check(all(frac(p.xy) == 0.5) && all(p.xy > 0) && all(p.xy < 16), 1);
    check(p.z == 0.5 && p.w == 1, 2);
    // Row 0 is the top: NDC y = +1 there.
    check(abs(input.ndc.x - (p.x / 8 - 1)) < 1e-5 && abs(input.ndc.y - (1 - p.y / 8)) < 1e-5, 3);
    check(front, 4);
    check(input.vertexIdOk == 1u, 5);
    // The diagonal x + y = 16 separates the two triangles; no pixel centre
    // lies on it.
    const uint which = p.x + p.y < 16 ? 0u : 1u;
    check(primitive == which, 6);
    check(input.vertexNumber == which, 7);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
