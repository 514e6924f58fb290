// switch, while and do loops, early returns.
// expect: PS ps_4_0 compiles
cbuffer Params : register(b0) { int g_mode; int g_iterations; float4 g_color; };

float4 PS(float4 pos : SV_Position) : SV_Target
{
    float4 color = g_color;
    switch (g_mode)
    {
    case 0:
        color.rgb = color.bgr;
        break;
    case 1:
    case 2:
        color *= 0.5;
        break;
    default:
        return 0;
    }
    int i = 0;
    while (i < g_iterations)
    {
        color.r = frac(color.r * 1.5);
        if (color.r > 0.9)
            break;
        ++i;
    }
    do
    {
        color.g += 0.1;
        if (color.g < 0.2)
            continue;
    } while (color.g < 1);
    return color;
}
