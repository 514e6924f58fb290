// Resources the program never binds: buffers and RW resources compile (the
// layer has no way to bind them, so their slots are always empty); arrays of
// textures compile and take one t slot per element; what cannot be supported
// is refused with a message that names it at its declaration.

#include "compiler_test_support.h"

#include <algorithm>

namespace {

using hlsl::ShaderStage;
using hlsl_test::Compile;
using hlsl_test::Compiled;

class UnboundResources : public hlsl_test::CompilerTest {};

TEST_F(UnboundResources, BuffersAndReadWriteResourcesCompile)
{
    CopyFixture("unbound/resources.fx");
    for (const char* entry : {"structured", "byteAddress", "typedBuffer", "tbufferRead", "textureAfterBuffers",
                              "textureAfterTbuffer", "readWrite", "moreReadWrite", "writeOnly"}) {
        SCOPED_TRACE(entry);
        const Compiled compiled = Compile(entry, "ps_5_0");
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        ASSERT_TRUE(compiled.container);
        EXPECT_EQ(hlsl_test::GlslErrors(ShaderStage::Pixel, compiled.container->glsl), "");
    }
    // The read-only buffers still hold t0 to t2, as Direct3D assigns
    // registers in declaration order; only the texture after them is bound.
    const Compiled after = Compile("textureAfterBuffers", "ps_5_0");
    ASSERT_TRUE(after.container) << after.messages;
    ASSERT_EQ(after.container->samplers.size(), 1u);
    EXPECT_EQ(after.container->samplers[0].textureSlot, 3u);
    EXPECT_EQ(after.container->samplers[0].arraySize, 1u);
    // A tbuffer holds a t register too.
    const Compiled tbuffer = Compile("textureAfterTbuffer", "ps_5_0");
    ASSERT_TRUE(tbuffer.container) << tbuffer.messages;
    ASSERT_EQ(tbuffer.container->samplers.size(), 1u);
    EXPECT_EQ(tbuffer.container->samplers[0].textureSlot, 1u);
}

TEST_F(UnboundResources, ArraysOfTexturesTakeOneSlotPerElement)
{
    CopyFixture("unbound/texture_array.fx");
    // Unused resources take no register: weightedSum never reads `first`.
    const std::pair<const char*, std::uint32_t> cases[] = {{"elements", 1}, {"weightedSum", 0}};
    for (const auto& [entry, arraySlot] : cases) {
        SCOPED_TRACE(entry);
        const Compiled compiled = Compile(entry, "ps_4_0");
        ASSERT_EQ(compiled.hr, S_OK) << compiled.messages;
        ASSERT_TRUE(compiled.container);
        const hlsl_test::GlslReflection glsl = hlsl_test::ReflectGlsl(ShaderStage::Pixel, compiled.container->glsl);
        EXPECT_EQ(glsl.errors, "");
        std::uint32_t units = 0;
        bool array = false;
        for (const hlsl::CombinedSampler& pair : compiled.container->samplers) {
            units += pair.arraySize;
            if (pair.arraySize == 3) {
                array = true;
                EXPECT_EQ(pair.textureSlot, arraySlot);
            } else {
                EXPECT_EQ(pair.textureSlot, 0u);
                EXPECT_EQ(pair.arraySize, 1u);
            }
        }
        EXPECT_TRUE(array);
        // Units do not overlap: an array takes a run of them.
        std::vector<bool> taken(64, false);
        for (const hlsl::CombinedSampler& pair : compiled.container->samplers)
            for (std::uint32_t i = 0; i < pair.arraySize; ++i) {
                EXPECT_FALSE(taken.at(pair.textureUnit + i)) << pair.textureUnit + i;
                taken.at(pair.textureUnit + i) = true;
            }
        EXPECT_LE(units, 16u);
    }
}

TEST_F(UnboundResources, ArraysTakeRunsOfRegisters)
{
    // An array with register(t1) covers t1 to t3: the next free slot for an
    // unregistered texture is t0, then t4.
    Write("main.fx", "Texture2D a;\nTexture2D layers[3] : register(t1);\nTexture2D b;\n"
                     "float4 ps_main(float4 p : SV_Position) : SV_Target\n"
                     "{ int3 o = int3(0, 0, 0); return a.Load(o) + layers[2].Load(o) + b.Load(o); }\n");
    const Compiled compiled = Compile("ps_main", "ps_4_0");
    ASSERT_TRUE(compiled.container) << compiled.messages;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> slots; // first slot, size
    for (const hlsl::CombinedSampler& pair : compiled.container->samplers)
        slots.emplace_back(pair.textureSlot, pair.arraySize);
    std::sort(slots.begin(), slots.end());
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {{0, 1}, {1, 3}, {4, 1}};
    EXPECT_EQ(slots, expected);

    // A texture inside an array's run clashes with it.
    Write("main.fx", "Texture2D layers[3] : register(t1);\nTexture2D c : register(t3);\n"
                     "float4 ps_main(float4 p : SV_Position) : SV_Target\n"
                     "{ int3 o = int3(0, 0, 0); return layers[0].Load(o) + c.Load(o); }\n");
    const Compiled clash = Compile("ps_main", "ps_4_0");
    EXPECT_NE(clash.hr, S_OK);
    EXPECT_NE(clash.messages.find("are both bound to register(t3)"), std::string::npos) << clash.messages;
}

TEST_F(UnboundResources, UnsupportedConstructsAreNamedAtTheirDeclaration)
{
    CopyFixture("unbound/refused.fx");
    const struct {
        const char* entry;
        const char* profile;
        const char* place;
        const char* name;
    } cases[] = {
        {"rwInPs4", "ps_4_0", "main.fx(2,21)", "'canvas'"},
        {"arrayOfArrays", "ps_5_0", "main.fx(3,11)", "'grid'"},
        {"samplerArray", "ps_5_0", "main.fx(5,14)", "'samplers'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        const Compiled compiled = Compile(c.entry, c.profile);
        EXPECT_NE(compiled.hr, S_OK);
        EXPECT_FALSE(compiled.codeBlob);
        EXPECT_EQ(compiled.messages.rfind(std::string(c.place) + ": error: " + c.name, 0), 0u) << compiled.messages;
        EXPECT_EQ(compiled.messages.find("internal error"), std::string::npos) << compiled.messages;
    }
}

} // namespace
