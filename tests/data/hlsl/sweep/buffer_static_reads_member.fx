cbuffer C
{
    float scale;
    static float twice = scale * 2;
};
float4 vs_main(float4 p : POSITION) : SV_Position { return p * twice; }
// A static inside a cbuffer is an ordinary static; one whose initializer
// reads a member of the buffer is declared after it. It takes no room.
// expect: vs_main vs_4_0 compiles
//   cb: C@b0:16
