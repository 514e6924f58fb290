// Fuzzes the effect-file compiler: the bytes are saved as main.fx and
// compiled as the program compiles it, one entry point per stage, in this
// process. Then what the compiler gives back is held to its promises:
//
// - a failure gives at least one message, and FormatDiagnostics writes each
//   as one line, "file(line,col): error: message", line and column from 1;
// - a success gives a container for the stage and entry point asked for,
//   whose slots and sizes are within Direct3D 11's limits and which survives
//   serialization unchanged;
// - nothing throws out of the compiler.
//
// The bytes are also parsed as compiled code, as CreateVertexShader parses
// what it is given, and as a glslang info log, whose messages our own code
// turns into the user's.
//
// The program compiles in a worker process, so that a crash in glslang
// becomes an error message. Here glslang runs in-process on purpose: its
// crashes are found too, and scripts/lib/sanitizers.sh tells them apart from
// crashes in our code by the frames of the report. The same function replays
// fuzz/regressions/ in the test suite (tests/robustness/).

#include "platform/hlsl/compiler.h"
#include "platform/hlsl/source.h"
#include "platform/hlsl/tree.h"
#include "platform/include/d3d11_limits.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

[[noreturn]] void Broken(const std::string& promise, const std::string& detail)
{
    std::fprintf(stderr, "compile_fuzzer: broken promise: %s\n%s\n", promise.c_str(), detail.c_str());
    std::fflush(stderr);
    std::abort();
}

bool IsMessageLine(std::string_view line)
{
    // file(line,col): error: message
    const std::size_t marker = line.find("): error: ");
    if (marker == std::string_view::npos || marker + 10 >= line.size())
        return false;
    const std::size_t open = line.rfind('(', marker);
    if (open == std::string_view::npos || open == 0)
        return false;
    const std::string_view place = line.substr(open + 1, marker - open - 1);
    const std::size_t comma = place.find(',');
    if (comma == std::string_view::npos)
        return false;
    const auto positive = [](std::string_view digits) {
        if (digits.empty() || digits.size() > 10 || digits[0] == '0')
            return false;
        for (char c : digits)
            if (c < '0' || c > '9')
                return false;
        return true;
    };
    return positive(place.substr(0, comma)) && positive(place.substr(comma + 1));
}

void CheckFailure(const hlsl::CompileResult& result)
{
    if (result.errors.empty())
        Broken("a failed compile says why", "no diagnostics");
    const std::string text = hlsl::FormatDiagnostics(result.errors);
    std::size_t lines = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            Broken("the messages end with a line break", text);
        if (!IsMessageLine(std::string_view(text).substr(start, end - start)))
            Broken("each message is one line: file(line,col): error: message", text);
        ++lines;
        start = end + 1;
    }
    if (lines != result.errors.size())
        Broken("one line per message", text);
}

void CheckContainer(const hlsl::ShaderContainer& container, hlsl::ShaderStage stage, const std::string& entryPoint)
{
    if (container.stage != stage || container.entryPoint != entryPoint)
        Broken("the container is for the stage and entry point compiled", container.entryPoint);
    if (container.glsl.empty())
        Broken("the container holds GLSL", entryPoint);
    for (const hlsl::ConstantBuffer& buffer : container.constantBuffers)
        if (buffer.slot >= D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT || buffer.byteSize == 0
            || buffer.byteSize > D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT * 16 || buffer.byteSize % 16 != 0
            || buffer.binding != hlsl::ConstantBufferBinding(stage, buffer.slot))
            Broken("constant buffers have slots b0 to b13 and 16 to 65536 bytes in steps of 16", buffer.name);
    for (const hlsl::CombinedSampler& sampler : container.samplers)
        if (sampler.textureSlot >= D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT
            || (sampler.samplerSlot >= D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT && sampler.samplerSlot != hlsl::kNoSlot))
            Broken("textures have slots t0 to t127 and samplers s0 to s15", container.glsl);
    if ((stage == hlsl::ShaderStage::Geometry) != (container.geometryMaxVertices != 0))
        Broken("exactly a geometry stage has a vertex count", std::to_string(container.geometryMaxVertices));

    const std::vector<std::uint8_t> bytes = hlsl::SerializeContainer(container);
    const std::optional<hlsl::ShaderContainer> parsed = hlsl::ParseContainer(bytes);
    if (!parsed || hlsl::SerializeContainer(*parsed) != bytes)
        Broken("a container reads back as it was written", entryPoint);
}

// main.fx, by its full name: the fuzzer's own paths stay relative to the
// directory it was started in.
std::string effectFile;

// glslang's info log is read by our own parser; the bytes stand in for one
// as well, the source they point into being the bytes themselves.
void CheckLogParsing(std::string_view bytes)
{
    const std::string text(bytes);
    const hlsl::SourceLookup lookup = [&](std::string_view file) -> const std::string* {
        return file == "main.fx" ? &text : nullptr;
    };
    for (const hlsl::Diagnostic& diagnostic : hlsl::ReadGlslangLog(text, "main.fx", lookup)) {
        const hlsl::SourcePosition& at = diagnostic.position;
        if (at.line < 1 || at.column < 1 || at.file.find('\n') != std::string::npos
            || diagnostic.message.find('\n') != std::string::npos)
            Broken("a diagnostic read from glslang's log has a place from line 1, column 1, and one line of text",
                   hlsl::FormatDiagnostics({diagnostic}));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // main.fx and whatever it includes are looked up in a directory of
    // their own.
    char pattern[] = "/tmp/fxdemo-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::abort();
    }
    static const std::string directory = pattern;
    effectFile = directory + "/main.fx";
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (effectFile.empty())
        LLVMFuzzerInitialize(nullptr, nullptr);
    (void)hlsl::ParseContainer({data, size});
    CheckLogParsing({reinterpret_cast<const char*>(data), size});

    {
        std::ofstream out(effectFile, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    hlsl::SourceFile source = hlsl::ReadSourceFile(effectFile);
    if (source.error != hlsl::SourceError::None)
        return 0;

    static const struct {
        const char* entryPoint;
        const char* profile;
        hlsl::ShaderStage stage;
    } kStages[] = {
        {"vs_main", "vs_4_0", hlsl::ShaderStage::Vertex},
        {"gs_main", "gs_4_0", hlsl::ShaderStage::Geometry},
        {"ps_main", "ps_4_0", hlsl::ShaderStage::Pixel},
    };
    for (const auto& stage : kStages) {
        hlsl::CompileRequest request;
        request.file = effectFile;
        request.source = source.text;
        request.entryPoint = stage.entryPoint;
        request.profile = stage.profile;
        const hlsl::CompileResult result = hlsl::CompileHlsl(request);
        if (result.container)
            CheckContainer(*result.container, stage.stage, stage.entryPoint);
        else
            CheckFailure(result);
    }
    return 0;
}
