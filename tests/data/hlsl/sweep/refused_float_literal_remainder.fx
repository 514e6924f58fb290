// `%` between two float constants at file scope, which glslang's parser
// folds with GLSL's meaning before any later pass sees it; inside a function
// the same compiles (self_check/remainder_folding.fx checks the results).
// expect: PS ps_4_0 error (6,39) 'outside a function'
cbuffer C : register(b0) { float g_x; };
static const float kFolded = 1 + -7.5 % 2.0;
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float wrapped = g_x % 2.5 + 0.5 * 3.0 % g_x + g_x * 3.0 % 2 - 7.5 % 2.0;
    return wrapped + kFolded;
}
