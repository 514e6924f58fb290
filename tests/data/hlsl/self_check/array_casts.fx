// Casts to an array type: the operand's scalars in order (a matrix row by
// row, a structure member by member) fill the array's scalars, each
// converted to the element's type; a longer operand leaves its last
// scalars out, a scalar fills every place. The expected values are that
// rule applied by hand.
// b0: float 1 2 3 4  2.75 -2.75 7 0.5
cbuffer Inputs : register(b0)
{
    float4 v;  // (1, 2, 3, 4)
    float4 w;  // (2.75, -2.75, 7, 0.5)
};

struct S { float a; float2 b; };

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    float a[2] = (float[2])v.zw;
    output.position = float4(position, a[1] - a[0]);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(VSOut input) : SV_Target
{
    uint u[4] = (uint[4])(v * 2);
    check(u[0] == 2 && u[1] == 4 && u[2] == 6 && u[3] == 8, 1);
    // Each scalar converted by value: 2.75 to 2, -2.75 to -2.
    int i[3] = (int[3])w;
    check(i[0] == 2 && i[1] == -2 && i[2] == 7, 2);
    float2 f[2] = (float2[2])float2x2(v);
    check(all(f[0] == float2(1, 2)) && all(f[1] == float2(3, 4)), 3);
    float4x4 m = { v, v + 4, v + 8, v + 12 };
    float4 rows[2] = (float4[2])m;
    check(all(rows[1] == float4(5, 6, 7, 8)), 4);
    float splat[3] = (float[3])w.w;
    check(splat[0] == 0.5 && splat[2] == 0.5, 5);
    S s[2] = (S[2])float3x2(v.xy, v.zw, 9, 10);
    check(s[0].a == 1 && all(s[0].b == float2(2, 3)) && s[1].a == 4 && all(s[1].b == float2(9, 10)), 6);
    float3 parts[2] = (float3[2])m;
    check(all(parts[1] == float3(4, 5, 6)), 7);
    // Read in place, and of an array of another type.
    check(((float[2])v.yx)[0] == 2 && ((int[2])f)[1] == 2, 8);
    bool flags[2] = (bool[2])float2(0, w.w);
    check(!flags[0] && flags[1], 9);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
