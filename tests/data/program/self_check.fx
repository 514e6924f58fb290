// An effect file that checks what the program hands each stage and paints
// what it found, for render_test.cpp to read back.
//
// Pass 1 writes into the Depth Buffer (cleared to 1, 1, 1, 1):
// - the teapot, each texel (vertex check, geometry check, pixel check, 0.25),
//   a check being 1 where it held: the constant block arrives in full (the
//   clock runs and the test's marker sits in the block's last float), the
//   vertex normals are unit vectors, texture slot 0 reads as empty;
// - from row 700 on, texel i holds vertex i's position as the vertex stage
//   received it, alpha 0.5;
// - in rows 8 to 39, three 32-pixel squares from the depth test: a far
//   (blue) square then a near (green) one, a near one then a far one, and a
//   far one alone;
// Pass 2 paints every pixel green where it reads the Depth Buffer (no texel
//   of it is all zero), the sampler wraps in u and v (one whole texture
//   to the right, and below, reads the same texel) and no geometry stage
//   stands between the vertex and pixel stages, red where not.

cbuffer SceneConstants : register(b0)
{
    float    time;
    float3   reserved0;
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float    passMode;
    float3   reserved1;
    float4   reserved2[41];
    float4   lastRow;
};

Texture2D    depthBuffer : register(t0);
SamplerState linearWrap  : register(s0);

static const float4 kNear = float4(0.0, 1.0, 0.0, 1.0);
static const float4 kFar  = float4(0.0, 0.0, 1.0, 1.0);

struct VSInput
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
    uint   id       : SV_VertexID;
};

struct VSOutput
{
    float4 position : SV_Position;
    nointerpolation float4 colour : COLOR;
    nointerpolation float4 raw    : RAW; // position as read, vertex index
};

struct GSOutput
{
    float4 position : SV_Position;
    nointerpolation float4 colour : COLOR;
};

float Holds(bool check)
{
    return check ? 1.0 : 0.0;
}

bool ConstantsArrive()
{
    return time > 0.0 && lastRow.w == 0.75;
}

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    if (passMode > 1.0)
        output.position = float4(input.position.xy, 0.5, 1.0);
    else
        output.position = mul(projection, mul(view, mul(world, float4(input.position, 1.0))));
    bool unitNormal = abs(dot(input.normal, input.normal) - 1.0) < 0.001;
    output.colour = float4(Holds(ConstantsArrive() && unitNormal), 0.0, 0.0, 0.0);
    output.raw    = float4(input.position, float(input.id));
    return output;
}

// A rectangle in pixels, drawn as a clockwise strip like the screen quad.
void Rectangle(inout TriangleStream<GSOutput> stream, float2 topLeft, float size, float depth, float4 colour)
{
    GSOutput corner;
    corner.colour = colour;
    [unroll]
    for (int i = 0; i < 4; ++i)
    {
        float2 pixel = topLeft + size * float2(i % 2, i / 2);
        corner.position = float4(pixel.x / 640.0 - 1.0, 1.0 - pixel.y / 360.0, depth, 1.0);
        stream.Append(corner);
    }
    stream.RestartStrip();
}

[maxvertexcount(35)]
void gs_main(triangle VSOutput input[3], inout TriangleStream<GSOutput> stream)
{
    float geometryCheck = Holds(ConstantsArrive());
    GSOutput vertex;
    [unroll]
    for (int i = 0; i < 3; ++i)
    {
        vertex.position = input[i].position;
        vertex.colour   = float4(input[i].colour.x, geometryCheck, 0.0, 0.25);
        stream.Append(vertex);
    }
    stream.RestartStrip();

    [unroll]
    for (int j = 0; j < 3; ++j)
    {
        float id = input[j].raw.w;
        float2 texel = float2(fmod(id, 1280.0), 700.0 + floor(id / 1280.0));
        Rectangle(stream, texel, 1.0, 0.0, float4(input[j].raw.xyz, 0.5));
    }

    Rectangle(stream, float2(8.0, 8.0), 32.0, 0.75, kFar);
    Rectangle(stream, float2(8.0, 8.0), 32.0, 0.25, kNear);
    Rectangle(stream, float2(48.0, 8.0), 32.0, 0.25, kNear);
    Rectangle(stream, float2(48.0, 8.0), 32.0, 0.75, kFar);
    Rectangle(stream, float2(88.0, 8.0), 32.0, 0.75, kFar);
}

float4 ps_main(GSOutput input) : SV_Target
{
    if (passMode < 1.0)
    {
        float4 colour = input.colour;
        if (colour.w == 0.25)
        {
            bool empty = all(depthBuffer.Load(int3(input.position.xy, 0)) == 0.0);
            colour.z = Holds(ConstantsArrive() && empty);
        }
        return colour;
    }
    float2 uv    = input.position.xy / float2(1280.0, 720.0);
    float4 here  = depthBuffer.Sample(linearWrap, uv);
    float4 right = depthBuffer.Sample(linearWrap, uv + float2(1.0, 0.0));
    float4 below = depthBuffer.Sample(linearWrap, uv + float2(0.0, 1.0));
    bool wraps = all(abs(here - right) < 0.01) && all(abs(here - below) < 0.01);
    // The vertex stage's colour arrives as it left: no geometry stage is
    // bound (one would set its alpha).
    bool direct = input.colour.w == 0.0;
    return wraps && direct && here.w > 0.0 ? float4(0.0, 1.0, 0.0, 1.0) : float4(1.0, 0.0, 0.0, 1.0);
}
