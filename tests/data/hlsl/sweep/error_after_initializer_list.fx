// An error after brace initializer lists on the same line keeps its column:
// the constructors and braces written into the lists do not count, nor does
// a value read component by component, nor a `%` inside a list.
// expect: PS ps_4_0 error (10,91) 'unknown variable'
cbuffer C : register(b0) { float4 v; };
struct S { float a; float2 b; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    S s[2] = { pos, v.y, 7 }; float4 q = { s[0].b, 5, s[1].a };
    float3 a[2] = { v, v.x % 2, 1 }; float2x2 m = { { 1, 2 }, v.zw }; return q + a[1].x + missing;
}
