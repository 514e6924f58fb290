// The pixel stage's SV_Position.w is the clip-space w, interpolated as a
// clip-space value: here every vertex has w = 4, so every pixel sees 4
// (GL's gl_FragCoord.w is 1/w, 0.25). The vertices are scaled by w so
// that the strip still covers the target, and z / w stays 0.5.
struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position * 4.0, 4.0);
    return output;
}

float4 ps_main(VSOut input) : SV_Target
{
    if (input.position.w != 4.0)
        return float4(1, 1, 0, 1);
    if (input.position.z != 0.5 || any(frac(input.position.xy) != 0.5))
        return float4(1, 2, 0, 1);
    return float4(0, 1, 0, 1);
}
