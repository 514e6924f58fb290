cbuffer Big
{
    float4 fits[4000];
    float4 overflows[97];
};
float4 vs_main() : SV_Position { return fits[1] + overflows[2]; }
cbuffer Max { float4 all[4096]; };
float4 vs_max() : SV_Position { return all[4095]; }
// A constant buffer holds 4096 registers, 65536 bytes, and no more; the
// error points at the member that overflows.
// expect: vs_main vs_4_0 error (4,12) 'constant buffer 'Big' takes 4097 registers'
// expect: vs_max vs_4_0 compiles
//   cb: Max@b0:65536
