// Matrices as HLSL defines them: `*` and `*=` between matrices multiply per
// component and mul() is the matrix product; a row vector is mul(v, M), a
// column vector mul(M, v); m[i] is row i, _m01 and _12 are row 0, column 1,
// and _m10_m01 reads several elements at once.
// Constant-buffer matrices are packed column by column unless declared
// row_major: each register holds one column (or one row), its last unused
// components belong to no one (filled here with 99).
// b0: float 1 3 99 99   2 4 99 99
// b0: float 5 6 99 99   7 8 99 99
// b0: float 1 4 99 99   2 5 99 99   3 6 99 99
// b0: float 1 2 3 99    4 5 6 99
// b0: float 1 2 3 4
cbuffer Matrices : register(b0)
{
    float2x2 a;                 // [1 2; 3 4], column by column
    row_major float2x2 r;       // [5 6; 7 8], row by row
    column_major float2x3 c23;  // [1 2 3; 4 5 6], three columns
    row_major float2x3 r23;     // [1 2 3; 4 5 6], two rows
    float4 v;                   // 1, 2, 3, 4
};

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    VSOut output;
    output.position = float4(position, 1.0);
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float2 Diagonal(float2x2 m)
{
    return m._m00_m11;
}

bool same(float2x2 m, float4 rows)
{
    return all(m[0] == rows.xy) && all(m[1] == rows.zw);
}

float4 ps_main(VSOut input) : SV_Target
{
    // Packing and element access.
    check(a._m00 == 1 && a._m01 == 2 && a._m10 == 3 && a._m11 == 4, 1);
    check(a._11 == 1 && a._12 == 2 && a._21 == 3 && a._22 == 4, 2);
    check(all(a[0] == float2(1, 2)) && a[1][0] == 3 && a[0].y == 2, 3);
    check(same(r, float4(5, 6, 7, 8)) && r._m01 == 6 && r._21 == 7, 4);
    // Several elements at once, in any order.
    check(all(a._m10_m01 == float2(3, 2)) && all(r._11_22_12 == float3(5, 8, 6)), 19);
    check(all(-a._m11_m00 == float2(-4, -1)) && all(Diagonal(r) == float2(5, 8)), 20);
    check(all(c23._m12_m02_m10 == float3(6, 3, 4)) && all(r23._23_11 == float2(6, 1)), 21);
    check(all(c23[0] == float3(1, 2, 3)) && all(c23[1] == float3(4, 5, 6)) && c23._m12 == 6, 5);
    check(all(r23[0] == float3(1, 2, 3)) && all(r23[1] == float3(4, 5, 6)) && r23._23 == 6, 6);

    // `*` per component, mul() the product.
    check(same(a * r, float4(5, 12, 21, 32)), 7);
    check(same(mul(a, r), float4(19, 22, 43, 50)), 8);
    check(same(mul(r, a), float4(23, 34, 31, 46)), 9);
    float2x2 m = a;
    m *= r;
    check(same(m, float4(5, 12, 21, 32)), 10);
    check(same(a * 2, float4(2, 4, 6, 8)) && same(a * a, float4(1, 4, 9, 16)), 12);

    // Vectors: a row vector on the left, a column vector on the right.
    check(all(mul(v.xy, a) == float2(7, 10)) && all(mul(a, v.xy) == float2(5, 11)), 13);
    check(all(mul(c23, v.xxx) == float2(6, 15)) && all(mul(v.xx, c23) == float3(5, 7, 9)), 14);
    check(all(mul(v.xy, r23) == float3(9, 12, 15)), 15);

    // Constructors fill row by row; transpose and determinant.
    const float2x2 built = float2x2(v.x, v.y, v.z, v.w);
    check(same(built, float4(1, 2, 3, 4)) && built._m01 == 2, 16);
    check(same(transpose(a), float4(1, 3, 2, 4)) && determinant(a) == -2, 17);

    // Local matrices, folded by the optimizer.
    float2x2 x = float2x2(1, 2, 3, 4);
    float2x2 y = float2x2(5, 6, 7, 8);
    check(same(x * y, float4(5, 12, 21, 32)) && same(mul(x, y), float4(19, 22, 43, 50)), 18);
    check(all(x._m01_m10_m11 == float3(2, 3, 4)), 22);
    float2x2 z = a;
    z._m00_m11 = v.zw;
    check(same(z, float4(3, 2, 3, 4)), 23);
    // A matrix swizzle as one value of ?:.
    const float2 chosen = v.z > 0 ? x._m10_m01 : v.xy;
    check(all(chosen == float2(3, 2)), 24);
    // Of a matrix read by a variable index: read once, then taken apart.
    float2x2 pair[2] = { x, y };
    const int index = (int)v.x; // 1
    check(all(pair[index]._m00_m11 == float2(5, 8)) && all(pair[index - 1]._m10_m01 == float2(3, 2)), 25);

    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
