// Every effect file under tests/data/hlsl (but self_check/, which the
// Direct3D 11 tests run), compiled entry point by entry point. A file names
// what it expects in comment lines of its own:
//   // expect: VS vs_4_0 compiles
//   //   in: POSITION0:f3@0 NORMAL0:f3@1
//   //   out: SV_POSITION0:f4sv TEXCOORD3:f2~
//   //   cb: SceneConstants@b0:896
//   //   tex: t0s0 t1 t2s1x3
//   //   gs: 3
//   // expect: PS ps_5_0 error (14,9) 'noise'
//   // expect: VS vs_4_0 -DSCALE=3 -DFLIP error parts/b.hlsli(2) 'cycle'
// -D options are the caller's macros (one without '=' has no definition);
// an error's place may name an included file and leave out the column.
// "compiles" asks for a code blob whose container parses back to the same
// bytes and whose GLSL a GLSL compiler takes, alone and with its location
// macros set as the layer sets them when it links stages, with its uniform
// blocks and samplers at the bindings the container lists and no two
// variables at one location. The indented lines after it
// each compare one part of the reflection, as a set of words:
//   variable  SEMANTIC+index ':' f|i|u components ['x' locations] then
//             'sv' (a built-in), '-' (declared but unread: no location),
//             '~' (linked by a location macro) or '@' fixed location
//   cb        name '@b' slot ':' bytes
//   tex       't' slot ['s' slot, none for Load] ['x' elements of an array]
//   slots     the count of interface slots, then each abstract instance
//             name ':' interface '@' first slot ['x' elements of an array]
//   classes   each class instance: id '=' [instance '[' index ']'] ':'
//             class '(' its interfaces, by commas ')'; no instance for a
//             created one
// "error" asks for E_FAIL, no code blob and exactly one message line at that
// line and column of the file, holding the quoted text. Each file is compiled
// in a copy of the whole data tree, from its own folder.

#include "compiler_test_support.h"
#include "tests/fx_file_names.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace hlsl;
using namespace hlsl_test;
using Words = std::multiset<std::string>;

const fs::path kData = FXDEMO_HLSL_TEST_DATA;

std::vector<std::string> EffectFiles()
{
    std::vector<std::string> files;
    for (const fs::path& file : fx_test::FxFiles(kData))
        if (!file.generic_string().starts_with("self_check/"))
            files.push_back(file.generic_string());
    return files;
}

struct Expectation {
    std::string entry, profile;
    bool compiles = true;
    std::string place, about;
    std::vector<std::string> defines; // NAME or NAME=VALUE
    std::map<std::string, Words> reflection; // "in", "out", "cb", "tex", "gs"
};

Words Split(const std::string& text)
{
    std::istringstream in(text);
    return Words(std::istream_iterator<std::string>(in), std::istream_iterator<std::string>());
}

std::vector<Expectation> ReadExpectations(const std::string& file, const std::string& text, std::string& problem)
{
    static const std::regex kExpect(
        R"(^// expect: (\w+) ([A-Za-z0-9_]+)((?: -D\S+)*) (?:(compiles)|error ([^ (]*)\((\d+)(,\d+)?\) '(.*)')\s*$)");
    static const std::regex kPart(R"(^//   (in|out|cb|tex|gs|slots|classes):(.*)$)");
    std::vector<Expectation> expectations;
    std::istringstream lines(text);
    std::smatch match;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_match(line, match, kPart) && !expectations.empty() && expectations.back().compiles)
            expectations.back().reflection[match[1]] = Split(match[2]);
        else if (std::regex_match(line, match, kExpect)) {
            const std::string place = (match[5].length() ? match[5].str() : file) + "(" + match[6].str();
            std::vector<std::string> defines;
            for (const std::string& option : Split(match[3]))
                defines.push_back(option.substr(2));
            expectations.push_back({match[1], match[2], match[4].matched,
                                    match[7].matched ? place + match[7].str() + "): error: " : place + ",", match[8],
                                    defines, {}});
        }
        else if (line.starts_with("// expect") || line.starts_with("//   "))
            problem += "unreadable line: " + line + "\n";
    }
    return expectations;
}

std::string Describe(const StageVariable& v)
{
    std::string text = v.semantic + std::to_string(v.semanticIndex) + ":" + "fiu"[static_cast<int>(v.componentType)]
                       + std::to_string(v.componentCount);
    if (v.locationCount > 1)
        text += "x" + std::to_string(v.locationCount);
    if (v.systemValue)
        return text + "sv";
    if (v.location == hlsl::kNoLocation)
        return text + "-";
    return text + (v.locationMacro.empty() ? "@" + std::to_string(v.location) : "~");
}

std::map<std::string, Words> Reflection(const hlsl::ShaderContainer& c)
{
    std::map<std::string, Words> parts{{"in", {}}, {"out", {}}, {"cb", {}}, {"tex", {}}, {"classes", {}}};
    for (const StageVariable& v : c.inputs)
        parts["in"].insert(Describe(v));
    for (const StageVariable& v : c.outputs)
        parts["out"].insert(Describe(v));
    for (const hlsl::ConstantBuffer& b : c.constantBuffers)
        parts["cb"].insert(b.name + "@b" + std::to_string(b.slot) + ":" + std::to_string(b.byteSize));
    for (const hlsl::CombinedSampler& s : c.samplers)
        parts["tex"].insert("t" + std::to_string(s.textureSlot)
                            + (s.samplerSlot == hlsl::kNoSlot ? "" : "s" + std::to_string(s.samplerSlot))
                            + (s.arraySize > 1 ? "x" + std::to_string(s.arraySize) : ""));
    parts["gs"].insert(std::to_string(c.geometryMaxVertices));
    parts["slots"].insert(std::to_string(c.interfaceSlotCount));
    for (const hlsl::InterfaceSlotRecord& r : c.interfaceSlots)
        parts["slots"].insert(r.name + ":" + r.interfaceName + "@" + std::to_string(r.slot)
                              + (r.arraySize > 1 ? "x" + std::to_string(r.arraySize) : ""));
    for (const hlsl::ClassInstanceRecord& r : c.classInstances) {
        std::string interfaces;
        for (const std::string& name : r.interfaces)
            interfaces += (interfaces.empty() ? "" : ",") + name;
        parts["classes"].insert(std::to_string(r.id) + "=" + r.instanceName
                                + (r.instanceName.empty() ? "" : "[" + std::to_string(r.instanceIndex) + "]") + ":"
                                + r.typeName + "(" + interfaces + ")");
    }
    return parts;
}

// What holds for every compiled stage, whatever its source.
void ExpectSoundContainer(const Compiled& compiled, const Expectation& expected)
{
    const hlsl::ShaderContainer& c = *compiled.container;
    const ShaderStage stage = expected.profile[0] == 'v'   ? ShaderStage::Vertex
                              : expected.profile[0] == 'g' ? ShaderStage::Geometry
                                                           : ShaderStage::Pixel;
    EXPECT_EQ(c.stage, stage);
    EXPECT_EQ(c.entryPoint, expected.entry);
    EXPECT_FALSE(compiled.messageBlob) << compiled.messages;
    EXPECT_EQ(hlsl::SerializeContainer(c), compiled.code);
    for (std::size_t size : {std::size_t{0}, compiled.code.size() / 2, compiled.code.size() - 1})
        EXPECT_FALSE(hlsl::ParseContainer({compiled.code.data(), size})) << size;
    std::vector<std::uint8_t> altered = compiled.code;
    altered.push_back(0);
    EXPECT_FALSE(hlsl::ParseContainer(altered)) << "a byte too many";
    altered = compiled.code;
    altered[0] ^= 0xFF;
    EXPECT_FALSE(hlsl::ParseContainer(altered)) << "another magic";

    // Direct3D's top-left origin comes from glClipControl, never from the
    // shader; GLSL reserves names with "__"; the layer sets no uniform but
    // the blocks and samplers the container lists.
    EXPECT_TRUE(c.glsl.starts_with("#version 450\n"));
    for (const char* absent : {"origin_upper_left", "__", "SPIRV_Cross_Base"})
        EXPECT_EQ(c.glsl.find(absent), std::string::npos) << absent << " in\n" << c.glsl;
    const hlsl_test::GlslReflection glsl = hlsl_test::ReflectGlsl(stage, c.glsl);
    ASSERT_EQ(glsl.errors, "") << c.glsl;
    // A block may be shorter than the buffer, whose size is rounded up to a
    // register, never longer: GL would refuse the bound range.
    std::map<int, int> blocks(glsl.uniformBlocks.begin(), glsl.uniformBlocks.end());
    EXPECT_EQ(blocks.size(), c.constantBuffers.size());
    for (const hlsl::ConstantBuffer& b : c.constantBuffers) {
        EXPECT_EQ(b.binding, hlsl::ConstantBufferBinding(stage, b.slot)) << b.name;
        ASSERT_EQ(blocks.count(static_cast<int>(b.binding)), 1u) << b.name;
        EXPECT_LE(blocks[static_cast<int>(b.binding)], static_cast<int>(b.byteSize)) << b.name;
    }
    std::set<int> units, bound;
    for (const auto& [name, binding] : glsl.samplerBindings)
        bound.insert(binding);
    std::vector<bool> taken(64, false);
    for (const hlsl::CombinedSampler& s : c.samplers) {
        units.insert(static_cast<int>(s.textureUnit));
        EXPECT_GE(s.textureUnit, hlsl::TextureUnit(stage, 0));
        for (std::uint32_t i = 0; i < s.arraySize; ++i) {
            EXPECT_FALSE(taken.at(s.textureUnit + i)) << "two pairs share unit " << s.textureUnit + i;
            taken.at(s.textureUnit + i) = true;
        }
    }
    EXPECT_EQ(bound, units);
    // Location macros name one variable each, inputs and outputs apart, and
    // no two variables of a list share a location.
    std::set<std::string> macros;
    for (const std::vector<StageVariable>* list : {&c.inputs, &c.outputs}) {
        std::vector<bool> used(64, false);
        for (const StageVariable& v : *list) {
            if (!v.locationMacro.empty()) {
                EXPECT_TRUE(macros.insert(v.locationMacro).second) << v.locationMacro;
            }
            for (std::uint32_t i = 0; !v.systemValue && v.location != hlsl::kNoLocation && i < v.locationCount; ++i) {
                EXPECT_FALSE(used.at(v.location + i)) << Describe(v);
                used.at(v.location + i) = true;
            }
        }
    }
    // Linked as the layer links, with every input macro set to a location of
    // its choosing, the inputs sit there.
    std::string defines;
    std::set<int> expectedLocations;
    int next = 20;
    for (const StageVariable& v : c.inputs) {
        if (v.systemValue || v.location == hlsl::kNoLocation)
            continue;
        if (v.locationMacro.empty()) {
            expectedLocations.insert(static_cast<int>(v.location));
            continue;
        }
        defines += "#define " + v.locationMacro + " " + std::to_string(next) + "\n";
        expectedLocations.insert(next);
        next += static_cast<int>(v.locationCount);
    }
    const hlsl_test::GlslReflection linked = hlsl_test::ReflectGlsl(stage, c.glsl, defines);
    ASSERT_EQ(linked.errors, "");
    std::set<int> locations;
    for (const auto& [name, location] : linked.inputLocations)
        if (!name.starts_with("gl_"))
            locations.insert(location);
    EXPECT_EQ(locations, expectedLocations) << defines;

    // With the fill rule's marks, as the layer links a stage that carries
    // them, the text compiles too, and so does the geometry stage the layer
    // makes for a vertex stage; every output once read without perspective.
    const std::string fillRule = std::string("#define ") + hlsl::kFillRuleMacro + " 30\n";
    std::string windowed;
    for (const StageVariable& v : c.outputs)
        if (!v.locationMacro.empty())
            windowed += "#define FXSC_LINEAR_" + hlsl::SemanticIdentifier(v.semantic) + std::to_string(v.semanticIndex) + "\n";
    if (stage == ShaderStage::Vertex) {
        const std::string geometry = hlsl::FillRuleGeometry(c);
        const bool position = std::any_of(c.outputs.begin(), c.outputs.end(), [](const StageVariable& v) {
            return v.systemValue && v.semantic == "SV_POSITION";
        });
        EXPECT_EQ(hlsl::HasFillRule(geometry), position) << c.glsl;
        for (const std::string& extra : {std::string(), windowed}) {
            if (position) {
                EXPECT_EQ(hlsl_test::ReflectGlsl(ShaderStage::Geometry, geometry, fillRule + extra).errors, "")
                    << geometry;
            }
        }
    } else if (hlsl::HasFillRule(c.glsl)) {
        for (const std::string& extra : {std::string(), windowed})
            EXPECT_EQ(hlsl_test::ReflectGlsl(stage, c.glsl, fillRule + extra).errors, "");
    }
}

class Sweep : public hlsl_test::CompilerTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(Sweep, EveryEntryPointAsExpected)
{
    const std::string name = fs::path(GetParam()).filename().string();
    fs::copy(kData, ".", fs::copy_options::recursive);
    fs::current_path(fs::path(".") / fs::path(GetParam()).parent_path());
    std::string problem;
    const std::vector<Expectation> expectations = ReadExpectations(name, hlsl_test::ReadText(name), problem);
    ASSERT_EQ(problem, "");
    ASSERT_FALSE(expectations.empty()) << name << " has no expect: line";

    for (const Expectation& expected : expectations) {
        SCOPED_TRACE(expected.entry + " " + expected.profile);
        std::vector<std::string> names;
        std::vector<D3D10_SHADER_MACRO> macros;
        names.reserve(expected.defines.size());
        for (const std::string& define : expected.defines) {
            const std::size_t equals = define.find('=');
            names.push_back(define.substr(0, equals));
            macros.push_back({names.back().c_str(), equals == std::string::npos ? nullptr : &define[equals + 1]});
        }
        macros.push_back({nullptr, nullptr});
        const Compiled compiled =
            Compile(expected.entry.c_str(), expected.profile.c_str(), name.c_str(), macros.data());
        if (expected.compiles) {
            ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
            ASSERT_TRUE(compiled.container.has_value());
            ExpectSoundContainer(compiled, expected);
            const std::map<std::string, Words> reflection = Reflection(*compiled.container);
            for (const auto& [part, words] : expected.reflection)
                EXPECT_EQ(reflection.at(part), words) << part;
            continue;
        }
        hlsl_test::ExpectOneError(compiled, static_cast<HRESULT>(0x80004005u), expected.place, expected.about);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Sweep, ::testing::ValuesIn(EffectFiles()),
                         [](const ::testing::TestParamInfo<std::string>& file) {
                             std::string name = file.param.substr(0, file.param.size() - 3);
                             std::replace(name.begin(), name.end(), '/', '_');
                             return name;
                         });

// The demo's own effect file meets its contract: three stages that compile,
// the 896-byte block at b0, and a vertex stage the two-element input layout
// feeds.
TEST_F(Sweep, ShippedEffectFileCompilesForAllThreeStages)
{
    CopyFixture(fs::relative(fs::path(FXDEMO_SHADERS_DIR) / "main.fx", kData).string());
    for (const char* profile : {"vs_4_0", "gs_4_0", "ps_4_0"}) {
        const std::string entry = std::string(profile, 2) + "_main";
        SCOPED_TRACE(entry);
        const Compiled compiled = Compile(entry.c_str(), profile);
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        ExpectSoundContainer(compiled, {entry, profile, true, {}, {}, {}, {}});
        std::map<std::string, Words> reflection = Reflection(*compiled.container);
        EXPECT_EQ(reflection["cb"].count("SceneConstants@b0:896"), reflection["cb"].size());
        EXPECT_EQ(reflection["in"].count("POSITION0:f3@0") + reflection["in"].count("NORMAL0:f3@1"),
                  profile[0] == 'v' ? reflection["in"].size() : 0u);
    }
}

} // namespace
