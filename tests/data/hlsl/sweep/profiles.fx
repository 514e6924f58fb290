float4 vs_main(float3 p : POSITION) : SV_Position
{
    return float4(p, 1.0);
}
float4 ps_main() : SV_Target { return 1; }
[maxvertexcount(1)] void gs_main(point float4 p[1] : SV_Position, inout PointStream<float4> s) { s.Append(p[0]); }
// Vertex, geometry and pixel profiles of shader models 4 and 5; the level-9
// profiles compile as 4_0, but feature level 9 has no geometry stage.
// expect: vs_main vs_3_0 error (1,1) 'unsupported profile 'vs_3_0''
// expect: vs_main vs_5_1 error (1,1) 'unsupported profile 'vs_5_1''
// expect: vs_main cs_5_0 error (1,1) 'unsupported profile 'cs_5_0''
// expect: vs_main hs_5_0 error (1,1) 'unsupported profile 'hs_5_0''
// expect: vs_main fx_4_0 error (1,1) 'unsupported profile 'fx_4_0''
// expect: vs_main vs error (1,1) 'unsupported profile 'vs''
// expect: vs_main VS_4_0 error (1,1) 'unsupported profile 'VS_4_0''
// expect: vs_main vs_4_0_level_9_2 error (1,1) 'unsupported profile 'vs_4_0_level_9_2''
// expect: vs_main vs_4_1_level_9_1 error (1,1) 'unsupported profile 'vs_4_1_level_9_1''
// expect: vs_main vs_4_0_level_9_3x error (1,1) 'unsupported profile 'vs_4_0_level_9_3x''
// expect: vs_main vs_4_0_level_9_1 compiles
// expect: vs_main vs_4_0_level_9_3 compiles
// expect: ps_main ps_4_0_level_9_1 compiles
// expect: ps_main ps_4_0_level_9_3 compiles
// expect: gs_main gs_4_0 compiles
// expect: gs_main gs_4_0_level_9_1 error (1,1) 'unsupported profile'
// expect: gs_main gs_4_0_level_9_3 error (1,1) 'unsupported profile'
