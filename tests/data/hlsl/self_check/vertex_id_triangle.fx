// A vertex shader that reads no input but SV_VertexID, as post-processing
// passes draw without a vertex buffer: vertices 0, 1, 2 make one triangle
// covering the target (uv (0,0), (2,0), (0,2)). The input layout the test
// binds has POSITION and NORMAL, which the shader does not read.
struct Fullscreen
{
    float4 position : SV_Position;
    float2 uv : TEXCOORD0;
    nointerpolation uint id : VERTEXID;
};

Fullscreen vs_main(uint id : SV_VertexID)
{
    Fullscreen output;
    output.uv = float2((id << 1) & 2, id & 2);
    output.position = float4(output.uv * float2(2, -2) + float2(-1, 1), 0.5, 1);
    output.id = id;
    return output;
}

static uint failed = 0;
void check(bool ok, uint number)
{
    if (!ok && failed == 0)
        failed = number;
}

float4 ps_main(Fullscreen input) : SV_Target
{
    // uv runs 0..1 over the 16 x 16 target, from the top left.
    check(all(abs(input.uv - input.position.xy / 16) < 1e-4), 1);
    // The first triangle of the strip: vertices 0, 1, 2, led by vertex 0.
    check(input.id == 0, 2);
    return failed == 0 ? float4(0, 1, 0, 1) : float4(1, failed, 0, 1);
}
