// GetDimensions on an empty texture slot gives 0 for the width, the height,
// the depth, the array size and the number of mip levels, while Load and
// Sample of the slot read (0, 0, 0, 0); a bound slot keeps its sizes. The
// pixel stage has t0 bound (5 x 3 texels, one level) and t1 to t4 empty; the
// vertex stage has no texture bound at all, so its t0 is empty.
// profile: 5_0
cbuffer Inputs : register(b0)
{
    float4 unused;
};

Texture2D vertexTexture : register(t0);

Texture2D pair[2] : register(t0); // t0 bound, t1 empty
Texture2DArray emptyArray : register(t2);
Texture3D emptyVolume : register(t3);
TextureCube emptyCube : register(t4);
SamplerState nearest : register(s0);

struct VSOut
{
    float4 position : SV_Position;
    nointerpolation uint vertexFailed : FAILED;
};

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    uint width = 7, height = 7, levels = 7;
    vertexTexture.GetDimensions(0, width, height, levels);
    output.vertexFailed = width != 0 || height != 0 || levels != 0 ? 20 : 0;
    if (any(vertexTexture.Load(int3(0, 0, 0)) != 0))
        output.vertexFailed = 21;
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input) : SV_Target
{
    uint width = 7, height = 7, depth = 7, elements = 7, levels = 7;
    pair[0].GetDimensions(0, width, height, levels);
    check(width == 5 && height == 3 && levels == 1, 1);
    pair[1].GetDimensions(0, width, height, levels);
    check(width == 0 && height == 0 && levels == 0, 2);
    float fwidth = 7, fheight = 7;
    pair[1].GetDimensions(fwidth, fheight);
    check(fwidth == 0 && fheight == 0, 3);
    pair[0].GetDimensions(fwidth, fheight);
    check(fwidth == 5 && fheight == 3, 4);

    width = 7; height = 7; levels = 7;
    emptyArray.GetDimensions(0, width, height, elements, levels);
    check(width == 0 && height == 0 && elements == 0 && levels == 0, 5);
    width = 7; height = 7; levels = 7;
    emptyVolume.GetDimensions(0, width, height, depth, levels);
    check(width == 0 && height == 0 && depth == 0 && levels == 0, 6);
    width = 7; height = 7; levels = 7;
    emptyCube.GetDimensions(0, width, height, levels);
    check(width == 0 && height == 0 && levels == 0, 7);

    // Reads of the empty slot stay zero, the bound one is read.
    check(all(pair[1].Load(int3(1, 1, 0)) == 0), 8);
    check(all(pair[1].Sample(nearest, float2(0.5, 0.5)) == 0), 9);
    check(all(pair[0].Load(int3(1, 2, 0)) == float4(1, 2, 21, 0.5)), 10);

    check(input.vertexFailed == 0, input.vertexFailed);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
