// The program's frame through the Direct3D 11 layer, next to the same frame
// written directly against OpenGL 4.5.
//
// The program's frame is its own RunFrame (scene step, both passes, Present)
// with nothing but the 16 ms pause left out; main.fx is the shipped one. The
// hand-written frame draws the same two passes with what a small GL program
// would use: the same teapot (the program's own vertex and index data, read
// back from its buffers), the same GLSL (taken out of the program's compiled
// stages and linked by semantic as the layer links them, Direct3D's fill rule
// included), the same scene constants (the program's StepScene), the same
// targets (RGBA32F + D32F offscreen, then the quad into an RGBA8 1280 x 720
// target, blitted flipped into the window), and the swap. One image of each
// is compared to make sure both draw the same thing. The hand-written frame
// runs once more linked without the fill rule, to show what the rule costs.
//
// Each frame ends with glFinish, so the driver's rendering is inside it. The
// frame's CPU time outside GL calls and the swap is our own (the layer's and
// the program's; gl_timing.h); the rest is the GL driver's. The frames run
// in alternating blocks in one process, so a change in the machine's load
// touches both alike.
//
//   frame_bench [frames]    (default 600 of each)

#include "app/frame.h"
#include "app/window.h"
#include "bench/gl_timing.h"
#include "bench/program_host.h"
#include "bench/report.h"
#include "gfx/device_objects.h"
#include "platform/api.h"
#include "platform/d3d11/buffer.h"
#include "platform/d3d11/program_cache.h"
#include "platform/d3d11/readback.h"
#include "platform/hlsl/shader_container.h"
#include "platform/win32/window_handle.h"
#include "resources/scene_resources.h"
#include "resources/teapot_mesh.h"
#include "resources/vertex.h"
#include "scene/scene_constants.h"
#include "scene/scene_update.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using bench::Clock;

constexpr GLsizei kTargetWidth = 1280;
constexpr GLsizei kTargetHeight = 720;

// ---- The hand-written frame ------------------------------------------------------

struct HandWritten {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    int windowWidth = 0, windowHeight = 0;
    // Linked as the layer links them, and without Direct3D's fill rule.
    GLuint meshProgram = 0, quadProgram = 0;
    GLuint plainMeshProgram = 0, plainQuadProgram = 0;
    GLuint meshArray = 0, quadArray = 0;
    GLuint vertexBuffer = 0, indexBuffer = 0, quadBuffer = 0, constants = 0;
    GLuint depthBuffer = 0, depthStencil = 0, offscreen = 0; // RGBA32F + D32F
    GLuint backBuffer = 0, screen = 0;                     // RGBA8
    GLuint sampler = 0;
    GLuint textureUnit = 0;
    GLsizei indexCount = 0;
};

std::optional<hlsl::ShaderContainer> Stage(ID3D10Blob* blob)
{
    if (!blob)
        return std::nullopt;
    return hlsl::ParseContainer(
        std::span(static_cast<const std::uint8_t*>(blob->GetBufferPointer()), blob->GetBufferSize()));
}

GLuint CompileStage(GLenum type, const std::string& source)
{
    const GLuint shader = glCreateShader(type);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[4096] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "frame_bench: GLSL does not compile: %s\n", log);
        std::exit(1);
    }
    return shader;
}

GLuint LinkProgram(std::initializer_list<GLuint> shaders)
{
    const GLuint program = glCreateProgram();
    for (GLuint shader : shaders)
        glAttachShader(program, shader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[4096] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "frame_bench: GLSL does not link: %s\n", log);
        std::exit(1);
    }
    for (GLuint shader : shaders)
        glDeleteShader(shader);
    return program;
}

GLuint VertexLocation(const hlsl::ShaderContainer& vertex, const char* semantic)
{
    for (const hlsl::StageVariable& input : vertex.inputs)
        if (input.semantic == semantic && input.semanticIndex == 0)
            return input.location;
    std::fprintf(stderr, "frame_bench: the vertex stage reads no %s0\n", semantic);
    std::exit(1);
}

GLuint VertexArray(const hlsl::ShaderContainer& vertex, GLuint vertices, GLuint indices)
{
    GLuint array = 0;
    glCreateVertexArrays(1, &array);
    glVertexArrayVertexBuffer(array, 0, vertices, 0, sizeof(Vertex));
    if (indices)
        glVertexArrayElementBuffer(array, indices);
    const GLuint position = VertexLocation(vertex, "POSITION"), normal = VertexLocation(vertex, "NORMAL");
    glVertexArrayAttribFormat(array, position, 3, GL_FLOAT, GL_FALSE, 0);
    glVertexArrayAttribFormat(array, normal, 3, GL_FLOAT, GL_FALSE, 12);
    glVertexArrayAttribBinding(array, position, 0);
    glVertexArrayAttribBinding(array, normal, 0);
    glEnableVertexArrayAttrib(array, position);
    glEnableVertexArrayAttrib(array, normal);
    return array;
}

GLuint Texture(GLenum format)
{
    GLuint texture = 0;
    glCreateTextures(GL_TEXTURE_2D, 1, &texture);
    glTextureStorage2D(texture, 1, format, kTargetWidth, kTargetHeight);
    return texture;
}

std::vector<std::uint8_t> BufferContents(ID3D11Buffer* buffer, std::size_t bytes)
{
    std::vector<std::uint8_t> contents(bytes);
    auto* implementation = static_cast<d3d11::Buffer*>(buffer);
    if (!implementation->Gl().Bind())
        std::exit(1);
    glGetNamedBufferSubData(implementation->Name(), 0, static_cast<GLsizeiptr>(bytes), contents.data());
    return contents;
}

// Everything the frame needs, made once in a GL context of its own on the
// program's window; the program must have loaded.
HandWritten SetUpHandWritten()
{
    HandWritten h;
    const auto vertex = Stage(pVSBlob), geometry = Stage(pGSBlob), pixel = Stage(pPSBlob);
    if (!vertex || !geometry || !pixel || pixel->samplers.empty()) {
        std::fprintf(stderr, "frame_bench: the program's compiled stages are not readable\n");
        std::exit(1);
    }
    // The program's teapot exactly, roughening included.
    const std::vector<std::uint8_t> vertices = BufferContents(meshBuffers.vertexBuffer,
                                                              std::size_t{meshBuffers.vertexCount} * sizeof(Vertex));
    const std::vector<std::uint8_t> indices =
        BufferContents(meshBuffers.indexBuffer, std::size_t{meshBuffers.indexCount} * sizeof(std::uint16_t));
    h.indexCount = static_cast<GLsizei>(meshBuffers.indexCount);

    h.window = win32::WindowFromHandle(mainWindow);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 5);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    h.context = SDL_GL_CreateContext(h.window);
    if (!h.context) {
        std::fprintf(stderr, "frame_bench: no GL context: %s\n", SDL_GetError());
        std::exit(1);
    }
    SDL_GL_SetSwapInterval(0);
    SDL_GL_GetDrawableSize(h.window, &h.windowWidth, &h.windowHeight);

    // Direct3D's conventions, as the layer sets them once.
    glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CW);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glViewport(0, 0, kTargetWidth, kTargetHeight);

    // Pass 1 links vertex -> geometry -> pixel, pass 2 vertex -> pixel, each
    // once as the layer links them, with Direct3D's fill rule (the geometry
    // stage it makes for pass 2, the marks' location, the viewport the
    // triangles are snapped in), and once without.
    const auto source = [](const hlsl::ShaderContainer& stage, const std::vector<hlsl::StageVariable>* upstream,
                           const std::string& more) {
        return hlsl::InsertDefines(stage.glsl, (upstream ? hlsl::LinkDefines(*upstream, stage.inputs) : "") + more);
    };
    const std::optional<std::string> meshRule = hlsl::FillRuleDefine(geometry->outputs, pixel->inputs);
    const std::optional<std::string> quadRule = hlsl::FillRuleDefine(vertex->outputs, pixel->inputs);
    if (!meshRule || !quadRule) {
        std::fprintf(stderr, "frame_bench: no location is free for the fill rule's marks\n");
        std::exit(1);
    }
    const std::string flat = hlsl::FillRuleInputDefines(pixel->glsl);
    hlsl::ShaderContainer passThrough;
    passThrough.glsl = hlsl::FillRuleGeometry(*vertex);
    h.meshProgram = LinkProgram({CompileStage(GL_VERTEX_SHADER, source(*vertex, nullptr, "")),
                                 CompileStage(GL_GEOMETRY_SHADER, source(*geometry, &vertex->outputs, *meshRule + flat)),
                                 CompileStage(GL_FRAGMENT_SHADER, source(*pixel, &geometry->outputs, *meshRule))});
    h.quadProgram = LinkProgram({CompileStage(GL_VERTEX_SHADER, source(*vertex, nullptr, "")),
                                 CompileStage(GL_GEOMETRY_SHADER, source(passThrough, nullptr, *quadRule + flat)),
                                 CompileStage(GL_FRAGMENT_SHADER, source(*pixel, &vertex->outputs, *quadRule))});
    for (const GLuint program : {h.meshProgram, h.quadProgram})
        glProgramUniform4f(program, static_cast<GLint>(hlsl::kViewportLocation), 0, 0, kTargetWidth, kTargetHeight);
    h.plainMeshProgram = LinkProgram({CompileStage(GL_VERTEX_SHADER, source(*vertex, nullptr, "")),
                                      CompileStage(GL_GEOMETRY_SHADER, source(*geometry, &vertex->outputs, "")),
                                      CompileStage(GL_FRAGMENT_SHADER, source(*pixel, &geometry->outputs, ""))});
    h.plainQuadProgram = LinkProgram({CompileStage(GL_VERTEX_SHADER, source(*vertex, nullptr, "")),
                                      CompileStage(GL_FRAGMENT_SHADER, source(*pixel, &vertex->outputs, ""))});

    glCreateBuffers(1, &h.vertexBuffer);
    glNamedBufferStorage(h.vertexBuffer, static_cast<GLsizeiptr>(vertices.size()), vertices.data(), 0);
    glCreateBuffers(1, &h.indexBuffer);
    glNamedBufferStorage(h.indexBuffer, static_cast<GLsizeiptr>(indices.size()), indices.data(), 0);
    const Vertex quad[4] = {{{-1, 1, 1}, {0, 0, 0}}, {{1, 1, 1}, {0, 0, 0}}, {{-1, -1, 1}, {0, 0, 0}},
                            {{1, -1, 1}, {0, 0, 0}}};
    glCreateBuffers(1, &h.quadBuffer);
    glNamedBufferStorage(h.quadBuffer, sizeof quad, quad, 0);
    h.meshArray = VertexArray(*vertex, h.vertexBuffer, h.indexBuffer);
    h.quadArray = VertexArray(*vertex, h.quadBuffer, 0);

    // One constant block, bound where each stage reads slot 0.
    glCreateBuffers(1, &h.constants);
    glNamedBufferStorage(h.constants, sizeof(SceneConstants), nullptr, GL_DYNAMIC_STORAGE_BIT);
    for (const auto* stage : {&*vertex, &*geometry, &*pixel})
        for (const hlsl::ConstantBuffer& block : stage->constantBuffers)
            if (block.slot == 0)
                glBindBufferBase(GL_UNIFORM_BUFFER, block.binding, h.constants);

    h.depthBuffer = Texture(GL_RGBA32F);
    h.depthStencil = Texture(GL_DEPTH_COMPONENT32F);
    glCreateFramebuffers(1, &h.offscreen);
    glNamedFramebufferTexture(h.offscreen, GL_COLOR_ATTACHMENT0, h.depthBuffer, 0);
    glNamedFramebufferTexture(h.offscreen, GL_DEPTH_ATTACHMENT, h.depthStencil, 0);
    h.backBuffer = Texture(GL_RGBA8);
    glCreateFramebuffers(1, &h.screen);
    glNamedFramebufferTexture(h.screen, GL_COLOR_ATTACHMENT0, h.backBuffer, 0);

    // The program's sampler: linear, wrapping.
    h.textureUnit = pixel->samplers.front().textureUnit;
    glCreateSamplers(1, &h.sampler);
    glSamplerParameteri(h.sampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(h.sampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(h.sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(h.sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindSampler(h.textureUnit, h.sampler);
    return h;
}

void HandWrittenFrame(const HandWritten& h, bool fillRule = true)
{
    static const GLfloat white[4] = {1, 1, 1, 1}, background[4] = {0, 0.125f, 0.3f, 1}, farDepth = 1;
    if (SDL_GL_GetCurrentContext() != h.context)
        SDL_GL_MakeCurrent(h.window, h.context);
    StepScene();

    // Pass 1: the teapot into the Depth Buffer.
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, h.offscreen);
    glClearNamedFramebufferfv(h.offscreen, GL_COLOR, 0, white);
    glClearNamedFramebufferfv(h.offscreen, GL_DEPTH, 0, &farDepth);
    glUseProgram(fillRule ? h.meshProgram : h.plainMeshProgram);
    glBindVertexArray(h.meshArray);
    glBindTextureUnit(h.textureUnit, 0); // the Depth Buffer is the target
    sceneConstants.passMode = 0.0f;
    glNamedBufferSubData(h.constants, 0, sizeof sceneConstants, &sceneConstants);
    glDrawElements(GL_TRIANGLES, h.indexCount, GL_UNSIGNED_SHORT, nullptr);

    // Pass 2: the quad into the back buffer, reading the Depth Buffer.
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, h.screen);
    glClearNamedFramebufferfv(h.screen, GL_COLOR, 0, background);
    glClearNamedFramebufferfv(h.offscreen, GL_DEPTH, 0, &farDepth); // as the program does
    glUseProgram(fillRule ? h.quadProgram : h.plainQuadProgram);
    glBindVertexArray(h.quadArray);
    sceneConstants.passMode = 2.0f;
    glNamedBufferSubData(h.constants, 0, sizeof sceneConstants, &sceneConstants);
    glBindTextureUnit(h.textureUnit, h.depthBuffer);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

    // Present: row 0 of the back buffer is the top of the window.
    glBlitNamedFramebuffer(h.screen, 0, 0, 0, kTargetWidth, kTargetHeight, 0, h.windowHeight, h.windowWidth, 0,
                           GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(h.window);
}

// ---- Measuring -------------------------------------------------------------------------

struct Samples {
    std::vector<double> whole, own, driver;
    // The driver's time by where it is spent.
    std::vector<double> inCalls, inSwap, inFinish;
    long glCalls = 0;
};

template <class Frame>
void Measure(Frame frame, Samples* samples)
{
    bench::ResetGlTally();
    const Clock::time_point start = Clock::now();
    frame();
    const Clock::time_point submitted = Clock::now();
    const Clock::duration inDriver = bench::GlTime();
    glFinish();
    const Clock::time_point finished = Clock::now();
    samples->whole.push_back(bench::Milliseconds(finished - start));
    samples->own.push_back(bench::Milliseconds(submitted - start - inDriver));
    samples->driver.push_back(bench::Milliseconds(inDriver + (finished - submitted)));
    samples->inCalls.push_back(bench::Milliseconds(inDriver - bench::SwapTime()));
    samples->inSwap.push_back(bench::Milliseconds(bench::SwapTime()));
    samples->inFinish.push_back(bench::Milliseconds(finished - submitted));
    samples->glCalls = bench::GlCalls();
}

// The number of bytes that differ.
std::size_t Differences(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        count += a[i] != b[i];
    return count;
}

std::string Ratio(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

void Rows(const std::string& benchmark, const Samples& samples)
{
    const auto row = [&](const char* figure, const std::vector<double>& values) {
        bench::Row(benchmark, figure, bench::FormatMs(bench::Percentile(values, 0.5)),
                   bench::FormatMs(bench::Percentile(values, 0.99)));
    };
    row("whole frame, to glFinish", samples.whole);
    row("own CPU, outside GL calls and the swap", samples.own);
    row("GL driver: in GL calls, the swap, glFinish", samples.driver);
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 600;
    if (!bench::StartProgramWindow() || !bench::LoadProgramScene())
        return 1;
    const std::size_t loadOutput = bench::ProgramOutput().size();
    const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));

    const HandWritten hand = SetUpHandWritten();
    bench::HookGlEntryPoints();

    for (int i = 0; i < 30; ++i) {
        RunFrame();
        HandWrittenFrame(hand);
    }
    DrainMessages();

    // Both draw the same image from the same scene state.
    const SceneConstants saved = sceneConstants;
    RunFrame();
    std::vector<std::uint8_t> programImage, handImage(std::size_t{kTargetWidth} * kTargetHeight * 4);
    d3d11::ReadTexels(pBackBuffer, &programImage, nullptr, nullptr, nullptr);
    sceneConstants = saved;
    HandWrittenFrame(hand);
    glGetTextureImage(hand.backBuffer, 0, GL_RGBA, GL_UNSIGNED_BYTE, static_cast<GLsizei>(handImage.size()),
                      handImage.data());
    const std::size_t differences = Differences(programImage, handImage);

    // Alternating blocks; the first frames of a block, which switch GL
    // contexts, are not counted.
    constexpr int kBlocks = 6, kSettle = 5;
    Samples program, handWritten, withoutFillRule;
    for (int block = 0; block < kBlocks; ++block) {
        const int count = frames / kBlocks + (block < frames % kBlocks);
        for (int i = 0; i < kSettle; ++i)
            RunFrame();
        for (int i = 0; i < count; ++i)
            Measure(RunFrame, &program);
        for (int i = 0; i < kSettle; ++i)
            HandWrittenFrame(hand);
        for (int i = 0; i < count; ++i)
            Measure([&] { HandWrittenFrame(hand); }, &handWritten);
        for (int i = 0; i < kSettle; ++i)
            HandWrittenFrame(hand, false);
        for (int i = 0; i < count; ++i)
            Measure([&] { HandWrittenFrame(hand, false); }, &withoutFillRule);
        DrainMessages();
    }
    // Rendering frames print nothing.
    const std::string programOutput = bench::ProgramOutput().substr(loadOutput);

    const std::string frameName = "Frame, " + std::to_string(kTargetWidth) + " x " + std::to_string(kTargetHeight);
    Rows(frameName + ": program's RunFrame via the layer", program);
    Rows(frameName + ": hand-written GL 4.5", handWritten);
    const double ratio = bench::Percentile(program.whole, 0.5) / bench::Percentile(handWritten.whole, 0.5);
    const double ratioP99 = bench::Percentile(program.whole, 0.99) / bench::Percentile(handWritten.whole, 0.99);
    bench::Row(frameName + ": ratio", "program via the layer / hand-written, whole frame", Ratio(ratio),
               Ratio(ratioP99), bench::Verdict("at most 1.10", ratio <= 1.10));
    // What Direct3D's fill rule costs the GL driver, apart from the layer.
    Rows(frameName + ": hand-written GL 4.5 without the fill rule", withoutFillRule);
    bench::Row(frameName + ": the fill rule's cost", "hand-written with it / without it, whole frame",
               Ratio(bench::Percentile(handWritten.whole, 0.5) / bench::Percentile(withoutFillRule.whole, 0.5)),
               Ratio(bench::Percentile(handWritten.whole, 0.99) / bench::Percentile(withoutFillRule.whole, 0.99)));

    bench::Note("renderer: " + renderer + "; " + version);
    bench::Note("frame: " + std::to_string(program.whole.size()) + " frames of each, in " + std::to_string(kBlocks)
                + " alternating blocks; GL calls per frame: program " + std::to_string(program.glCalls)
                + ", hand-written " + std::to_string(handWritten.glCalls) + " (the swap counted as one)");
    const auto split = [](const char* name, const Samples& samples) {
        return std::string(name) + " " + bench::FormatMs(bench::Percentile(samples.inCalls, 0.5)) + " in GL calls, "
             + bench::FormatMs(bench::Percentile(samples.inSwap, 0.5)) + " in the swap, "
             + bench::FormatMs(bench::Percentile(samples.inFinish, 0.5)) + " in glFinish";
    };
    bench::Note("frame: the GL driver's time (medians): " + split("program", program) + "; "
                + split("hand-written", handWritten));
    bench::Note("frame: the two back buffers " + (differences == 0
                                                       ? std::string("are identical")
                                                       : "differ in " + std::to_string(differences) + " of "
                                                             + std::to_string(handImage.size()) + " bytes")
                + " for the same scene state");
    if (!programOutput.empty())
        bench::Note("frame: the program printed: " + programOutput.substr(0, programOutput.find('\n')));

    SDL_GL_MakeCurrent(hand.window, nullptr);
    SDL_GL_DeleteContext(hand.context);
    bench::StopProgram();
    return 0;
}
