/* A stand-in for d3dx11_43.dll that makes a load stop half-way, with a
 * shader object made: D3DX11CompileFromFileA compiles the vertex and pixel
 * stages with Wine's own compiler (d3dcompiler_43.dll) and hands back, for
 * the geometry stage, a blob that is no shader at all. The device refuses it
 * (CreateGeometryShader, step 416), so the pipeline dump then shows the
 * vertex shader's address: the one nonzero pointer the program can print
 * under Wine. wine_smoke.sh builds it with the executable's compiler. */
#define COBJMACROS
#include <d3dcompiler.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static pD3DCompile compile;
static HRESULT(WINAPI* create_blob)(SIZE_T, ID3DBlob**);

static int load_compiler(void)
{
    HMODULE module = LoadLibraryA("d3dcompiler_43.dll");
    if (!module)
        return 0;
    compile = (pD3DCompile)(void (*)(void))GetProcAddress(module, "D3DCompile");
    create_blob = (HRESULT(WINAPI*)(SIZE_T, ID3DBlob**))(void (*)(void))GetProcAddress(module, "D3DCreateBlob");
    return compile && create_blob;
}

/* The whole file, or NULL. */
static char* read_file(const char* name, long* size)
{
    FILE* file = fopen(name, "rb");
    char* text = NULL;
    if (file && fseek(file, 0, SEEK_END) == 0 && (*size = ftell(file)) >= 0 && fseek(file, 0, SEEK_SET) == 0) {
        text = malloc((size_t)*size + 1);
        if (text && fread(text, 1, (size_t)*size, file) != (size_t)*size) {
            free(text);
            text = NULL;
        }
    }
    if (file)
        fclose(file);
    return text;
}

__declspec(dllexport) HRESULT WINAPI D3DX11CompileFromFileA(const char* file_name, const D3D_SHADER_MACRO* defines,
                                                            ID3DInclude* include, const char* entry_point,
                                                            const char* profile, UINT flags1, UINT flags2,
                                                            void* pump, ID3DBlob** shader, ID3DBlob** messages,
                                                            HRESULT* result)
{
    (void)pump;
    (void)result;
    *shader = NULL;
    if (messages)
        *messages = NULL;
    if (!load_compiler())
        return E_FAIL;

    if (strncmp(profile, "gs_", 3) == 0) {
        /* Sixteen zero bytes: not even the DXBC container's tag. */
        HRESULT hr = create_blob(16, shader);
        if (SUCCEEDED(hr))
            memset(ID3D10Blob_GetBufferPointer(*shader), 0, 16);
        return hr;
    }

    long size = 0;
    char* text = read_file(file_name, &size);
    if (!text)
        return E_FAIL;
    HRESULT hr = compile(text, (SIZE_T)size, file_name, defines, include, entry_point, profile, flags1, flags2,
                         shader, messages);
    free(text);
    return hr;
}
