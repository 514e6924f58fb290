struct Light { float a[2]; float b; };
cbuffer Lights { float4 head; Light light; };
float4 vs_main() : SV_Position { return head + light.b; }
// Inside a structure, the member is named by its path, and the error
// points at its declaration in the structure.
// expect: vs_main vs_4_0 error (1,34) 'member 'light.b' is at byte 20'
