// Near relations of what the compiler refuses, which it takes.
float4x4 m;
#if 0
interface ILight { float3 Shade(float3 n); };
#if NESTED
#endif
float2 Diagonal() { return m._m00_m11; }
#endif
#define DIAGONAL(x) (x)._11_22
struct Odd { float _11_22; };
class Sun { float k; float3 Shade(float3 n) { return n * k; } };
cbuffer C { float scale; };
static const float kTwice = 2;
static const float2x2 A = {1, 2, 3, 4};
static const float2x2 B = {5, 6, 7, 8};
float2x2 Products(float2x2 v) { return mul(A, B) + v * A * B + A * v; }
float4 vs_main(float4 p : POSITION) : SV_Position
{
    float b[2] = { p.x, p.y };
    float c[2] = (float[2])b;
    Odd o; o._11_22 = c[1];
    Sun s; s.k = m._m00 + m._22 + o._11_22 + DIAGONAL(m).y + m._m00_m11.x + m._11_22_33.z;
    return float4(s.Shade(p.xyz), scale * kTwice);
}
// expect: vs_main vs_4_0 compiles
