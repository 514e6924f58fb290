cbuffer Mixed { float f; int i; float2 v; uint4 flags; };
float4 vs_main() : SV_Position { return float4(v, f + i, flags.w); }
// Mixed types at offsets a std140 block can hold.
// expect: vs_main vs_4_0 compiles
//   cb: Mixed@b0:32
