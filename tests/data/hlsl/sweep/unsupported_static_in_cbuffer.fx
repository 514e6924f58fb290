cbuffer C
{
    float scale;
    static float twice = scale * 2;
};
float4 vs_main(float4 p : POSITION) : SV_Position { return p * twice; }
// expect: vs_main vs_4_0 error (4,5) 'a static variable inside a cbuffer is not supported by this compiler; declare it outside the cbuffer'
