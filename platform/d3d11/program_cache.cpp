#include "platform/d3d11/program_cache.h"

#include "platform/diagnostics/diagnostics.h"

#include <algorithm>
#include <cctype>

namespace d3d11 {

namespace {

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

LinkedProgram& ProgramCache::Get(const StageCode& vertex, const StageCode* geometry, const StageCode& pixel)
{
    const std::uint64_t geometrySerial = geometry ? geometry->serial : 0;
    for (Entry& entry : entries_)
        if (entry.vertex == vertex.serial && entry.geometry == geometrySerial && entry.pixel == pixel.serial)
            return entry.linked;

    std::string log;
    // Only the last stage before the rasterizer clips.
    const GLuint vertexObject =
        Compiled(vertex, geometry ? "#define " + std::string(hlsl::kGeometryFollowsMacro) + "\n" : std::string(), &log);
    std::string geometryDefines;
    if (geometry)
        geometryDefines = hlsl::LinkDefines(vertex.container.outputs, geometry->container.inputs);
    const std::vector<hlsl::StageVariable>& rasterized = geometry ? geometry->container.outputs : vertex.container.outputs;
    const std::string pixelDefines = hlsl::LinkDefines(rasterized, pixel.container.inputs);

    // Direct3D's fill rule needs the pixel stage's test, a geometry stage
    // that marks the triangles (the program's own or one that passes them
    // through) and two free locations between them.
    GLuint program = 0;
    bool fillRuleFailed = false;
    const std::optional<std::string> fillRule = hlsl::FillRuleDefine(rasterized, pixel.container.inputs);
    if (vertexObject && hlsl::HasFillRule(pixel.container.glsl) && fillRule) {
        hlsl::ShaderContainer passThrough;
        if (!geometry) {
            passThrough.stage = hlsl::ShaderStage::Geometry;
            passThrough.glsl = hlsl::FillRuleGeometry(vertex.container);
        }
        const StageCode marking = geometry ? *geometry : StageCode{vertex.serial, passThrough};
        if (hlsl::HasFillRule(marking.container.glsl)) {
            const GLuint geometryObject = Compiled(
                marking, geometryDefines + *fillRule + hlsl::FillRuleInputDefines(pixel.container.glsl), &log);
            const GLuint pixelObject = Compiled(pixel, pixelDefines + *fillRule, &log);
            if (geometryObject && pixelObject)
                program = Link(vertexObject, geometryObject, pixelObject, &log);
        }
        fillRuleFailed = !program;
    }
    if (!program) {
        const std::string fillRuleLog = std::exchange(log, std::string());
        const GLuint geometryObject = geometry ? Compiled(*geometry, geometryDefines, &log) : 0;
        const GLuint pixelObject = Compiled(pixel, pixelDefines, &log);
        if (vertexObject && pixelObject && (!geometry || geometryObject))
            program = Link(vertexObject, geometryObject, pixelObject, &log);
        if (program && fillRuleFailed && diagnostics::JournalEnabled())
            diagnostics::Record("LinkProgram", "fill rule left to the driver: " + fillRuleLog);
    }
    if (!program && diagnostics::JournalEnabled())
        diagnostics::Record("LinkProgram", "result=failed log=" + log);
    LinkedProgram linked;
    linked.program = program;
    if (program) {
        for (const StageCode* stage : {&vertex, geometry, &pixel})
            if (stage && stage->container.interfaceSlotCount) {
                const hlsl::ShaderStage which = stage->container.stage;
                linked.interfaceLocation[static_cast<std::size_t>(which)] =
                    glGetUniformLocation(program, hlsl::InterfaceUniformName(which).c_str());
            }
        for (const hlsl::ShaderStage stage :
             {hlsl::ShaderStage::Vertex, hlsl::ShaderStage::Geometry, hlsl::ShaderStage::Pixel})
            linked.emptyTexturesLocation[static_cast<std::size_t>(stage)] =
                glGetUniformLocation(program, hlsl::EmptyTexturesUniformName(stage).c_str());
        linked.viewportLocation = glGetUniformLocation(program, hlsl::kViewportUniform);
    }
    entries_.push_back({vertex.serial, geometrySerial, pixel.serial, std::move(linked)});
    newlyLinked_ = true;
    return entries_.back().linked;
}

GLuint ProgramCache::Compiled(const StageCode& stage, const std::string& defines, std::string* log)
{
    const GLenum type = GlStage(stage.container.stage);
    for (const CompiledStage& compiled : compiled_)
        if (compiled.serial == stage.serial && compiled.type == type && compiled.defines == defines)
            return compiled.object;

    const std::string source = hlsl::InsertDefines(stage.container.glsl, defines);
    const GLchar* sourceText = source.c_str();
    GLuint object = glCreateShader(type);
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
    compiled_.push_back({stage.serial, type, defines, object});
    return object;
}

void ProgramCache::ForgetShader(std::uint64_t serial, bool deleteGl)
{
    std::erase_if(entries_, [&](const Entry& entry) {
        const bool uses = entry.vertex == serial || entry.geometry == serial || entry.pixel == serial;
        if (uses && deleteGl && entry.linked.program)
            glDeleteProgram(entry.linked.program);
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
            if (entry.linked.program)
                glDeleteProgram(entry.linked.program);
        for (const CompiledStage& compiled : compiled_)
            if (compiled.object)
                glDeleteShader(compiled.object);
    }
    entries_.clear();
    compiled_.clear();
}

} // namespace d3d11
