// The shipped effect with Windows line endings.
// expect: loaded
// The demo's shader program: one file, two passes told apart by passMode.
//
// Pass 1 (passMode 0) draws the teapot into the Depth Buffer. The geometry
// stage gives every triangle its own face normal, so the tiny jitter of the
// vertices shows as fine facets. Each texel holds the view-space normal in
// xyz and the linear depth (view z / far plane) in w; untouched texels keep
// the clear value (1, 1, 1, 1).
//
// Pass 2 (passMode 2) draws a full-screen quad that lights the teapot from
// those normals, outlines it where depth or normal jump between neighbouring
// texels, and discards the background so the clear colour shows.

cbuffer SceneConstants : register(b0)
{
    float    time;
    float3   reserved0;
    // Stored row by row for row vectors. The default column-major packing
    // reads each stored row as a column, so mul(matrix, vector) applies them.
    float4x4 world;
    float4x4 view;
    float4x4 projection;
    float    passMode;
    float3   reserved1;
    float4   reserved2[42];
};

Texture2D    depthBuffer : register(t0);
SamplerState linearWrap  : register(s0);

static const float  kFarPlane   = 100.0;
static const float2 kTargetSize = float2(1280.0, 720.0);

struct VSInput
{
    float3 position : POSITION;
    float3 normal   : NORMAL;
};

struct VSOutput
{
    float4 position     : SV_Position;
    float3 normal       : NORMAL;
    float  viewDepth    : VIEWDEPTH;
    float3 viewPosition : VIEWPOSITION;
};

struct GSOutput
{
    float4 position  : SV_Position;
    float3 normal    : NORMAL;
    float  viewDepth : VIEWDEPTH;
};

VSOutput vs_main(VSInput input)
{
    VSOutput output;
    if (passMode > 1.0)
    {
        // The screen quad arrives in clip space already.
        output.position     = float4(input.position.xy, 0.5, 1.0);
        output.normal       = float3(0.0, 0.0, 0.0);
        output.viewDepth    = 0.0;
        output.viewPosition = float3(0.0, 0.0, 0.0);
        return output;
    }

    float4 worldPosition = mul(world, float4(input.position, 1.0));
    float4 viewPosition  = mul(view, worldPosition);
    output.position      = mul(projection, viewPosition);
    output.normal        = normalize(mul((float3x3)view, mul((float3x3)world, input.normal)));
    output.viewDepth     = viewPosition.z;
    output.viewPosition  = viewPosition.xyz;
    return output;
}

[maxvertexcount(3)]
void gs_main(triangle VSOutput input[3], inout TriangleStream<GSOutput> stream)
{
    // Front faces are clockwise on screen, so in the left-handed view space
    // this cross product points back at the camera.
    float3 across  = cross(input[1].viewPosition - input[0].viewPosition,
                           input[2].viewPosition - input[0].viewPosition);
    float  area    = length(across);
    float3 faceNormal = area > 1e-12 ? across / area : input[0].normal;

    [unroll]
    for (int i = 0; i < 3; ++i)
    {
        GSOutput vertex;
        vertex.position  = input[i].position;
        vertex.normal    = faceNormal;
        vertex.viewDepth = input[i].viewDepth;
        stream.Append(vertex);
    }
    stream.RestartStrip();
}

float4 FetchDepthBuffer(float2 pixel)
{
    // Pixel centres map to texel centres, so linear filtering returns the
    // texel itself.
    return depthBuffer.SampleLevel(linearWrap, pixel / kTargetSize, 0.0);
}

bool IsBackground(float4 texel)
{
    return texel.w >= 0.999;
}

static const float2 kNeighbours[4] =
{
    float2(1.0, 0.0), float2(-1.0, 0.0), float2(0.0, 1.0), float2(0.0, -1.0)
};

float4 ShadeScreen(float2 pixel)
{
    float4 centre = FetchDepthBuffer(pixel);
    if (IsBackground(centre))
        discard;

    // Lights in view space: a warm key from the upper left, a cool fill
    // from the right, and a rim that traces the silhouette.
    float3 normal   = normalize(centre.xyz);
    float3 toViewer = float3(0.0, 0.0, -1.0);
    float3 toKey    = normalize(float3(-0.5, 0.7, -0.6));
    float3 toFill   = normalize(float3(0.7, -0.2, -0.4));

    float  key      = saturate(dot(normal, toKey));
    float  fill     = saturate(dot(normal, toFill));
    float  specular = pow(saturate(dot(normal, normalize(toKey + toViewer))), 48.0);
    float  rim      = pow(1.0 - saturate(dot(normal, toViewer)), 3.0);

    float3 porcelain = float3(0.86, 0.79, 0.69);
    float3 colour = porcelain * (0.16 + 0.78 * key)
                  + porcelain * fill * float3(0.15, 0.2, 0.28)
                  + specular * 0.55
                  + rim * float3(0.2, 0.3, 0.45);

    float edge = 0.0;
    [unroll]
    for (int i = 0; i < 4; ++i)
    {
        float4 neighbour = FetchDepthBuffer(pixel + kNeighbours[i]);
        if (IsBackground(neighbour))
        {
            edge = 1.0; // silhouette
            continue;
        }
        float depthJump  = abs(neighbour.w - centre.w) / max(centre.w, 1e-6);
        float normalJump = 1.0 - dot(normalize(neighbour.xyz), normal);
        edge = max(edge, saturate((depthJump - 0.02) * 40.0));
        edge = max(edge, saturate((normalJump - 0.25) * 4.0));
    }

    colour = lerp(colour, float3(0.04, 0.03, 0.07), edge);
    return float4(colour, 1.0);
}

float4 ps_main(GSOutput input) : SV_Target
{
    if (passMode < 1.0)
        return float4(normalize(input.normal), input.viewDepth / kFarPlane);
    return ShadeScreen(input.position.xy);
}
