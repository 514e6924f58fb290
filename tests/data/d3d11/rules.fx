// Stages for the layer's tests of rules Direct3D 11 states and GL leaves to
// the driver (tests/platform/d3d11/rules_test.cpp).
cbuffer Values : register(b0)
{
    float4 values; // x: the depth ps_depth writes
};

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1.0);
}

float4 ps_depth(float4 position : SV_Position, out float depth : SV_Depth) : SV_Target
{
    depth = values.x;
    return float4(0, 1, 0, 1);
}

// Two clip distances written by the vertex stage, the last before the
// rasterizer: x and y of the position, so only the upper right quarter of
// the viewport (x > 0, y > 0) is drawn.
struct ClipOut
{
    float4 position : SV_Position;
    float2 clip : SV_ClipDistance0;
};

ClipOut vs_clip(float3 position : POSITION, float3 normal : NORMAL)
{
    ClipOut output;
    output.position = float4(position, 1.0);
    output.clip = position.xy;
    return output;
}

// One clip distance written by a geometry stage: -x, so only the left half
// is drawn.
struct GeometryClipOut
{
    float4 position : SV_Position;
    float clip : SV_ClipDistance0;
};

[maxvertexcount(3)]
void gs_clip(triangle float4 input[3] : SV_Position, inout TriangleStream<GeometryClipOut> stream)
{
    for (int i = 0; i < 3; ++i) {
        GeometryClipOut output;
        output.position = input[i];
        output.clip = -input[i].x;
        stream.Append(output);
    }
}

// A geometry stage that reads the vertex stage's distances (x and y of the
// position) and emits the structure it read, with distances of its own:
// y and -x, so only the upper left quarter is drawn. The vertex stage's own
// distances do not clip, or nothing would be.
[maxvertexcount(3)]
void gs_clip_through(triangle ClipOut input[3], inout TriangleStream<ClipOut> stream)
{
    for (int i = 0; i < 3; ++i) {
        ClipOut output = input[i];
        output.clip = float2(input[i].clip.y, -input[i].clip.x);
        stream.Append(output);
    }
}

float4 ps_green(float4 position : SV_Position) : SV_Target
{
    return float4(0, 1, 0, 1);
}
