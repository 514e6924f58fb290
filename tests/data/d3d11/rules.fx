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
