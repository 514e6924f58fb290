// `%` between a float declared const and a literal at file scope, after a
// binary minus; inside the function the same compiles.
// expect: PS ps_4_0 error (6,43) 'outside a function'
static const float kPeriod = 7.5;
static const int kSteps = 4;
static const float kPhase = 1.0 - kPeriod % 2;
cbuffer C : register(b0) { float g_x; };
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float wrapped = g_x % kPeriod + kSteps % 3;
    return g_x - kPeriod % 2 + kPhase;
}
