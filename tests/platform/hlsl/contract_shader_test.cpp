// The effect file in the demo's shape compiles for all three stages, its
// reflection is what the Direct3D 11 layer binds by, and its GLSL compiles
// and links the way the layer links it.

#include "compiler_test_support.h"

#include <filesystem>
#include <map>

namespace {

using hlsl::ComponentType;
using hlsl::ShaderStage;
using hlsl::StageVariable;
using hlsl_test::FindVariable;

class ContractShader : public hlsl_test::CompilerTest {
protected:
    void SetUp() override
    {
        CompilerTest::SetUp();
        CopyFixture("contract.fx");
    }
};

void ExpectVariable(const std::vector<StageVariable>& variables, std::string_view semantic, std::uint32_t index,
                    ComponentType type, std::uint32_t components, bool hasMacro)
{
    const StageVariable* variable = FindVariable(variables, semantic, index);
    ASSERT_NE(variable, nullptr) << semantic << index;
    EXPECT_EQ(variable->componentType, type) << semantic << index;
    EXPECT_EQ(variable->componentCount, components) << semantic << index;
    EXPECT_EQ(variable->locationCount, 1u) << semantic << index;
    EXPECT_FALSE(variable->systemValue) << semantic << index;
    EXPECT_EQ(variable->locationMacro.empty(), !hasMacro) << semantic << index;
}

void ExpectSceneConstants(const hlsl::ShaderContainer& container)
{
    ASSERT_EQ(container.constantBuffers.size(), 1u);
    const hlsl::ConstantBuffer& buffer = container.constantBuffers[0];
    EXPECT_EQ(buffer.name, "SceneConstants");
    EXPECT_EQ(buffer.slot, 0u);
    EXPECT_EQ(buffer.byteSize, 896u);
    EXPECT_EQ(buffer.binding, hlsl::ConstantBufferBinding(container.stage, 0));
}

TEST_F(ContractShader, VertexStageTakesTheInputLayoutAndWritesEverySemantic)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    const hlsl::ShaderContainer& vs = program.vertex;
    EXPECT_EQ(vs.stage, ShaderStage::Vertex);
    EXPECT_EQ(vs.entryPoint, "vs_main");

    ASSERT_EQ(vs.inputs.size(), 2u);
    EXPECT_EQ(vs.inputs[0].semantic, "POSITION");
    EXPECT_EQ(vs.inputs[0].location, 0u);
    EXPECT_EQ(vs.inputs[1].semantic, "NORMAL");
    EXPECT_EQ(vs.inputs[1].location, 1u);
    for (const StageVariable& input : vs.inputs) {
        EXPECT_EQ(input.semanticIndex, 0u);
        EXPECT_EQ(input.componentType, ComponentType::Float);
        EXPECT_EQ(input.componentCount, 3u);
        EXPECT_TRUE(input.locationMacro.empty()) << "vertex inputs keep fixed locations";
    }

    ExpectVariable(vs.outputs, "NORMAL", 0, ComponentType::Float, 3, true);
    ExpectVariable(vs.outputs, "TEXCOORD", 3, ComponentType::Float, 2, true);
    ExpectVariable(vs.outputs, "BLENDINDICES", 2, ComponentType::Uint, 1, true);
    ExpectVariable(vs.outputs, "COLOR", 1, ComponentType::Float, 4, true);
    const StageVariable* position = FindVariable(vs.outputs, "SV_POSITION", 0);
    ASSERT_NE(position, nullptr);
    EXPECT_TRUE(position->systemValue);
    EXPECT_TRUE(position->locationMacro.empty());
    EXPECT_EQ(vs.outputs.size(), 5u);
    ExpectSceneConstants(vs);
    EXPECT_TRUE(vs.samplers.empty());
}

TEST_F(ContractShader, GeometryStageMirrorsTheVertexOutputs)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    const hlsl::ShaderContainer& gs = program.geometry;
    EXPECT_EQ(gs.stage, ShaderStage::Geometry);
    EXPECT_EQ(gs.geometryMaxVertices, 3u);
    for (const std::vector<StageVariable>* list : {&gs.inputs, &gs.outputs}) {
        ExpectVariable(*list, "NORMAL", 0, ComponentType::Float, 3, true);
        ExpectVariable(*list, "TEXCOORD", 3, ComponentType::Float, 2, true);
        ExpectVariable(*list, "BLENDINDICES", 2, ComponentType::Uint, 1, true);
        ExpectVariable(*list, "COLOR", 1, ComponentType::Float, 4, true);
        const StageVariable* position = FindVariable(*list, "SV_POSITION", 0);
        ASSERT_NE(position, nullptr);
        EXPECT_TRUE(position->systemValue);
    }
    // Input and output macros of one stage never share a name.
    for (const StageVariable& input : gs.inputs)
        for (const StageVariable& output : gs.outputs)
            EXPECT_TRUE(input.locationMacro.empty() || input.locationMacro != output.locationMacro);
    ExpectSceneConstants(gs);
}

TEST_F(ContractShader, PixelStageSamplesSlotZeroAndWritesTargetZero)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    const hlsl::ShaderContainer& ps = program.pixel;
    EXPECT_EQ(ps.stage, ShaderStage::Pixel);
    ASSERT_EQ(ps.outputs.size(), 1u);
    EXPECT_EQ(ps.outputs[0].semantic, "SV_TARGET");
    EXPECT_EQ(ps.outputs[0].semanticIndex, 0u);
    EXPECT_EQ(ps.outputs[0].location, 0u);
    EXPECT_EQ(ps.outputs[0].componentCount, 4u);
    EXPECT_TRUE(ps.outputs[0].locationMacro.empty()) << "render-target outputs keep fixed locations";

    ExpectVariable(ps.inputs, "NORMAL", 0, ComponentType::Float, 3, true);
    ExpectVariable(ps.inputs, "TEXCOORD", 3, ComponentType::Float, 2, true);
    ExpectVariable(ps.inputs, "BLENDINDICES", 2, ComponentType::Uint, 1, true);
    ExpectVariable(ps.inputs, "COLOR", 1, ComponentType::Float, 4, true);
    ASSERT_NE(FindVariable(ps.inputs, "SV_POSITION", 0), nullptr);
    EXPECT_TRUE(FindVariable(ps.inputs, "SV_POSITION", 0)->systemValue);

    ASSERT_EQ(ps.samplers.size(), 1u);
    EXPECT_EQ(ps.samplers[0].textureSlot, 0u);
    EXPECT_EQ(ps.samplers[0].samplerSlot, 0u);
    EXPECT_EQ(ps.samplers[0].textureUnit, hlsl::TextureUnit(ShaderStage::Pixel, 0));
    ExpectSceneConstants(ps);
}

TEST_F(ContractShader, EachStageCompilesAsGlslWithItsBindings)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    for (const hlsl::ShaderContainer* stage : {&program.vertex, &program.geometry, &program.pixel}) {
        SCOPED_TRACE(stage->entryPoint);
        EXPECT_TRUE(stage->glsl.starts_with("#version 450\n"));
        EXPECT_EQ(stage->glsl.find("origin_upper_left"), std::string::npos);
        const hlsl_test::GlslReflection reflection = hlsl_test::ReflectGlsl(stage->stage, stage->glsl);
        ASSERT_EQ(reflection.errors, "");
        // The uniform block sits at the stage's binding and holds the whole
        // 896-byte buffer.
        ASSERT_EQ(reflection.uniformBlocks.size(), 1u);
        EXPECT_EQ(reflection.uniformBlocks[0].first, static_cast<int>(hlsl::ConstantBufferBinding(stage->stage, 0)));
        EXPECT_EQ(reflection.uniformBlocks[0].second, 896);
    }
    const hlsl_test::GlslReflection pixel = hlsl_test::ReflectGlsl(ShaderStage::Pixel, program.pixel.glsl);
    ASSERT_EQ(pixel.samplerBindings.size(), 1u);
    EXPECT_EQ(pixel.samplerBindings[0].second, static_cast<int>(program.pixel.samplers[0].textureUnit));
}

TEST_F(ContractShader, LinkedInputsTakeTheLocationsTheirMacrosGive)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    // Unlinked, each input sits at its default location.
    const hlsl_test::GlslReflection alone = hlsl_test::ReflectGlsl(ShaderStage::Pixel, program.pixel.glsl);
    ASSERT_EQ(alone.errors, "");

    // Linked, as the layer links: every input macro set to a location of the
    // layer's choosing.
    std::string defines;
    std::map<std::string, int> chosen;
    int next = 9;
    for (const StageVariable& input : program.pixel.inputs) {
        if (input.locationMacro.empty())
            continue;
        defines += "#define " + input.locationMacro + " " + std::to_string(next) + "\n";
        chosen["fxsc_in_" + input.semantic + std::to_string(input.semanticIndex)] = next++;
    }
    ASSERT_EQ(chosen.size(), 4u);
    const hlsl_test::GlslReflection linked =
        hlsl_test::ReflectGlsl(ShaderStage::Pixel, hlsl_test::WithDefines(program.pixel.glsl, defines));
    ASSERT_EQ(linked.errors, "");
    std::size_t checked = 0;
    for (const auto& [name, location] : linked.inputLocations)
        if (chosen.count(name)) {
            EXPECT_EQ(location, chosen[name]) << name;
            ++checked;
        }
    EXPECT_EQ(checked, chosen.size());
    for (const auto& [name, location] : alone.inputLocations)
        if (chosen.count(name)) {
            const StageVariable* input = nullptr;
            for (const StageVariable& candidate : program.pixel.inputs)
                if ("fxsc_in_" + candidate.semantic + std::to_string(candidate.semanticIndex) == name)
                    input = &candidate;
            ASSERT_NE(input, nullptr);
            EXPECT_EQ(location, static_cast<int>(input->location)) << name;
        }
}

TEST_F(ContractShader, OtherShaderModelsOfTheSameStagesCompileAlike)
{
    for (const char* model : {"4_1", "5_0"}) {
        const hlsl_test::Compiled vs = hlsl_test::Compile("vs_main", (std::string("vs_") + model).c_str());
        const hlsl_test::Compiled gs = hlsl_test::Compile("gs_main", (std::string("gs_") + model).c_str());
        const hlsl_test::Compiled ps = hlsl_test::Compile("ps_main", (std::string("ps_") + model).c_str());
        for (const hlsl_test::Compiled* compiled : {&vs, &gs, &ps}) {
            EXPECT_EQ(compiled->hr, S_OK) << model << compiled->messages;
            EXPECT_FALSE(compiled->messageBlob);
        }
        ASSERT_TRUE(gs.container && ps.container);
        EXPECT_EQ(gs.container->stage, ShaderStage::Geometry);
        EXPECT_EQ(ps.container->stage, ShaderStage::Pixel);
    }
}

TEST_F(ContractShader, ShippedEffectFileCompilesForAllThreeStages)
{
    const std::filesystem::path shipped = std::filesystem::path(FXDEMO_SHADERS_DIR) / "main.fx";
    if (!std::filesystem::exists(shipped))
        GTEST_SKIP() << "shaders/main.fx is not there yet";
    std::filesystem::copy_file(shipped, "main.fx", std::filesystem::copy_options::overwrite_existing);
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    for (const hlsl::ShaderContainer* stage : {&program.vertex, &program.geometry, &program.pixel}) {
        SCOPED_TRACE(stage->entryPoint);
        EXPECT_EQ(hlsl_test::GlslErrors(stage->stage, stage->glsl), "");
        for (const hlsl::ConstantBuffer& buffer : stage->constantBuffers)
            EXPECT_EQ(buffer.byteSize, 896u);
    }
    // The vertex stage accepts the program's two-element input layout.
    for (const StageVariable& input : program.vertex.inputs)
        EXPECT_TRUE(input.semantic == "POSITION" || input.semantic == "NORMAL") << input.semantic;
    EXPECT_EQ(program.pixel.samplers.size(), 1u);
}

} // namespace
