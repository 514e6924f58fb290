// Reading a texture by texel, as Direct3D 11 defines it: Load and the []
// operator take integer texel coordinates (plus a mip level for Load) and
// an optional constant offset; GetDimensions reports the mip level's size
// and the number of levels; Sample through a point sampler at a texel's
// centre gives that texel. t0 is 5 x 3 texels, one level, texel (x, y) =
// (x, y, x + 10 y, 0.5); b0 holds run-time coordinates.
// b0: int 4 2 0 0
cbuffer Inputs : register(b0)
{
    int4 corner; // 4, 2: the last texel
};

Texture2D source : register(t0);
SamplerState nearest : register(s0);

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 Expected(int2 texel)
{
    return float4(texel.x, texel.y, texel.x + 10 * texel.y, 0.5);
}

float4 ps_main(VSOut input) : SV_Target
{
    uint width, height, levels;
    source.GetDimensions(0, width, height, levels);
    check(width == 5u && height == 3u && levels == 1u, 1);
    float fwidth, fheight;
    source.GetDimensions(fwidth, fheight);
    check(fwidth == 5 && fheight == 3, 2);

    // Every pixel reads one texel, chosen from its position.
    const int2 texel = int2(input.position.xy) % int2(5, 3);
    check(all(source.Load(int3(texel, 0)) == Expected(texel)), 3);
    check(all(source[texel] == Expected(texel)), 4);
    check(all(source.Load(int3(corner.xy, 0)) == Expected(int2(4, 2))), 5);

    // Constant offsets, added to the coordinates.
    check(all(source.Load(int3(1, 1, 0), int2(1, -1)) == Expected(int2(2, 0))), 6);
    check(all(source.Load(int3(corner.xy, 0), int2(-2, -1)) == Expected(int2(2, 1))), 7);

    // Point sampling at the texel's centre.
    const float2 uv = (float2(texel) + 0.5) / float2(5, 3);
    check(all(source.Sample(nearest, uv) == Expected(texel)), 8);
    check(all(source.Sample(nearest, float2(0.5, 0.5) / float2(5, 3), int2(3, 2)) == Expected(int2(3, 2))), 9);

    // Texels outside the texture read as zero.
    check(all(source.Load(int3(corner.x + 1, 0, 0)) == 0), 10);
    check(all(source.Load(int3(0, corner.y + 7, 0)) == 0), 11);

    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
