// `%` whose operands are constant expressions, which a compiler may fold
// before the shader runs: HLSL's float `%` is x - y * trunc(x / y), with the
// sign of the dividend, whether folded or not; an unsigned remainder by zero
// is 0xFFFFFFFF; `*`, `/` and `%` group from the left at one level, and the
// right operand of `%` is a unary expression (casts, signs, calls, members).
// profile: 5_0
// b0: float -7.5 2 0 0
cbuffer Inputs : register(b0)
{
    float4 operands; // -7.5, 2
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

struct Pair { float first, second; };

float4 ps_main(VSOut input) : SV_Target
{
    check((-5.0 - 2.5) % 2.0 == -1.5, 1);
    check((5.0 + 2.5) % -2.0 == 1.5 && (5.0 + 2.5) % (1.0 - 3.0) == 1.5, 2);
    const float a = -7.5;
    const float b = 2.0;
    check(a % b == -1.5 && -a % -b == 1.5 && a % -b == -1.5, 3);
    check(7u % 0u == 0xFFFFFFFF && 7u % 0 == 0xFFFFFFFF, 4);
    float r = -7.5;
    r %= 1.0 + 1.0;
    uint u = 9u;
    u %= 0u;
    check(r == -1.5 && u == 0xFFFFFFFF, 5);
    check(all(float2(-7.5, 7.5) % float2(2, -2) == float2(-1.5, 1.5)), 6);
    const Pair pair = { 3.0, 2.0 };
    check(-7.5 % (float)2 == -1.5 && -7.5 % float2(3, 2).y == -1.5 && -7.5 % pair.second == -1.5, 7);
    check(2.0 * -7.5 % 4.0 == -3.0 && -7.5 / 1.0 % 2.0 + 0.5 == -1.0 && 4.0 % 3.0 * -2.0 == -2.0, 8);
    check(-7 % 2 == -1 && (-9) % (1 + 1) == -1 && 7 % -2 == 1, 9);
    // The same with operands the compiler cannot fold.
    check(operands.x % operands.y == -1.5 && (operands.x - 0.0) % operands.y == -1.5, 10);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
