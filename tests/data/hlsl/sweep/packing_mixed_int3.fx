cbuffer Mixed
{
    float f;
    int3 i;
};
float4 vs_main() : SV_Position { return float4(i, f); }
// Mixed types, with an int3 where only HLSL can put it.
// expect: vs_main vs_4_0 error (4,10) 'constant buffer 'Mixed': member 'i' at byte 4 cannot be placed there in a GLSL uniform block'
