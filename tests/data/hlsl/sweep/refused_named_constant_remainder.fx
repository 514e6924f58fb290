// `%` between a float declared const and a literal, after a binary minus.
// expect: PS ps_4_0 error (9,26) 'write fmod() instead'
static const float kPeriod = 7.5;
static const int kSteps = 4;
cbuffer C : register(b0) { float g_x; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float wrapped = g_x % kPeriod + kSteps % 3;
    return g_x - kPeriod % 2;
}
