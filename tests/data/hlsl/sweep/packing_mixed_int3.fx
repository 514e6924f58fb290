cbuffer Mixed
{
    float f;
    int3 i;
};
float4 vs_main() : SV_Position { return float4(i, f); }
// Mixed types, with an int3 where only HLSL can put it: the buffer is read
// as registers.
// expect: vs_main vs_4_0 compiles
//   cb: Mixed@b0:16
