// noise() is a texture-shader intrinsic only: shader model 4 and 5 refuse it.
// expect: PS ps_4_0 error (6,15) 'noise'
float4 PS(float4 pos : SV_Position) : SV_Target
{
    float n;
    n = 0.5 * noise(pos.xy);
    return n;
}
