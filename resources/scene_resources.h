#pragma once

#include "platform/api.h"

// What a reload replaces. Each pointer owns one reference.
extern ID3D10Blob* pVSBlob;
extern ID3D10Blob* pGSBlob;
extern ID3D10Blob* pPSBlob;
extern ID3D11VertexShader* pVShader;
extern ID3D11GeometryShader* pGShader;
extern ID3D11PixelShader* pPShader;
extern ID3D11Buffer* pConstant;       // the scene constants, 896 bytes
extern ID3D11InputLayout* pInputLayout;
extern ID3D11Buffer* pVertexScreen;   // the full-screen quad, four vertices
extern ID3D11RasterizerState* pRSStage; // never filled; shown by the pipeline dump

// Compiles one entry point of an effect file, printing the compiler's
// messages when it fails.
HRESULT CompileShaderFromFile(const char* fileName, const char* entryPoint, const char* profile, ID3D10Blob** code);

// Releases the previous set, restarts the scene clock and builds everything
// from "main.fx" again, stopping at the first failing step.
void LoadSceneResources();

// Releases whatever exists, in a fixed order; safe in any state.
void ReleaseSceneResources();
