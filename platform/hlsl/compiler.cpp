#include "platform/hlsl/compiler.h"

#include "platform/hlsl/glsl.h"
#include "platform/hlsl/source.h"
#include "platform/hlsl/spirv.h"
#include "platform/hlsl/tree.h"

namespace hlsl {

namespace {

// Refuses a profile other than the vs, gs and ps ones of shader models 4 and 5.
ShaderStage CheckProfile(const std::string& profile, const std::string& file)
{
    const std::optional<ShaderStage> stage = StageForProfile(profile);
    if (!stage)
        Refuse({file, 1, 1}, "unsupported profile '" + profile
                                 + "'; the vs, gs and ps profiles of shader models 4_0, 4_1 and 5_0 are, and the vs "
                                   "and ps ones of 4_0_level_9_1 and 4_0_level_9_3");
    return *stage;
}

} // namespace

std::optional<ShaderStage> StageForProfile(std::string_view profile)
{
    std::optional<ShaderStage> stage;
    if (profile.starts_with("vs_"))
        stage = ShaderStage::Vertex;
    else if (profile.starts_with("gs_"))
        stage = ShaderStage::Geometry;
    else if (profile.starts_with("ps_"))
        stage = ShaderStage::Pixel;
    const std::string_view model = profile.size() > 3 ? profile.substr(3) : std::string_view{};
    // The level-9 profiles compile as 4_0; there are vertex and pixel ones
    // only, as feature levels 9_x have no geometry stage.
    const bool level9 = (model == "4_0_level_9_1" || model == "4_0_level_9_3") && stage != ShaderStage::Geometry;
    if (model != "4_0" && model != "4_1" && model != "5_0" && !level9)
        return std::nullopt;
    return stage;
}

// Every pass, in the order it runs. A pass that refuses the source throws,
// so the first error found is the one reported: the order below is also the
// order in which errors rank.
CompileResult CompileHlsl(const CompileRequest& request)
{
    CompileResult result;
    // Errors found in a rewritten line go back to the user's columns.
    SourceSet sources(request.file, PreparedText{});
    try {
        const std::string& file = request.file;
        const std::string& entryPoint = request.entryPoint;

        // ---- The text, before glslang reads it (source.h) ----------------------------
        const ShaderStage stage = CheckProfile(request.profile, file);
        CheckMacros(request.macros, file);
        // Limits, effect syntax blanked, refusals; every #include the same way.
        PreparedText prepared = PrepareText(request.source, file, {file, request.source});
        const std::vector<Insertion> preparedInsertions = prepared.insertions;
        sources = SourceSet(file, std::move(prepared));
        const std::string preamble = WritePreamble(request.macros, file, sources.MainText());

        // ---- glslang's tree (tree.h) ----------------------------------------------------
        ParseRequest parse{sources.MainText(), preamble, entryPoint, stage, nullptr, {file, request.source}};
        if (stage == ShaderStage::Geometry) {
            // glslang's geometry front end crashes on shapes that a parse for
            // the vertex stage reads safely: those are refused on such a parse
            // first, which also checks every function's syntax.
            const ParseRequest vertexParse{parse.text, preamble, entryPoint, ShaderStage::Vertex, nullptr, parse.root};
            const Tree probe = ParseHlsl(vertexParse, sources);
            CheckGeometryShape(probe, entryPoint, sources);
            LowerDistanceInputs(parse.text, sources, ReadDistanceInputs(probe, entryPoint, sources));
            parse.text = LowerOtherGeometryShaders(std::move(parse.text), entryPoint);
        }
        Tree tree = ParseHlsl(parse, sources);
        const DynamicLinkage linkage = ReadInterfaceInstances(tree, entryPoint, request.profile, stage, sources);
        if (!linkage.instances.empty()) {
            // Calls through interface slots: the text again, parsed again.
            PreparedText lowered{{}, preparedInsertions};
            lowered.text = LowerDynamicLinkage(sources.MainText(), file, linkage, true, lowered.insertions);
            std::vector<Insertion> unused;
            parse.text = LowerDynamicLinkage(parse.text, file, linkage, true, unused);
            parse.linkage = &linkage;
            sources = SourceSet(file, std::move(lowered));
            tree = ParseHlsl(parse, sources);
        }
        // Before linking: glslang's link refuses a geometry stage without a
        // stream in words of its own, at no position.
        CheckStageKind(tree, entryPoint, request.profile, stage, sources);
        LinkStage(tree, sources);
        if (stage == ShaderStage::Vertex)
            LowerPositionInputs(tree);
        if (stage != ShaderStage::Pixel)
            LowerPositionOutputs(tree);
        SpirvModule module;
        module.stage = stage;
        module.profile = request.profile;
        module.entryPoint = entryPoint;
        module.entryPosition = ReadEntryPosition(tree, entryPoint, sources);
        module.resources = ReadResources(tree, sources);
        if (stage == ShaderStage::Vertex) {
            module.declaredInputs = ReadDeclaredInputs(tree);
            module.distanceOutputs = ReadDistanceOutputs(tree, entryPoint);
        }
        CheckSwizzleArguments(tree, sources);
        LowerMatrixOperators(tree, sources);
        LowerMatrixSwizzles(tree);
        LowerLit(tree, sources);

        // ---- SPIR-V (spirv.h) -----------------------------------------------------------
        const auto spirv = [&](bool lineNumbers) {
            std::string log;
            std::vector<std::uint32_t> words = GenerateSpirv(tree, lineNumbers, log);
            PlaceMissingFunctionality(log, tree, sources, module.entryPosition);
            // HLSL's meaning goes in before the optimizer folds constants.
            LowerRemainders(words);
            LowerFloatToIntConversions(words);
            LowerFloatLdexp(words);
            LowerExtraVertices(words);
            LowerDriverDependentRules(words);
            LowerDenormals(words, lineNumbers);
            if (linkage.slotCount > 0)
                LowerInterfaceUniform(words, stage);
            if (!words.empty())
                LegalizeSpirv(tree, words, log);
            LowerUnreadFlushes(words);
            CheckGeneratedSpirv(words, log, module.entryPosition);
            return words;
        };
        module.words = spirv(false);
        // GLSL needs constant texture offsets: the loops that feed them are
        // unrolled, on a module made again with line numbers to place what
        // stays variable.
        if (HasNonConstantOffset(module.words)) {
            CheckUnrollLimit(tree, file);
            std::vector<std::uint32_t> lined = spirv(true);
            LowerOffsetsToConstants(lined, ReadOffsetCalls(tree, file), module.entryPosition);
            module.words = std::move(lined);
        }
        std::vector<std::uint32_t> words = module.words;
        const std::vector<UnboundResource> unbound = LowerUnboundResources(words, module.entryPosition);
        LowerConstantBufferPacking(words, module.resources);

        // ---- GLSL, through SPIRV-Cross (glsl.h) ----------------------------------------------
        CheckReadWriteResources(module, unbound);
        const CrossCompiler cross(module, words);
        CheckUnsupportedResources(cross);
        // Outputs first: they tell most plainly which stage an entry point is
        // for. A pixel-only operation elsewhere ranks after the signature.
        std::vector<InterfaceVariable> outputs = ReadInterface(cross, false);
        std::vector<InterfaceVariable> inputs = ReadInterface(cross, true);
        CheckPixelOnlyOperations(tree, entryPoint, request.profile, stage, sources);
        std::vector<BoundResource> resources = ReadBoundResources(cross, unbound);
        AssignSlots(resources);
        ShaderContainer container;
        const auto flattened = LowerConstantBuffers(cross, resources, container);
        LowerSamplers(cross, resources, container);
        std::string glsl = WriteGlsl(cross);
        LowerFlattenedBlocks(glsl, flattened, module.entryPosition);
        LowerLocationMacros(glsl, inputs, outputs, module.entryPosition);
        if (stage == ShaderStage::Pixel) {
            LowerDepthOutput(glsl);
            LowerFillRuleTest(glsl);
        }
        LowerHalfPacking(glsl);
        container.stage = stage;
        LowerEmptyTextureSizes(glsl, container, module.entryPosition);

        container.stage = stage;
        container.entryPoint = entryPoint;
        container.glsl = std::move(glsl);
        for (InterfaceVariable& variable : inputs)
            container.inputs.push_back(std::move(variable.reflected));
        for (InterfaceVariable& variable : outputs)
            container.outputs.push_back(std::move(variable.reflected));
        if (stage == ShaderStage::Vertex)
            LowerVertexClipDistances(container.glsl, module.distanceOutputs, container.outputs);
        if (stage == ShaderStage::Geometry) {
            LowerGeometryDistanceOutputs(container.glsl, container.outputs, module.entryPosition);
            LowerPointPlacement(container.glsl);
            LowerFillRule(container.glsl);
        }
        container.interfaceSlotCount = linkage.slotCount;
        for (const AbstractInstance& instance : linkage.instances)
            if (instance.slot)
                container.interfaceSlots.push_back(
                    {instance.name, instance.interfaceName, *instance.slot, std::max<std::uint32_t>(instance.arraySize, 1)});
        container.classInstances = linkage.classInstances;
        if (stage == ShaderStage::Geometry)
            container.geometryMaxVertices =
                spvc_compiler_get_execution_mode_argument(cross.Get(), SpvExecutionModeOutputVertices);
        // What compiles here must create: the GLSL is checked as GL will see it.
        CheckGeneratedGlsl(container, module.entryPosition);
        CheckGeometryOutputSize(container, module.entryPosition);
        result.container = std::move(container);
    } catch (Refusal& refusal) {
        result.errors = std::move(refusal.diagnostics);
        sources.RestoreColumns(result.errors);
    }
    return result;
}

} // namespace hlsl
