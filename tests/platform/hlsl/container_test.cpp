// What the layer is handed and what it does with it: the container, checked
// field by field against corrupt values at their limits, the byte reader
// under it, and the location-macro protocol that links two stages.

#include "platform/hlsl/byte_codec.h"
#include "platform/hlsl/shader_container.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using hlsl::ComponentType;
using hlsl::ShaderContainer;
using hlsl::StageVariable;
using Bytes = std::vector<std::uint8_t>;

ShaderContainer Sample()
{
    ShaderContainer c;
    c.stage = hlsl::ShaderStage::Pixel;
    c.entryPoint = "ps_main";
    c.glsl = "#version 450\nvoid main() {}\n";
    c.inputs = {{"TEXCOORD", 2, ComponentType::Float, 2, 0, 1, "FXSC_IN_TEXCOORD2", false},
                {"SV_POSITION", 0, ComponentType::Float, 4, 0, 1, "", true}};
    c.outputs = {{"SV_TARGET", 1, ComponentType::Int, 4, 1, 1, "", false}};
    c.constantBuffers = {{"Scene", 3, 896, 31}};
    c.samplers = {{5, 2, 32, 2}};
    // Slots 0-1 an array of lights, slot 2 a material.
    c.interfaceSlotCount = 3;
    c.interfaceSlots = {{"g_lights", "iLight", 0, 2}, {"g_material", "iMaterial", 2, 1}};
    c.classInstances = {{1, "cAmbient", "g_ambient", 0, {"iLight"}},
                        {7, "cPoint", "g_points", 3, {"iLight", "iBase"}},
                        {2, "cPlain", "", 0, {"iMaterial"}}};
    return c;
}

bool Parses(const Bytes& bytes)
{
    return hlsl::ParseContainer(bytes).has_value();
}

// The offset of the first byte two serialisations differ in: where the word
// one of them changed is written, when its lowest byte changed.
std::size_t FieldOffset(const ShaderContainer& a, const ShaderContainer& b)
{
    const Bytes x = hlsl::SerializeContainer(a), y = hlsl::SerializeContainer(b);
    return static_cast<std::size_t>(std::mismatch(x.begin(), x.end(), y.begin(), y.end()).first - x.begin());
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(at + static_cast<std::size_t>(i)) = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(Container, EveryFieldRoundTripsAndEachCorruptValueIsRefusedAtItsLimit)
{
    const ShaderContainer sample = Sample();
    const Bytes bytes = hlsl::SerializeContainer(sample);
    const std::optional<ShaderContainer> parsed = hlsl::ParseContainer(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(hlsl::SerializeContainer(*parsed), bytes);
    EXPECT_TRUE(parsed->inputs[1].systemValue && parsed->outputs[0].componentType == ComponentType::Int);

    // Each word at its last valid value and one past: the version (the word
    // after the magic), the stage, a component type, a flag, and counts that
    // claim more entries than there are bytes or far more than any stage has.
    const auto offset = [&](auto change) {
        ShaderContainer changed = sample;
        change(changed);
        return FieldOffset(sample, changed);
    };
    const struct {
        std::size_t at;
        std::vector<std::uint32_t> accepted, refused;
    } words[] = {
        {4, {3}, {2, 4}},
        {offset([](ShaderContainer& c) { c.stage = hlsl::ShaderStage::Vertex; }), {0, 2}, {3}},
        {offset([](ShaderContainer& c) { c.inputs[0].componentType = ComponentType::Uint; }), {2}, {3}},
        {offset([](ShaderContainer& c) { c.inputs[0].systemValue = true; }), {1}, {2}},
        {offset([](ShaderContainer& c) { c.inputs.pop_back(); }), {2}, {3, 4097, 0xFFFFFFFF}},
        {offset([](ShaderContainer& c) { c.constantBuffers.clear(); }), {1}, {3, 4097, 0xFFFFFFFF}},
        {offset([](ShaderContainer& c) { c.samplers.clear(); }), {1}, {3, 4097, 0xFFFFFFFF}},
    };
    for (const auto& word : words)
        for (const bool accept : {true, false})
            for (const std::uint32_t value : accept ? word.accepted : word.refused) {
                Bytes other = bytes;
                PutU32(other, word.at, value);
                EXPECT_EQ(Parses(other), accept) << value << " at offset " << word.at;
            }
    // A texture array of 1 to 4096 elements.
    for (const auto& [size, accepted] : {std::pair{0u, false}, {1u, true}, {4096u, true}, {4097u, false}}) {
        ShaderContainer changed = sample;
        changed.samplers[0].arraySize = size;
        EXPECT_EQ(Parses(hlsl::SerializeContainer(changed)), accepted) << size << " elements";
    }
}

TEST(Container, DynamicLinkageRecordsRoundTripAndInconsistentOnesAreRefused)
{
    const ShaderContainer sample = Sample();
    const std::optional<ShaderContainer> parsed = hlsl::ParseContainer(hlsl::SerializeContainer(sample));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->interfaceSlotCount, 3u);
    ASSERT_EQ(parsed->interfaceSlots.size(), 2u);
    EXPECT_EQ(parsed->interfaceSlots[0].name, "g_lights");
    EXPECT_EQ(parsed->interfaceSlots[0].interfaceName, "iLight");
    EXPECT_EQ(parsed->interfaceSlots[0].arraySize, 2u);
    EXPECT_EQ(parsed->interfaceSlots[1].slot, 2u);
    ASSERT_EQ(parsed->classInstances.size(), 3u);
    EXPECT_EQ(parsed->classInstances[1].id, 7u);
    EXPECT_EQ(parsed->classInstances[1].typeName, "cPoint");
    EXPECT_EQ(parsed->classInstances[1].instanceName, "g_points");
    EXPECT_EQ(parsed->classInstances[1].instanceIndex, 3u);
    EXPECT_EQ(parsed->classInstances[1].interfaces, (std::vector<std::string>{"iLight", "iBase"}));
    EXPECT_EQ(parsed->classInstances[2].instanceName, "");
    EXPECT_EQ(InterfaceUniformName(hlsl::ShaderStage::Geometry), "fxsc_gs_interfaces");

    // A shader without interfaces carries none of it.
    ShaderContainer plain = Sample();
    plain.interfaceSlotCount = 0;
    plain.interfaceSlots.clear();
    plain.classInstances.clear();
    EXPECT_TRUE(Parses(hlsl::SerializeContainer(plain)));

    // Each change at its last valid value and one past it.
    const struct {
        const char* what;
        void (*change)(ShaderContainer&);
        bool accepted;
    } cases[] = {
        {"an array that ends at the last slot", [](ShaderContainer& c) { c.interfaceSlots[1].slot = 2; }, true},
        {"an array that ends past the last slot", [](ShaderContainer& c) { c.interfaceSlots[0].arraySize = 4; }, false},
        {"an array from the last slot on, two long", [](ShaderContainer& c) { c.interfaceSlots[1].arraySize = 2; },
         false},
        {"a slot past the last", [](ShaderContainer& c) { c.interfaceSlots[1].slot = 3; }, false},
        {"a slot range that wraps around", [](ShaderContainer& c) { c.interfaceSlots[1].arraySize = 0xFFFFFFFF; },
         false},
        {"an array of no slots", [](ShaderContainer& c) { c.interfaceSlots[1].arraySize = 0; }, false},
        {"slots without a slot count", [](ShaderContainer& c) { c.interfaceSlotCount = 0; }, false},
        {"4096 slots", [](ShaderContainer& c) { c.interfaceSlotCount = 4096; }, true},
        {"4097 slots", [](ShaderContainer& c) { c.interfaceSlotCount = 4097; }, false},
        {"the id 0, which selects nothing", [](ShaderContainer& c) { c.classInstances[0].id = 0; }, false},
        {"two instances with one id", [](ShaderContainer& c) { c.classInstances[2].id = 7; }, false},
        {"the largest id", [](ShaderContainer& c) { c.classInstances[2].id = 0xFFFFFFFF; }, true},
    };
    for (const auto& c : cases) {
        ShaderContainer changed = Sample();
        c.change(changed);
        EXPECT_EQ(Parses(hlsl::SerializeContainer(changed)), c.accepted) << c.what;
    }

    // Counts that claim more records than there are bytes, or more than 4096.
    const Bytes bytes = hlsl::SerializeContainer(sample);
    ShaderContainer fewer = sample;
    fewer.classInstances[1].interfaces.pop_back();
    const std::size_t interfaceCount = FieldOffset(sample, fewer);
    fewer = sample;
    fewer.classInstances.pop_back();
    const std::size_t instanceCount = FieldOffset(sample, fewer);
    fewer = sample;
    fewer.interfaceSlots.pop_back();
    const std::size_t slotCount = FieldOffset(sample, fewer);
    for (const std::size_t at : {interfaceCount, instanceCount, slotCount})
        for (const std::uint32_t value : {4u, 4097u, 0xFFFFFFFFu}) {
            Bytes other = bytes;
            PutU32(other, at, value);
            EXPECT_FALSE(Parses(other)) << value << " at offset " << at;
        }
    // Cut short anywhere in the records.
    for (std::size_t cut = 1; cut <= 40; ++cut)
        EXPECT_FALSE(Parses(Bytes(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(cut)))) << cut;
}

TEST(Container, TheByteReaderStopsAtTheEndAndAtIntMax)
{
    const Bytes words = {0xFF, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x00, 0x80, 0x05, 0x00, 0x00, 0x00, 'a', 'b'};
    hlsl::ByteReader in{std::span<const std::uint8_t>(words)};
    int value = 0;
    ASSERT_TRUE(in.Int(&value));
    EXPECT_EQ(value, 2147483647);
    EXPECT_FALSE(in.Int(&value)) << "2^31 fits no int";
    hlsl::ByteReader text{std::span<const std::uint8_t>(words).subspan(8)};
    std::string read;
    EXPECT_FALSE(text.Text(&read)) << "5 bytes announced, 2 there";
    hlsl::ByteReader shorter{std::span<const std::uint8_t>(words).first(3)};
    std::uint32_t word = 0;
    EXPECT_FALSE(shorter.U32(&word));
}

StageVariable Linked(const char* semantic, std::uint32_t index, std::uint32_t location, std::uint32_t count = 1,
                     bool input = true)
{
    StageVariable v;
    v.semantic = semantic;
    v.semanticIndex = index;
    v.location = location;
    v.locationCount = count;
    v.locationMacro = hlsl::LocationMacro(input, semantic, index);
    return v;
}

TEST(Container, StagesLinkBySemanticAndIndexAndUnwrittenInputsTakeFreeLocations)
{
    StageVariable position = Linked("SV_POSITION", 0, 0, 1, false);
    position.systemValue = true;
    position.locationMacro.clear();
    // Upstream: TEXCOORD0 at 0, TEXCOORD1 at 1, a matrix at 2 to 5.
    const std::vector<StageVariable> upstream = {position, Linked("TEXCOORD", 0, 0, 1, false),
                                                 Linked("TEXCOORD", 1, 1, 1, false),
                                                 Linked("WORLD", 0, 2, 4, false)};
    // Downstream, as its own compile placed them.
    const std::vector<StageVariable> inputs = {Linked("TEXCOORD", 1, 0), Linked("TEXCOORD", 0, 1),
                                               Linked("COLOR", 0, 2, 3), Linked("NORMAL", 0, 5),
                                               Linked("WORLD", 0, 2, 4)};
    EXPECT_EQ(hlsl::LinkDefines(upstream, inputs), "#define FXSC_IN_TEXCOORD1 1\n"
                                                   "#define FXSC_IN_TEXCOORD0 0\n"
                                                   "#define FXSC_IN_COLOR0 6\n"
                                                   "#define FXSC_IN_NORMAL0 9\n");
    EXPECT_EQ(hlsl::LinkDefines(upstream, {Linked("TEXCOORD", 0, 0)}), "");

    // The defines go after #version and the #extension lines, before the rest.
    EXPECT_EQ(hlsl::InsertDefines("#version 450\n#extension GL_A : require\nint a;\n", "#define X 1\n"),
              "#version 450\n#extension GL_A : require\n#define X 1\nint a;\n");
    EXPECT_EQ(hlsl::InsertDefines("#version 450", "#define X 1\n"), "#version 450\n#define X 1\n");
    EXPECT_EQ(hlsl::InsertDefines("#version 450\nint a;\n", ""), "#version 450\nint a;\n");

    // GLSL reserves names with "__": a doubled underscore is spelt apart.
    EXPECT_EQ(hlsl::SemanticIdentifier("My__Semantic"), "MY_U_SEMANTIC");
    EXPECT_EQ(hlsl::LocationMacro(false, "a_b", 7), "FXSC_OUT_A_B7");
    EXPECT_NE(hlsl::SemanticIdentifier("A__B"), hlsl::SemanticIdentifier("A_UB"));
}

} // namespace
