static const float2x2 A = {1, 2, 3, 4};
static const float2x2 B = {5, 6, 7, 8};
float4 vs_main(float4 p : POSITION) : SV_Position { float2x2 c = -A * B; return p * c._m01; }
// expect: vs_main vs_4_0 error (3,69) ''*' between two constant matrices is not supported by this compiler, which would fold it into the matrix product; declare one of them without const'
