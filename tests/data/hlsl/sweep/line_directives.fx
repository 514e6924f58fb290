// #line moves error positions, as on Windows.
// expect: PS ps_4_0 error (200,16) 'undeclaredValue'
float4 PS(float4 pos : SV_Position) : SV_Target
{
#line 199
    float4 c = 1;
    return c * undeclaredValue;
}
