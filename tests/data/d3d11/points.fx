// Points a geometry stage emits at window positions given in pixels: b0 of
// the geometry stage holds the position (x, y) and the target's size.
cbuffer Point : register(b0)
{
    float2 window;
    float2 size;
};

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1.0);
}

struct PointOut { float4 position : SV_Position; };

[maxvertexcount(1)]
void gs_point(triangle float4 input[3] : SV_Position, inout PointStream<PointOut> stream)
{
    PointOut output;
    // Exact for a power-of-two size: the position is the window's.
    output.position = float4(window.x / size.x * 2 - 1, 1 - window.y / size.y * 2, 0.5, 1);
    stream.Append(output);
}

float4 ps_green(float4 position : SV_Position) : SV_Target
{
    return float4(0, 1, 0, 1);
}
