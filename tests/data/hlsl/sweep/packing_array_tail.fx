cbuffer Weights : register(b0)
{
    float weights[2];
    float bias;
};
float4 vs_main(float3 p : POSITION) : SV_Position { return float4(p, weights[1] + bias); }
// glslang pads an array's last element; HLSL does not. A member the code
// would read elsewhere than HLSL puts it is refused at the member.
// expect: vs_main vs_4_0 error (4,11) 'constant buffer 'Weights': member 'bias' is at byte 20 under HLSL packing, but the generated code would read it at byte 32'
