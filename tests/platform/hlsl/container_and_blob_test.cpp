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
