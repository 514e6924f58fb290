// An array of textures takes one t slot per element, first after the
// textures declared before it; elements the program leaves unbound read zero.
Texture2D first;
Texture2D layers[3];
SamplerState pointClamp;

// Each element's red channel in its own output channel; first's in alpha.
float4 elements(float4 position : SV_Position) : SV_Target
{
    return float4(layers[0].Load(int3(0, 0, 0)).r, layers[1].Load(int3(0, 0, 0)).r,
                  layers[2].Load(int3(0, 0, 0)).r, first.Load(int3(0, 0, 0)).r);
}

// Element i weighted i + 1, through the sampler, in a loop.
float4 weightedSum(float4 position : SV_Position) : SV_Target
{
    float sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += (i + 1) * layers[i].SampleLevel(pointClamp, float2(0.5, 0.5), 0).r;
    return float4(sum, 0, 0, 1);
}

float4 vs_main(float3 position : POSITION, float3 normal : NORMAL) : SV_Position
{
    return float4(position, 1);
}
// An unused texture takes no register: weightedSum never reads first.
// expect: elements ps_4_0 compiles
//   tex: t0 t1x3
// expect: weightedSum ps_4_0 compiles
//   tex: t0s0x3
