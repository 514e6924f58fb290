// Brace initializer lists: HLSL takes every value apart into its scalars and
// fills the variable's scalars with them in order (structure members in
// order, array elements in order, a matrix row by row), each converted to
// the scalar type it fills, whatever braces the list nests. The expected
// values below are that rule applied by hand.
// b0: float 1 2 3 4  2.75 -2.75 0 1
cbuffer Inputs : register(b0)
{
    float4 v;  // (1, 2, 3, 4)
    float4 w;  // (2.75, -2.75, 0, 1)
};

struct S { float a; float2 b; float c; };
struct Flags { int i; uint u; bool on; float f; };
struct Outer { S s; int2 k; float1 last; };
struct Grid { float cells[2][2]; float3 tail; };

static const float3 kTable[2] = { 10, 11, 12, 13, 14, 15 };

struct VSOut { float4 position : SV_Position; };

VSOut vs_main(float3 position : POSITION, float3 normal : NORMAL)
{
    float4x4 rows = { v, v + 1, v.wzyx, 0, 0, 0, 1 };
    VSOut output;
    output.position = float4(position, rows._m33 + rows._m20 - 4.0);
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
    // A matrix from four vectors: each a row.
    float4x4 m = { v, v + 1, v * 2, v.wzyx };
    check(all(m[1] == float4(2, 3, 4, 5)) && m._m30 == 4 && m._m03 == 4 && m[2][3] == 8, 1);
    // A structure from a scalar, a vector and a scalar, and from scalars only.
    S s = { 1, float2(2, 3), 4 };
    S t = { 5, 6, 7, 8 };
    check(s.a == 1 && all(s.b == float2(2, 3)) && s.c == 4 && t.a == 5 && all(t.b == float2(6, 7)) && t.c == 8, 2);
    // An array of structures from one flat list; a vector split across two.
    S pair[2] = { v, 9, v.zw, 10 };
    check(pair[0].a == 1 && all(pair[0].b == float2(2, 3)) && pair[0].c == 4 && pair[1].a == 9, 3);
    check(all(pair[1].b == float2(3, 4)) && pair[1].c == 10, 4);
    // Nested braces mixed with flat values.
    float3 a[2] = { { 1, 2, 3 }, 4, 5, 6 };
    float3 b[2] = { 1, 2, 3, 4, 5, 6 };
    check(all(a[0] == float3(1, 2, 3)) && all(a[1] == b[1]) && all(b[1] == float3(4, 5, 6)), 5);
    // Each scalar converted to the type it fills: 2.75 to int 2, -2.75 to
    // int -2, 0 to false, a float into a uint.
    Flags f = { w.x, w.y + 3.0, w.z, 7 };
    check(f.i == 2 && f.u == 0 && !f.on && f.f == 7, 6);
    Flags g = { w.yxwx };
    check(g.i == -2 && g.u == 2 && g.on && g.f == 2.75, 7);
    // A matrix taken apart into a list for a vector and a scalar.
    float2x2 square = { 1, 2, 3, 4 };
    float3 parts[2] = { square, 5, 6 };
    check(all(parts[0] == float3(1, 2, 3)) && all(parts[1] == float3(4, 5, 6)), 8);
    // A structure value inside a list, and nested structures.
    Outer o = { s, 20, 21, 22 };
    check(o.s.a == 1 && all(o.s.b == float2(2, 3)) && o.s.c == 4 && all(o.k == int2(20, 21)) && o.last == 22, 9);
    Outer p = { { 1, 2, 3, 4 }, { 5, 6 }, 7 };
    check(p.s.c == 4 && p.k.y == 6 && p.last == 7, 10);
    // Arrays of arrays, and a static constant at file scope.
    Grid grid = { square, 5, 6, 7 };
    check(grid.cells[0][1] == 2 && grid.cells[1][0] == 3 && all(grid.tail == float3(5, 6, 7)), 11);
    check(all(kTable[1] == float3(13, 14, 15)) && kTable[0].z == 12, 12);
    // A vector from a list with a swizzle and a scalar in it.
    float4 joined = { v.xy * 2, 3 + v.x, w.w };
    check(all(joined == float4(2, 4, 4, 1)), 13);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
