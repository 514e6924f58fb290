cbuffer Odd { float a; float3 b; float c; float2 d; float e; };
float4 vs_main() : SV_Position { return float4(b, a + c + d.y + e); }
// float3 at byte 4 has no place in a std140 block; rows of vec4 hold a
// buffer of one basic type at any HLSL offset.
// expect: vs_main vs_4_0 compiles
//   cb: Odd@b0:32
