// HLSL puts a double3 after a float at the next register (byte 16), where
// the code generated for a dvec3 reads it 32-byte aligned; buffers are
// lowered to HLSL's offsets only for 32-bit members, so this one is refused.
// expect: vs_main vs_5_0 error (5,48) 'would read it at byte 32'
cbuffer Wide : register(b0) { float a; double3 b; };
float4 vs_main() : SV_Position { return float4(a, (float)b.x, 0, 1); }
