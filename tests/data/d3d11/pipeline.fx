// Stages the layer tests (tests/platform/d3d11) draw with. Every stage has
// its own b0, t0, t1 and s0; the tests bind different buffers per stage.
cbuffer Scene : register(b0)
{
    float4 offset;
    float4 colour;
};
Texture2D source : register(t0);
Texture2D second : register(t1);
SamplerState sampled : register(s0);

struct Coloured
{
    float4 position : SV_Position;
    float4 tint : COLOR0;
};

// The program's vertex: POSITION moved by b0's offset; COLOR0 = b0's colour
// plus NORMAL.
Coloured vs_colour(float3 position : POSITION, float3 normal : NORMAL)
{
    Coloured output;
    output.position = float4(position + offset.xyz, 1.0);
    output.tint = colour + float4(normal, 0.0);
    return output;
}

float4 ps_colour(Coloured input) : SV_Target
{
    return input.tint;
}

// A reloaded vertex stage that declares its inputs in the other order;
// COLOR0 = NORMAL.
Coloured vs_swapped(float3 normal : NORMAL, float3 position : POSITION)
{
    Coloured output;
    output.position = float4(position, 1.0);
    output.tint = float4(normal, 1.0);
    return output;
}

// SV_Position as a vertex input is an element of the input layout.
Coloured vs_position(float3 normal : NORMAL, float4 position : SV_Position)
{
    Coloured output;
    output.position = position;
    output.tint = float4(position.z, normal.x + 0.25, position.w, 1.0);
    return output;
}

// The pixel stage's own b0 colour.
float4 ps_constant() : SV_Target
{
    return colour;
}

// Texture slot 0 at the pixel's own texel of a 1280 x 720 texture.
float4 ps_copy(float4 position : SV_Position) : SV_Target
{
    return source.Sample(sampled, position.xy / float2(1280.0, 720.0));
}

// Texture slot 1 alone: its pair with s0 takes the stage's first texture
// unit, as slot 0's does in ps_copy.
float4 ps_second() : SV_Target
{
    return second.Sample(sampled, float2(0.5, 0.5));
}

// u = 1.25 of a 2 x 1 texture: wrapping reads texel 0, clamping texel 1.
float4 ps_wrap() : SV_Target
{
    return source.Sample(sampled, float2(1.25, 0.5));
}

// The last slot of each kind.
cbuffer Last : register(b13)
{
    float4 lastColour;
};
Texture2D lastTexture : register(t127);
SamplerState lastSampler : register(s15);

float4 ps_last_slots() : SV_Target
{
    return lastColour + lastTexture.Sample(lastSampler, float2(1.25, 0.5));
}

// VALUE in every channel; the tests compile it with their own VALUE.
#ifndef VALUE
#define VALUE 0
#endif
float4 ps_value() : SV_Target
{
    return VALUE;
}

// Geometry stages: each vertex's COLOR0 becomes this stage's own colour plus
// what it samples; the program never binds textures to this stage, so the
// slots read zero.
[maxvertexcount(3)]
void gs_tint(triangle Coloured input[3], inout TriangleStream<Coloured> stream)
{
    for (int i = 0; i < 3; ++i) {
        Coloured output = input[i];
        output.tint = colour + source.SampleLevel(sampled, float2(0.5, 0.5), 0);
        stream.Append(output);
    }
}

// Samples through a second texture unit.
[maxvertexcount(3)]
void gs_tint_swapped(triangle Coloured input[3], inout TriangleStream<Coloured> stream)
{
    for (int i = 0; i < 3; ++i) {
        Coloured output = input[i];
        output.tint = colour.yxzw + source.SampleLevel(sampled, float2(0.5, 0.5), 0)
                      + second.SampleLevel(sampled, float2(0.5, 0.5), 0);
        stream.Append(output);
    }
}

// Reads COLOR0 as integers where the vertex stage writes floats.
struct IntegerTint
{
    float4 position : SV_Position;
    nointerpolation int4 tint : COLOR0;
};
float4 ps_integer_tint(IntegerTint input) : SV_Target
{
    return float4(input.tint);
}

// Every vertex format the layer maps, read from two input slots: SV_Target0
// is TEXCOORD1 (R32G32B32A32_FLOAT), SV_Target1 COLOR0 (R8G8B8A8_UNORM).
struct Formats
{
    float4 position : SV_Position;
    nointerpolation float4 wide : TEXCOORD1;
    nointerpolation float4 bytes : COLOR0;
};
Formats vs_formats(float3 position : POSITION, float4 wide : TEXCOORD1, float4 bytes : COLOR0)
{
    Formats output;
    output.position = float4(position, 1.0);
    output.wide = wide;
    output.bytes = bytes;
    return output;
}
struct TwoTargets
{
    float4 first : SV_Target0;
    float4 second : SV_Target1;
};
TwoTargets ps_formats(Formats input)
{
    TwoTargets output;
    output.first = input.wide;
    output.second = input.bytes;
    return output;
}

// A matrix input: four elements, TEXCOORD2 to TEXCOORD5.
float4 vs_matrix(float3 position : POSITION, float4x4 basis : TEXCOORD2) : SV_Position
{
    return mul(float4(position, 1.0), basis);
}

// Texture slot 0 through s0 at this stage's b0 offset.xy.
float4 ps_sample() : SV_Target
{
    return source.Sample(sampled, offset.xy);
}
