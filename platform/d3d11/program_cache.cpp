#include "platform/d3d11/program_cache.h"

#include "platform/diagnostics/diagnostics.h"

#include <algorithm>
#include <cctype>

namespace d3d11 {

namespace {

bool SameSemantic(const hlsl::StageVariable& a, const hlsl::StageVariable& b)
{
    return a.semanticIndex == b.semanticIndex && a.semantic == b.semantic;
}

bool StartsWith(std::string_view line, std::string_view prefix)
{
    const auto start = line.find_first_not_of(" \t");
    return start != std::string_view::npos && line.substr(start).starts_with(prefix);
}

GLenum GlStage(hlsl::ShaderStage stage)
{
    switch (stage) {
    case hlsl::ShaderStage::Vertex:
        return GL_VERTEX_SHADER;
    case hlsl::ShaderStage::Geometry:
        return GL_GEOMETRY_SHADER;
    case hlsl::ShaderStage::Pixel:
        break;
    }
    return GL_FRAGMENT_SHADER;
}

GLuint Link(GLuint vertex, GLuint geometry, GLuint pixel, std::string* log)
{
    const GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    if (geometry)
        glAttachShader(program, geometry);
    glAttachShader(program, pixel);
    glLinkProgram(program);
    glDetachShader(program, vertex);
    if (geometry)
        glDetachShader(program, geometry);
    glDetachShader(program, pixel);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::string text(static_cast<std::size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(program, length, nullptr, text.data());
        *log = text.c_str();
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

} // namespace

std::string LinkDefines(const std::vector<hlsl::StageVariable>& upstreamOutputs,
                        const std::vector<hlsl::StageVariable>& inputs)
{
    std::uint32_t nextFree = 0;
    for (const hlsl::StageVariable& output : upstreamOutputs)
        if (!output.systemValue)
            nextFree = std::max(nextFree, output.location + std::max(output.locationCount, 1u));

    std::string defines;
    for (const hlsl::StageVariable& input : inputs) {
        if (input.systemValue || input.locationMacro.empty())
            continue;
        const auto match = std::find_if(upstreamOutputs.begin(), upstreamOutputs.end(),
                                         [&](const hlsl::StageVariable& output) {
                                             return !output.systemValue && SameSemantic(output, input);
                                         });
        std::uint32_t location = 0;
        if (match != upstreamOutputs.end()) {
            location = match->location;
        } else {
            location = nextFree;
            nextFree += std::max(input.locationCount, 1u);
        }
        if (location != input.location)
            defines += "#define " + input.locationMacro + " " + std::to_string(location) + "\n";
    }
    return defines;
}

std::string InsertDefines(const std::string& glsl, const std::string& defines)
{
    if (defines.empty())
        return glsl;
    std::size_t insertAt = 0;
    bool seenVersion = false;
    for (std::size_t pos = 0; pos < glsl.size();) {
        const std::size_t end = glsl.find('\n', pos);
        const std::size_t next = end == std::string::npos ? glsl.size() : end + 1;
        const std::string_view line(glsl.data() + pos, next - pos);
        if (StartsWith(line, "#version") && !seenVersion) {
            seenVersion = true;
        } else if (!(seenVersion && StartsWith(line, "#extension"))) {
            break;
        }
        insertAt = next;
        pos = next;
    }
    std::string text = glsl.substr(0, insertAt);
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text + defines + glsl.substr(insertAt);
}

GLuint ProgramCache::Get(const StageCode& vertex, const StageCode* geometry, const StageCode& pixel)
{
    const std::uint64_t geometrySerial = geometry ? geometry->serial : 0;
    for (const Entry& entry : entries_)
        if (entry.vertex == vertex.serial && entry.geometry == geometrySerial && entry.pixel == pixel.serial)
            return entry.program;

    GLuint program = 0;
    std::string log;
    const GLuint vertexObject = Compiled(vertex, {}, &log);
    const std::vector<hlsl::StageVariable>* upstream = &vertex.container.outputs;
    GLuint geometryObject = 0;
    if (geometry) {
        geometryObject = Compiled(*geometry, LinkDefines(*upstream, geometry->container.inputs), &log);
        upstream = &geometry->container.outputs;
    }
    const GLuint pixelObject = Compiled(pixel, LinkDefines(*upstream, pixel.container.inputs), &log);
    if (vertexObject && pixelObject && (!geometry || geometryObject))
        program = Link(vertexObject, geometryObject, pixelObject, &log);
    if (!program && diagnostics::JournalEnabled())
        diagnostics::Record("LinkProgram", "result=failed log=" + log);
    entries_.push_back({vertex.serial, geometrySerial, pixel.serial, program});
    newlyLinked_ = true;
    return program;
}

GLuint ProgramCache::Compiled(const StageCode& stage, const std::string& defines, std::string* log)
{
    for (const CompiledStage& compiled : compiled_)
        if (compiled.serial == stage.serial && compiled.defines == defines)
            return compiled.object;

    const std::string source = InsertDefines(stage.container.glsl, defines);
    const GLchar* sourceText = source.c_str();
    GLuint object = glCreateShader(GlStage(stage.container.stage));
    glShaderSource(object, 1, &sourceText, nullptr);
    glCompileShader(object);
    GLint compiled = GL_FALSE;
    glGetShaderiv(object, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        if (log) {
            GLint length = 0;
            glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
            std::string info(static_cast<std::size_t>(std::max(length, 1)), '\0');
            glGetShaderInfoLog(object, length, nullptr, info.data());
            *log = info.c_str();
        }
        glDeleteShader(object);
        object = 0;
    }
    // A failure is remembered too: the same text fails the same way.
    compiled_.push_back({stage.serial, defines, object});
    return object;
}

void ProgramCache::ForgetShader(std::uint64_t serial, bool deleteGl)
{
    std::erase_if(entries_, [&](const Entry& entry) {
        const bool uses = entry.vertex == serial || entry.geometry == serial || entry.pixel == serial;
        if (uses && deleteGl && entry.program)
            glDeleteProgram(entry.program);
        return uses;
    });
    std::erase_if(compiled_, [&](const CompiledStage& compiled) {
        const bool of = compiled.serial == serial;
        if (of && deleteGl && compiled.object)
            glDeleteShader(compiled.object);
        return of;
    });
}

void ProgramCache::Clear(bool deleteGl)
{
    if (deleteGl) {
        for (const Entry& entry : entries_)
            if (entry.program)
                glDeleteProgram(entry.program);
        for (const CompiledStage& compiled : compiled_)
            if (compiled.object)
                glDeleteShader(compiled.object);
    }
    entries_.clear();
    compiled_.clear();
}

} // namespace d3d11
