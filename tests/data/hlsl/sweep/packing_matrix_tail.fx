cbuffer Basis { float3x3 basis; float scale; };
float4 vs_main(float3 p : POSITION) : SV_Position { return float4(mul(basis, p), scale); }
// HLSL leaves a matrix's last register open to the next member.
// expect: vs_main vs_4_0 compiles
//   cb: Basis@b0:48
