// Triangle strips from the geometry stage, as Direct3D 11 draws them: each
// RestartStrip ends a strip; triangle k of a strip is drawn clockwise (odd
// ones with their first two vertices swapped) and takes its nointerpolation
// values from its leading vertex, vertex k; the pixel stage reads the
// SV_PrimitiveID the geometry stage wrote.
//
// Input triangle p (0 or 1, the strip's upper-left and lower-right halves)
// fills column p of the 16 x 16 target (8 pixels wide) with three bands,
// each a strip of 4 vertices: the middle band (rows 5 to 11) first, then
// the top band (rows 0 to 5), then the bottom band (rows 11 to 16). Were
// the strips joined, the triangles between the top and the bottom band
// would paint over the middle band.
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
    nointerpolation uint tag : TEXCOORD0;
    uint primitive : SV_PrimitiveID;
};

static const float kLeft[2] = {-1.0, 0.0};

// Pixel row to NDC y.
float Row(float y)
{
    return 1.0 - y / 8.0;
}

void Emit(inout TriangleStream<GSOut> stream, float x, float y, uint tag, uint primitive)
{
    GSOut output;
    output.position = float4(x, Row(y), 0.5, 1.0);
    output.tag = tag;
    output.primitive = primitive;
    stream.Append(output);
}

[maxvertexcount(12)]
void gs_main(triangle VSOut input[3], uint id : SV_PrimitiveID, inout TriangleStream<GSOut> stream)
{
    const float x0 = kLeft[id];
    const float x1 = x0 + 1.0;
    const uint base = 100u * id;
    // Middle band: top-left, top-right, bottom-left, bottom-right.
    Emit(stream, x0, 5, base + 0, id);
    Emit(stream, x1, 5, base + 1, id);
    Emit(stream, x0, 11, base + 2, id);
    Emit(stream, x1, 11, base + 3, id);
    stream.RestartStrip();
    // Top band, in the same order.
    Emit(stream, x0, 0, base + 4, id);
    Emit(stream, x1, 0, base + 5, id);
    Emit(stream, x0, 5, base + 6, id);
    Emit(stream, x1, 5, base + 7, id);
    stream.RestartStrip();
    // Bottom band: bottom-left, top-left, bottom-right, top-right.
    Emit(stream, x0, 16, base + 8, id);
    Emit(stream, x0, 11, base + 9, id);
    Emit(stream, x1, 16, base + 10, id);
    Emit(stream, x1, 11, base + 11, id);
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(GSOut input, bool front : SV_IsFrontFace) : SV_Target
{
    const float2 p = input.position.xy;
    const uint column = p.x < 8 ? 0u : 1u;
    const float lx = (p.x - 8 * column) / 8; // 0..1 across the band
    uint band;
    float ly;
    uint second;
    if (p.y < 5) {
        band = 4;
        ly = p.y / 5;
        second = lx + ly > 1 ? 1u : 0u; // beyond the diagonal top-right to bottom-left
    } else if (p.y < 11) {
        band = 0;
        ly = (p.y - 5) / 6;
        second = lx + ly > 1 ? 1u : 0u;
    } else {
        band = 8;
        ly = (p.y - 11) / 5;
        second = lx > ly ? 1u : 0u; // above the diagonal top-left to bottom-right
    }
    check(input.primitive == column, 1);
    check(front, 2);
    check(input.tag == 100u * column + band + second, 3);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
