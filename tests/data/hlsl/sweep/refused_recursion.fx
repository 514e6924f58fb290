// HLSL has no recursion.
// expect: PS ps_4_0 error (6,20) 'recursion'
float Factorial(float n)
{
    if (n > 1)
        return n * Factorial(n - 1);
    return 1;
}

float4 PS(float4 pos : SV_Position) : SV_Target
{
    return Factorial(pos.x);
}
