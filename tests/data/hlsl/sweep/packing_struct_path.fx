struct Light { float a[2]; float b; };
cbuffer Lights { float4 head; Light light; };
float4 vs_main() : SV_Position { return head + light.b; }
// Inside a structure, a member in the tail of an array's last register.
// expect: vs_main vs_4_0 compiles
//   cb: Lights@b0:48
