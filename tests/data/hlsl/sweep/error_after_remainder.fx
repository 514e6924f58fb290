// A syntax error after `%` operators on the same line keeps its column: the
// text inserted around their right operands does not count.
// expect: PS ps_4_0 error (7,54) 'Expected'
cbuffer C : register(b0) { float4 v; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float a = v.x % 2.0 + (v.y % -v.z) % 3.0 * 2.0 + ;
    return a;
}
