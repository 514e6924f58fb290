// The top-left fill rule: the geometry stage tiles the 16 x 16 target with
// eight triangles around the pixel centre (8.5, 8.5), each to a point on the
// border: the corners and the border's midpoints (8.5, 0), (16, 8.5),
// (8.5, 16), (0, 8.5). So the tiles share a horizontal edge through row 8's
// centres, a vertical one through column 8's and diagonals through
// centres, all meeting on a centre. The pixel stage works out, from the
// rule's definition, whether its centre belongs to the tile that drew it:
// strictly inside, or on edges that are all top (horizontal, the tile below
// them) or left ones. A centre drawn by the wrong tile is red (check 1); one
// no tile drew stays blue. Coordinates are doubled to be integers.
struct VSOut
{
    float4 position : SV_Position;
};

struct Tile
{
    float4 position : SV_Position;
    nointerpolation uint tile : TILE;
};

// The border points in order, clockwise on the screen (y grows downwards),
// doubled; tile t is (centre, point t, point t + 1).
static const int2 kCentre = int2(17, 17);
static const int2 kBorder[8] =
{
    int2(0, 0), int2(17, 0), int2(32, 0), int2(32, 17), int2(32, 32), int2(17, 32), int2(0, 32), int2(0, 17)
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    return output;
}

int2 Corner(uint tile, uint corner)
{
    if (corner == 0)
        return kCentre;
    return kBorder[(tile + corner - 1) % 8];
}

[maxvertexcount(24)]
void gs_main(triangle VSOut input[3], uint primitive : SV_PrimitiveID, inout TriangleStream<Tile> stream)
{
    if (primitive != 0)
        return;
    for (uint t = 0; t < 8; ++t) {
        for (uint c = 0; c < 3; ++c) {
            // A doubled window position p is NDC (p / 16 - 1, 1 - p / 16),
            // exact for these.
            const float2 p = float2(Corner(t, c)) / 16.0;
            Tile output;
            output.position = float4(p.x - 1.0, 1.0 - p.y, 0.5, 1.0);
            output.tile = t;
            stream.Append(output);
        }
        stream.RestartStrip();
    }
}

// Whether the tile's edge from a to b lets a centre p, with cross product
// e, be covered.
bool EdgeCovers(int2 a, int2 b, int e)
{
    if (e != 0)
        return e > 0;
    // The edge's normal into the tile, whose corners turn clockwise.
    const int2 inward = int2(a.y - b.y, b.x - a.x);
    return inward.x > 0 || (inward.x == 0 && inward.y > 0);
}

float4 ps_main(Tile input) : SV_Target
{
    const int2 p = int2(input.position.xy * 2.0);
    bool covered = true;
    for (uint k = 0; k < 3; ++k) {
        const int2 a = Corner(input.tile, k);
        const int2 b = Corner(input.tile, (k + 1) % 3);
        const int e = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        covered = covered && EdgeCovers(a, b, e);
    }
    return covered ? float4(0, 1, 0, 1) : float4(1, 1, 0, 1);
}
