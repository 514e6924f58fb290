#pragma once

// Direct3D 11's fixed limits, under the names and values the SDK's d3d11.h
// gives them. d3d11.h includes this; the effect compiler, which needs the
// limits but none of the Windows types, includes it alone. The compiler, the
// layer and the fuzzer all take their counts from here.

#define D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT (14)
#define D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT (16)
#define D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT (128)
#define D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT (8)
#define D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT (32)
#define D3D11_IA_VERTEX_INPUT_STRUCTURE_ELEMENT_COUNT (32)
#define D3D11_VS_INPUT_REGISTER_COUNT (32)
#define D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE (16)
#define D3D11_CLIP_OR_CULL_DISTANCE_COUNT (8)
#define D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT (4096) // of 16 bytes each
#define D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION (16384)
#define D3D11_REQ_GS_INVOCATION_32BIT_OUTPUT_COMPONENT_LIMIT (1024)
#define D3D11_REQ_MAXANISOTROPY (16)
#define D3D11_MIP_LOD_BIAS_MIN (-16.0f)
#define D3D11_MIP_LOD_BIAS_MAX (15.99f)
