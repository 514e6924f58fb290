// A class derives from a struct and from an interface, named on two lines.
struct Base { float a; };
interface IShade { float3 Shade(float3 n); };
  class Sun : Base,
              IShade { float3 Shade(float3 n) { return n * a; } };
float4 vs_main(float4 p : POSITION) : SV_Position { Sun s; s.a = 2; return float4(s.Shade(p.xyz), 1); }
// expect: vs_main vs_4_0 compiles
//   in: POSITION0:f4@0
//   out: SV_POSITION0:f4sv
