struct Base { float a; };
  class Sun : Base { float3 Shade(float3 n) { return n * a; } };
float4 vs_main(float4 p : POSITION) : SV_Position { return p; }
// expect: vs_main vs_4_0 error (2,3) 'class inheritance ('class Sun : ...') is not supported by this compiler'
