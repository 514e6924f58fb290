// #pragma pack_matrix sets the packing of the matrices declared after it
// without a qualifier: row_major keeps one row per register, column_major
// (the default) one column; a qualifier overrides it. The two 4x4 matrices
// below hold 1..16 in register order.
// b0: float 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16
// b0: float 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16
// b0: float 1 2 3 4 5 6 7 8 9 10 11 12
#pragma pack_matrix(row_major)
cbuffer Inputs : register(b0)
{
    float4x4 rowMajor;
    column_major float4x4 columnMajor;
    float3x4 rowMajor3x4;
};
#pragma pack_matrix(column_major)

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

float4 ps_main(VSOut input) : SV_Target
{
    check(all(rowMajor[0] == float4(1, 2, 3, 4)) && all(rowMajor[3] == float4(13, 14, 15, 16)), 1);
    check(rowMajor._12 == 2 && rowMajor._21 == 5, 2);
    check(all(mul(float4(0, 1, 0, 0), rowMajor) == float4(5, 6, 7, 8)), 3);
    check(all(columnMajor[0] == float4(1, 5, 9, 13)) && columnMajor._12 == 5, 4);
    check(all(mul(columnMajor, float4(1, 0, 0, 0)) == float4(1, 2, 3, 4)), 5);
    check(all(rowMajor3x4[2] == float4(9, 10, 11, 12)) && rowMajor3x4._23 == 7, 6);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
