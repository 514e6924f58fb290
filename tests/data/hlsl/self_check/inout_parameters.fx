// `inout` entry parameters: each is an input of its semantic and an output
// of the same semantic, which the next stage reads by that semantic.
struct VSOut { float4 position : SV_Position; };

void vs_main(inout float3 position : POSITION, inout float3 normal : NORMAL, out float4 clip : SV_Position)
{
    clip = float4(position, 1.0);
    position.z *= 4.0;
    normal.yz = float2(normal.x + 10.0, 7.0);
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(float4 clip : SV_Position, float3 position : POSITION, float3 normal : NORMAL) : SV_Target
{
    check(abs(position.z - 2.0) < 1e-5, 1);
    check(abs(normal.z - 7.0) < 1e-5 && abs(normal.y - normal.x - 10.0) < 1e-4, 2);
    // The position the vertex stage read is where the pixel lies.
    check(abs(position.x - (clip.x / 8.0 - 1.0)) < 1e-4 && abs(position.y - (1.0 - clip.y / 8.0)) < 1e-4, 3);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
