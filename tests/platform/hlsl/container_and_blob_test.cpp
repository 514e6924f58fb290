// The code blob's container survives serialization, blobs are counted and
// freed, and the entry point journals its calls and obeys fault injection.

#include "compiler_test_support.h"

#include "platform/diagnostics/diagnostics.h"
#include "platform/hlsl/blob.h"

namespace {

class CompiledContainer : public hlsl_test::CompilerTest {
protected:
    void SetUp() override
    {
        CompilerTest::SetUp();
        CopyFixture("contract.fx");
        diagnostics::Reset();
    }
    void TearDown() override
    {
        diagnostics::Reset();
        CompilerTest::TearDown();
    }
};

bool SameVariables(const std::vector<hlsl::StageVariable>& a, const std::vector<hlsl::StageVariable>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].semantic != b[i].semantic || a[i].semanticIndex != b[i].semanticIndex
            || a[i].componentType != b[i].componentType || a[i].componentCount != b[i].componentCount
            || a[i].location != b[i].location || a[i].locationCount != b[i].locationCount
            || a[i].locationMacro != b[i].locationMacro || a[i].systemValue != b[i].systemValue)
            return false;
    return true;
}

TEST_F(CompiledContainer, RoundTripsThroughSerialization)
{
    const hlsl_test::Program program = hlsl_test::CompileProgram();
    for (const hlsl::ShaderContainer* original : {&program.vertex, &program.geometry, &program.pixel}) {
        SCOPED_TRACE(original->entryPoint);
        const std::vector<std::uint8_t> bytes = hlsl::SerializeContainer(*original);
        const std::optional<hlsl::ShaderContainer> parsed = hlsl::ParseContainer(bytes);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->stage, original->stage);
        EXPECT_EQ(parsed->entryPoint, original->entryPoint);
        EXPECT_EQ(parsed->glsl, original->glsl);
        EXPECT_TRUE(SameVariables(parsed->inputs, original->inputs));
        EXPECT_TRUE(SameVariables(parsed->outputs, original->outputs));
        ASSERT_EQ(parsed->constantBuffers.size(), original->constantBuffers.size());
        for (std::size_t i = 0; i < parsed->constantBuffers.size(); ++i) {
            EXPECT_EQ(parsed->constantBuffers[i].name, original->constantBuffers[i].name);
            EXPECT_EQ(parsed->constantBuffers[i].byteSize, original->constantBuffers[i].byteSize);
            EXPECT_EQ(parsed->constantBuffers[i].binding, original->constantBuffers[i].binding);
        }
        ASSERT_EQ(parsed->samplers.size(), original->samplers.size());
        for (std::size_t i = 0; i < parsed->samplers.size(); ++i) {
            EXPECT_EQ(parsed->samplers[i].textureSlot, original->samplers[i].textureSlot);
            EXPECT_EQ(parsed->samplers[i].samplerSlot, original->samplers[i].samplerSlot);
            EXPECT_EQ(parsed->samplers[i].textureUnit, original->samplers[i].textureUnit);
            EXPECT_EQ(parsed->samplers[i].arraySize, original->samplers[i].arraySize);
        }
        EXPECT_EQ(parsed->geometryMaxVertices, original->geometryMaxVertices);

        // Any truncation, or a byte too many, is not a container.
        for (std::size_t size : {std::size_t{0}, std::size_t{3}, bytes.size() / 2, bytes.size() - 1})
            EXPECT_FALSE(hlsl::ParseContainer({bytes.data(), size})) << size;
        std::vector<std::uint8_t> longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(hlsl::ParseContainer(longer));
        std::vector<std::uint8_t> otherMagic = bytes;
        otherMagic[0] ^= 0xFF;
        EXPECT_FALSE(hlsl::ParseContainer(otherMagic));
    }
}

TEST_F(CompiledContainer, BlobsAreCountedUntilReleased)
{
    const int before = diagnostics::LiveObjects("ID3D10Blob");
    ID3D10Blob* code = nullptr;
    ID3D10Blob* messages = nullptr;
    ASSERT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "vs_main", "vs_4_0", 0x800, 0, nullptr, &code,
                                     &messages, nullptr),
              S_OK);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(messages, nullptr);
    ID3D10Blob* failedCode = nullptr;
    ASSERT_EQ(D3DX11CompileFromFileA("main.fx", nullptr, nullptr, "nothere", "vs_4_0", 0x800, 0, nullptr, &failedCode,
                                     &messages, nullptr),
              E_FAIL);
    EXPECT_EQ(failedCode, nullptr);
    ASSERT_NE(messages, nullptr);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before + 2);
    EXPECT_EQ(code->Release(), 0u);
    EXPECT_EQ(messages->Release(), 0u);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before);

    // A text blob counts its terminating null.
    ID3D10Blob* text = hlsl::CreateTextBlob("abc");
    EXPECT_EQ(text->GetBufferSize(), 4u);
    EXPECT_STREQ(static_cast<const char*>(text->GetBufferPointer()), "abc");
    text->Release();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before);
}

TEST_F(CompiledContainer, InjectedFaultReturnsItsCodeWithNoBlobs)
{
    diagnostics::InjectFault("D3DX11CompileFromFileA", 2, E_OUTOFMEMORY);
    const int before = diagnostics::LiveObjects("ID3D10Blob");
    EXPECT_EQ(hlsl_test::Compile("vs_main", "vs_4_0").hr, S_OK);
    const hlsl_test::Compiled faulted = hlsl_test::Compile("gs_main", "gs_4_0");
    EXPECT_EQ(faulted.hr, E_OUTOFMEMORY);
    EXPECT_FALSE(faulted.codeBlob);
    EXPECT_FALSE(faulted.messageBlob);
    EXPECT_EQ(hlsl_test::Compile("ps_main", "ps_4_0").hr, S_OK);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D10Blob"), before);
}

TEST_F(CompiledContainer, CallsAreJournaledWithTheirResult)
{
    diagnostics::EnableJournal(true);
    hlsl_test::Compile("vs_main", "vs_4_0");
    hlsl_test::Compile("ps_main", "vs_4_0");
    hlsl_test::Compile("vs_main", "vs_4_0", "missing.fx");
    diagnostics::EnableJournal(false);
    const std::vector<diagnostics::JournalEntry> journal = diagnostics::TakeJournal();
    ASSERT_EQ(journal.size(), 3u);
    for (const diagnostics::JournalEntry& entry : journal)
        EXPECT_EQ(entry.operation, "D3DX11CompileFromFileA");
    EXPECT_EQ(journal[0].arguments, "file=main.fx entry=vs_main profile=vs_4_0 result=0x00000000");
    EXPECT_EQ(journal[1].arguments, "file=main.fx entry=ps_main profile=vs_4_0 result=0x80004005");
    EXPECT_EQ(journal[2].arguments, "file=missing.fx entry=vs_main profile=vs_4_0 result=0x80070002");
}

} // namespace
