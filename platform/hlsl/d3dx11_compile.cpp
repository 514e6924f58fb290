// D3DX11CompileFromFileA: compiles one entry point of an HLSL file into the
// container the Direct3D 11 layer takes, or lists the errors.

#include "platform/include/d3dx11.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/hlsl/blob.h"
#include "platform/hlsl/compiler.h"
#include "platform/hlsl/isolated_compile.h"
#include "platform/hlsl/source.h"
#include "platform/watch/effect_watch.h"

#include <cstdio>

namespace {

std::string HexCode(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

std::string Text(LPCSTR text)
{
    return text ? text : "null";
}

} // namespace

HRESULT WINAPI D3DX11CompileFromFileA(LPCSTR srcFile, const D3D10_SHADER_MACRO* defines, LPD3D10INCLUDE include,
                                      LPCSTR functionName, LPCSTR profile, UINT flags1, UINT flags2,
                                      ID3DX11ThreadPump* pump, ID3D10Blob** shader, ID3D10Blob** errorMessages,
                                      HRESULT* result)
{
    // Strictness (0x800) is the only dialect compiled here, and effect flags
    // concern whole effects; neither changes one entry point's code.
    (void)flags1;
    (void)flags2;
    if (shader)
        *shader = nullptr;
    if (errorMessages)
        *errorMessages = nullptr;
    const std::string arguments =
        "file=" + Text(srcFile) + " entry=" + Text(functionName) + " profile=" + Text(profile);
    const auto finish = [&](HRESULT hr) {
        diagnostics::Record("D3DX11CompileFromFileA", arguments + " result=" + HexCode(hr));
        if (result)
            *result = hr;
        return hr;
    };

    HRESULT hr = S_OK;
    if (diagnostics::ShouldFail("D3DX11CompileFromFileA", &hr))
        return finish(hr);
    // A custom include handler and asynchronous compilation are not provided.
    if (!srcFile || !functionName || !profile || !shader || include || pump)
        return finish(E_INVALIDARG);

    const auto fail = [&](HRESULT code, const std::vector<hlsl::Diagnostic>& errors) {
        if (errorMessages)
            *errorMessages = hlsl::CreateTextBlob(hlsl::FormatDiagnostics(errors));
        return finish(code);
    };

    hlsl::CompileRequest request;
    request.file = srcFile;
    request.entryPoint = functionName;
    request.profile = profile;
    for (const D3D10_SHADER_MACRO* macro = defines; macro && macro->Name; ++macro)
        request.macros.push_back({macro->Name, macro->Definition ? macro->Definition : "1"});

    // As on Windows, a name that differs from the file's only in case finds
    // it; messages keep the name as the caller gave it.
    const std::string path = hlsl::ResolveNameCase(request.file);
    hlsl::SourceFile source = hlsl::ReadSourceFile(path);
    if (effect_watch::Requested()) {
        std::vector<std::string> files = hlsl::ReadIncludedFiles(path, source.text);
        files.insert(files.begin(), path);
        effect_watch::WatchFiles(files);
    }
    if (source.error != hlsl::SourceError::None) {
        const hlsl::Diagnostic error =
            hlsl::MakeDiagnostic({request.file, source.line, source.column}, source.reason);
        return fail(source.error == hlsl::SourceError::NotFound ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : E_FAIL,
                    {error});
    }
    request.source = std::move(source.text);

    const hlsl::IsolatedResult compiled = hlsl::CompileHlslIsolated(request);
    if (compiled.code.empty())
        return fail(E_FAIL, compiled.errors);
    *shader = hlsl::CreateBlob(compiled.code.data(), compiled.code.size());
    return finish(S_OK);
}
