cbuffer Weights : register(b0)
{
    float weights[2];
    float bias;
};
float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, weights[1] + bias); }
// glslang pads an array's last element; HLSL does not, and the member
// after it is read from the tail of its register (self_check/constant_packing.fx
// checks the values).
// expect: vs_main vs_4_0 compiles
//   cb: Weights@b0:32
