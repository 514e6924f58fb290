#include "compiler_test_support.h"

#include "platform/diagnostics/diagnostics.h"

#include <glslang/Include/Types.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>

namespace hlsl_test {

namespace fs = std::filesystem;

void CompilerTest::SetUp()
{
    previous_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "fxdemo-hlsl-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    fs::current_path(directory_);
    diagnostics::Reset();
}

void CompilerTest::TearDown()
{
    fs::current_path(previous_);
    diagnostics::Reset();
    std::error_code ignored;
    fs::permissions(directory_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(directory_, ignored);
}

void CompilerTest::Write(const std::string& path, std::string_view text)
{
    const fs::path file(path);
    if (file.has_parent_path())
        fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    ASSERT_TRUE(out.good()) << path;
}

void CompilerTest::CopyFixture(const std::string& fixture, const std::string& as)
{
    fs::copy_file(fs::path(FXDEMO_HLSL_TEST_DATA) / fixture, as, fs::copy_options::overwrite_existing);
}

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Compiled Compile(const char* entry, const char* profile, const char* file, const D3D10_SHADER_MACRO* defines)
{
    ID3D10Blob* code = reinterpret_cast<ID3D10Blob*>(0x1);
    ID3D10Blob* messages = reinterpret_cast<ID3D10Blob*>(0x1);
    Compiled result;
    result.hr = D3DX11CompileFromFileA(file, defines, nullptr, entry, profile, D3D10_SHADER_ENABLE_STRICTNESS, 0,
                                       nullptr, &code, &messages, nullptr);
    if (code) {
        result.codeBlob = true;
        const auto* bytes = static_cast<const std::uint8_t*>(code->GetBufferPointer());
        result.code.assign(bytes, bytes + code->GetBufferSize());
        result.container = hlsl::ParseContainer(result.code);
        code->Release();
    }
    if (messages) {
        result.messageBlob = true;
        const char* text = static_cast<const char*>(messages->GetBufferPointer());
        const std::size_t size = messages->GetBufferSize();
        result.messagesEndInNull = size > 0 && text[size - 1] == '\0';
        result.messages.assign(text, result.messagesEndInNull ? size - 1 : size);
        messages->Release();
    }
    return result;
}

void ExpectOneError(const Compiled& compiled, HRESULT hr, const std::string& start, const std::string& contains)
{
    EXPECT_EQ(compiled.hr, hr);
    EXPECT_FALSE(compiled.codeBlob);
    EXPECT_TRUE(compiled.messagesEndInNull);
    EXPECT_TRUE(compiled.messages.starts_with(start)) << compiled.messages;
    EXPECT_NE(compiled.messages.find(contains), std::string::npos) << compiled.messages;
    EXPECT_EQ(std::count(compiled.messages.begin(), compiled.messages.end(), '\n'), 1) << compiled.messages;
    EXPECT_TRUE(compiled.messages.ends_with("\n"));
}

namespace {

void InitializeOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

} // namespace

GlslReflection ReflectGlsl(hlsl::ShaderStage stage, const std::string& glsl, const std::string& defines)
{
    InitializeOnce();
    GlslReflection reflection;
    const EShLanguage language = stage == hlsl::ShaderStage::Vertex     ? EShLangVertex
                                  : stage == hlsl::ShaderStage::Geometry ? EShLangGeometry
                                                                         : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = glsl.c_str();
    shader.setStrings(&text, 1);
    shader.setPreamble(defines.c_str());
    shader.setEnvInput(glslang::EShSourceGlsl, language, glslang::EShClientOpenGL, 450);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    // The layer's GL, like Direct3D 11, lets a geometry shader emit 1024
    // vertices, where GL's minimum is 256.
    TBuiltInResource resources = *GetDefaultResources();
    resources.maxGeometryOutputVertices = 1024;
    resources.maxGeometryTotalOutputComponents = 1024;
    if (!shader.parse(&resources, 450, ECoreProfile, false, false, EShMsgDefault)) {
        reflection.errors = shader.getInfoLog();
        return reflection;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(EShMsgDefault)) {
        reflection.errors = program.getInfoLog();
        return reflection;
    }
    program.buildReflection(EShReflectionAllIOVariables | EShReflectionIntermediateIO);
    for (int i = 0; i < program.getNumPipeInputs(); ++i) {
        const glslang::TObjectReflection& input = program.getPipeInput(i);
        const int location = input.getType() && input.getType()->getQualifier().hasLocation()
                                 ? static_cast<int>(input.getType()->getQualifier().layoutLocation)
                                 : -1;
        reflection.inputLocations.emplace_back(input.name, location);
    }
    for (int i = 0; i < program.getNumUniformBlocks(); ++i)
        reflection.uniformBlocks.emplace_back(program.getUniformBlock(i).getBinding(), program.getUniformBlock(i).size);
    for (int i = 0; i < program.getNumUniformVariables(); ++i) {
        const glslang::TObjectReflection& uniform = program.getUniform(i);
        if (uniform.getType() && uniform.getType()->getBasicType() == glslang::EbtSampler)
            reflection.samplerBindings.emplace_back(uniform.name, uniform.getBinding());
    }
    return reflection;
}

} // namespace hlsl_test
