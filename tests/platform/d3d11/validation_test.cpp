// Descriptors and code Direct3D 11 refuses (or the layer cannot serve) fail
// with E_INVALIDARG, each for its own rule; a null out-pointer only
// validates (S_FALSE); injected faults fail any creating call; the program's
// own descriptors pass.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/hlsl/shader_container.h"

#include <gmock/gmock.h>

#include <climits>
#include <cmath>
#include <functional>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;

template <class Desc>
using Rules = std::vector<std::pair<const char*, std::function<void(Desc&)>>>;

class ValidationTest : public D3D11Test {
protected:
    void SetUp() override
    {
        D3D11Test::SetUp();
        diagnostics::EnableJournal(true);
    }

    // The call just made was refused for `message` and nothing else.
    static void ExpectRefused(HRESULT result, const std::string& message)
    {
        SCOPED_TRACE(message);
        EXPECT_EQ(result, E_INVALIDARG);
        const auto journal = diagnostics::TakeJournal();
        ASSERT_EQ(journal.size(), 1u);
        EXPECT_THAT(journal[0].arguments, HasSubstr("error=" + message));
    }

    // The program's descriptor passes; each rule breaks it one way.
    template <class Desc, class Create>
    static void ExpectRulesHold(const Desc& program, const Rules<Desc>& rules, Create create)
    {
        EXPECT_EQ(create(program), S_FALSE);
        diagnostics::TakeJournal();
        for (const auto& [message, breakIt] : rules) {
            Desc desc = program;
            breakIt(desc);
            ExpectRefused(create(desc), message);
        }
    }

    static constexpr D3D11_TEXTURE2D_DESC kDepthBufferDesc = {
        1280, 720, 1, 1, DXGI_FORMAT_R32G32B32A32_FLOAT, {1, 0}, D3D11_USAGE_DEFAULT,
        D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0, 0};
};

TEST_F(ValidationTest, BuffersAndTexturesRefusedByRuleAndInitialTexelsTopRowFirst)
{
    using Buffer = D3D11_BUFFER_DESC;
    const Buffer constant = {896, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    ExpectRulesHold<Buffer>(constant,
        {{"ByteWidth is zero", [](Buffer& d) { d.ByteWidth = 0; }},
         {"constant buffer ByteWidth is not a multiple of 16", [](Buffer& d) { d.ByteWidth = 900; }},
         {"a constant buffer cannot have other bind flags", [](Buffer& d) { d.BindFlags |= D3D11_BIND_VERTEX_BUFFER; }},
         {"a buffer binds only as vertex, index or constant buffer",
          [](Buffer& d) { d.BindFlags = D3D11_BIND_RENDER_TARGET; }},
         {"a default-usage resource has no CPU access", [](Buffer& d) { d.CPUAccessFlags = 0x10000; }}},
        [&](const Buffer& desc) { return device_->CreateBuffer(&desc, nullptr, nullptr); });
    ExpectRefused(device_->CreateBuffer(nullptr, nullptr, nullptr), "no buffer descriptor");
    const D3D11_SUBRESOURCE_DATA empty = {nullptr, 0, 0};
    ExpectRefused(device_->CreateBuffer(&constant, &empty, nullptr), "initial data without pSysMem");

    using Texture = D3D11_TEXTURE2D_DESC;
    ExpectRulesHold<Texture>(kDepthBufferDesc,
        {{"Width or Height is zero", [](Texture& d) { d.Width = 0; }},
         {"Width or Height is zero", [](Texture& d) { d.Height = 0; }},
         {"format is not supported for 2D textures", [](Texture& d) { d.Format = static_cast<DXGI_FORMAT>(63); }},
         {"format is not supported for 2D textures", [](Texture& d) { d.Format = DXGI_FORMAT_R32G32B32_FLOAT; }},
         {"the format cannot have these bind flags", [](Texture& d) { d.BindFlags = D3D11_BIND_DEPTH_STENCIL; }},
         {"the format cannot have these bind flags", [](Texture& d) { d.BindFlags |= D3D11_BIND_CONSTANT_BUFFER; }},
         {"multisampling is not supported", [](Texture& d) { d.SampleDesc.Count = 4; }},
         {"only one mip level is supported", [](Texture& d) { d.MipLevels = 0; }},
         {"only ArraySize 1 is supported", [](Texture& d) { d.ArraySize = 2; }}},
        [&](const Texture& desc) { return device_->CreateTexture2D(&desc, nullptr, nullptr); });
    const Texture small = {2, 2, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                           D3D11_BIND_SHADER_RESOURCE, 0, 0};
    const std::uint8_t texels[16] = {};
    const D3D11_SUBRESOURCE_DATA shortRows = {texels, 4, 0};
    ExpectRefused(device_->CreateTexture2D(&small, &shortRows, nullptr), "SysMemPitch is shorter than a row");
    ExpectRefused(device_->CreateTexture2D(&small, &empty, nullptr), "initial data without pSysMem");

    // Two rows of 2 texels, 12 bytes apart (4 bytes of padding).
    const std::uint8_t padded[24] = {255, 0, 0,   255, 0,   255, 0,   255, 9, 9, 9, 9,
                                     0,   0, 255, 255, 255, 255, 255, 255, 9, 9, 9, 9};
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2, 2, padded, 12);
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 1, 0), {0, 1, 0, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 0, 1), {0, 0, 1, 1}));
    // An update's rows packed exactly; one short of a row, or of a
    // subresource the texture lacks, is ignored.
    const std::uint8_t packed[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 128, 192, 255};
    const std::uint8_t ignored[16] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
    context_->UpdateSubresource(texture.get(), 0, nullptr, packed, 8, 0);
    context_->UpdateSubresource(texture.get(), 0, nullptr, ignored, 7, 0);
    context_->UpdateSubresource(texture.get(), 1, nullptr, ignored, 8, 0);
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 1, 1), {64 / 255.0f, 128 / 255.0f, 192 / 255.0f, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 0, 0), {0, 0, 0, 0}));

    // Float rows 36 bytes apart, not a whole number of texels: top row first.
    const float unevenRows[18] = {1, 0, 0, 1, 0, 1, 0, 1, 9, 0, 0, 1, 1, 1, 1, 1, 1, 9};
    Owned<ID3D11Texture2D> floats =
        MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_SHADER_RESOURCE, 2, 2, unevenRows, 36);
    EXPECT_TRUE(TexelEq(ReadTexel(floats.get(), 1, 0), {0, 1, 0, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(floats.get(), 0, 1), {0, 0, 1, 1}));
}

TEST_F(ValidationTest, DocumentedLimitsHoldUpToTheirLastValue)
{
    // D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT (4096 vectors of 16 bytes),
    // D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION (16384), vertex elements that end
    // by byte 2048 (D3D11_IA_VERTEX_INPUT_STRUCTURE_ELEMENTS_COMPONENTS
    // 32-bit components), D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT (32, also
    // the most elements), D3D11_SAMPLER_DESC's documented ranges, and a sync
    // interval of at most 4.
    const Code vertex = Pipeline("vs_colour");
    const auto constantBuffer = [&](UINT bytes) {
        const D3D11_BUFFER_DESC desc = {bytes, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
        return device_->CreateBuffer(&desc, nullptr, nullptr);
    };
    const auto texture = [&](UINT width) {
        const D3D11_TEXTURE2D_DESC desc = {width, 1, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                           D3D11_BIND_SHADER_RESOURCE, 0, 0};
        return device_->CreateTexture2D(&desc, nullptr, nullptr);
    };
    const auto normalAt = [&](DXGI_FORMAT format, UINT offset, UINT slot) {
        const D3D11_INPUT_ELEMENT_DESC elements[] = {
            {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
            {"NORMAL", 0, format, slot, offset, D3D11_INPUT_PER_VERTEX_DATA, 0}};
        return device_->CreateInputLayout(elements, 2, vertex.data(), vertex.size(), nullptr);
    };
    const auto tall = [&](UINT height) {
        const D3D11_TEXTURE2D_DESC desc = {1, height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                           D3D11_BIND_SHADER_RESOURCE, 0, 0};
        return device_->CreateTexture2D(&desc, nullptr, nullptr);
    };
    // POSITION, NORMAL and TEXCOORD0 on: `count` elements in all.
    const auto elements = [&](UINT count) {
        std::vector<D3D11_INPUT_ELEMENT_DESC> list(count, {"TEXCOORD", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                                           D3D11_INPUT_PER_VERTEX_DATA, 0});
        list[0].SemanticName = "POSITION";
        list[1].SemanticName = "NORMAL";
        for (UINT i = 2; i < count; ++i)
            list[i].SemanticIndex = i - 2;
        return device_->CreateInputLayout(list.data(), count, vertex.data(), vertex.size(), nullptr);
    };
    // The program's sampler, one field changed.
    const auto sampler = [&](auto change) {
        D3D11_SAMPLER_DESC desc = {D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP,
                                   D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_WRAP, 0, 0,
                                   D3D11_COMPARISON_NEVER, {0, 0, 0, 0}, 0, D3D11_FLOAT32_MAX};
        change(desc);
        return device_->CreateSamplerState(&desc, nullptr);
    };
    const auto bias = [&](float value) { return sampler([=](D3D11_SAMPLER_DESC& d) { d.MipLODBias = value; }); };
    const auto anisotropy = [&](UINT value) {
        return sampler([=](D3D11_SAMPLER_DESC& d) { d.MaxAnisotropy = value; });
    };
    const auto comparison = [&](int value) {
        return sampler([=](D3D11_SAMPLER_DESC& d) { d.ComparisonFunc = static_cast<D3D11_COMPARISON_FUNC>(value); });
    };
    const auto minLod = [&](float value) {
        return sampler([=](D3D11_SAMPLER_DESC& d) {
            d.MinLOD = value;
            d.MaxLOD = 2;
        });
    };
    // DXGI_SWAP_CHAIN_DESC: BufferDesc.Width up to 16384, BufferCount 1 to 16.
    const auto swapChain = [&](UINT width, UINT buffers) {
        DXGI_SWAP_CHAIN_DESC desc = ProgramSwapChainDesc();
        desc.BufferDesc.Width = width;
        desc.BufferDesc.Height = 1;
        desc.BufferCount = buffers;
        IDXGISwapChain* chain = nullptr;
        const HRESULT result = D3D11CreateDeviceAndSwapChain(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                                             D3D11_SDK_VERSION, &desc, &chain, nullptr, nullptr, nullptr);
        if (chain)
            chain->Release();
        return result;
    };
    // Each row: the last value that passes, then the first that is refused.
    const struct {
        const char* what;
        HRESULT last, beyond;
    } rows[] = {
        {"constant buffer of 65536 bytes", constantBuffer(65536), constantBuffer(65552)},
        {"texture 16384 wide", texture(16384), texture(16385)},
        {"texture 16384 high", tall(16384), tall(16385)},
        {"input layout of 32 elements", elements(32), elements(33)},
        {"MipLODBias -16", bias(-16.0f), bias(std::nextafter(-16.0f, -17.0f))},
        {"MipLODBias 15.99", bias(15.99f), bias(std::nextafter(15.99f, 16.0f))},
        {"MaxAnisotropy 16", anisotropy(16), anisotropy(17)},
        {"ComparisonFunc ALWAYS (8)", comparison(8), comparison(9)},
        {"MinLOD equal to MaxLOD", minLod(2.0f), minLod(std::nextafter(2.0f, 3.0f))},
        {"back buffer 16384 wide", swapChain(16384, 1), swapChain(16385, 1)},
        {"swap chain of 16 buffers", swapChain(1280, 16), swapChain(1280, 17)},
        {"Present with sync interval 4", swapChain_->Present(4, 0), swapChain_->Present(5, 0)},
        {"float3 element ending at 2048", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 2036, 0),
         normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 2040, 0)},
        {"float4 element ending at 2048", normalAt(DXGI_FORMAT_R32G32B32A32_FLOAT, 2032, 0),
         normalAt(DXGI_FORMAT_R32G32B32A32_FLOAT, 2036, 0)},
        {"element in input slot 31", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 12, 31),
         normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 12, 32)},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(SUCCEEDED(row.last)) << row.what;
        EXPECT_TRUE(FAILED(row.beyond)) << "past " << row.what;
    }
}

TEST_F(ValidationTest, ViewsSamplersShaderCodeAndLayoutsRefusedByRule)
{
    Owned<ID3D11Texture2D> colour = MakeTexture(kDepthBufferDesc.Format, kDepthBufferDesc.BindFlags);
    Owned<ID3D11Texture2D> depth = MakeTexture(DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL);
    Owned<ID3D11Buffer> buffer = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 96, nullptr);
    diagnostics::TakeJournal();
    using View = D3D11_SHADER_RESOURCE_VIEW_DESC;
    View srv{};
    srv.Format = DXGI_FORMAT_R32G32B32A32_FLOAT;
    srv.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    srv.Texture2D = {0, 1};
    ExpectRulesHold<View>(srv,
        {{"the view's format differs from the texture's", [](View& d) { d.Format = DXGI_FORMAT_R8G8B8A8_UNORM; }},
         {"the view's dimension is not TEXTURE2D", [](View& d) { d.ViewDimension = D3D11_SRV_DIMENSION_UNKNOWN; }},
         {"MostDetailedMip is beyond the texture's mips", [](View& d) { d.Texture2D = {1, 1}; }},
         {"MipLevels is outside the texture's mips", [](View& d) { d.Texture2D = {0, 0}; }},
         {"MipLevels is outside the texture's mips", [](View& d) { d.Texture2D = {0, 2}; }}},
        [&](const View& desc) { return device_->CreateShaderResourceView(colour.get(), &desc, nullptr); });
    srv.Texture2D = {0, UINT_MAX}; // every mip from the first
    EXPECT_EQ(device_->CreateShaderResourceView(colour.get(), &srv, nullptr), S_FALSE);
    using DepthView = D3D11_DEPTH_STENCIL_VIEW_DESC;
    DepthView dsv{};
    dsv.Format = DXGI_FORMAT_D32_FLOAT;
    dsv.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    ExpectRulesHold<DepthView>(dsv,
        {{"MipSlice is beyond the texture's mips", [](DepthView& d) { d.Texture2D.MipSlice = 1; }},
         {"read-only depth-stencil views are not supported", [](DepthView& d) { d.Flags = 1; }},
         {"the view's format differs from the texture's", [](DepthView& d) { d.Format = DXGI_FORMAT_R32G32B32A32_FLOAT; }}},
        [&](const DepthView& desc) { return device_->CreateDepthStencilView(depth.get(), &desc, nullptr); });
    ExpectRefused(device_->CreateShaderResourceView(depth.get(), nullptr, nullptr),
                  "the texture lacks D3D11_BIND_SHADER_RESOURCE");
    ExpectRefused(device_->CreateShaderResourceView(buffer.get(), &srv, nullptr), "the resource is not a 2D texture");
    ExpectRefused(device_->CreateRenderTargetView(depth.get(), nullptr, nullptr),
                  "the texture lacks D3D11_BIND_RENDER_TARGET");
    ExpectRefused(device_->CreateDepthStencilView(colour.get(), nullptr, nullptr),
                  "the texture lacks D3D11_BIND_DEPTH_STENCIL");

    using Sampler = D3D11_SAMPLER_DESC;
    const D3D11_TEXTURE_ADDRESS_MODE wrap = D3D11_TEXTURE_ADDRESS_WRAP;
    const Sampler program = {D3D11_FILTER_MIN_MAG_MIP_LINEAR, wrap, wrap, wrap, 0, 0, D3D11_COMPARISON_NEVER,
                             {0, 0, 0, 0}, 0, D3D11_FLOAT32_MAX};
    ExpectRulesHold<Sampler>(program,
        {{"filter is not supported", [](Sampler& d) { d.Filter = static_cast<D3D11_FILTER>(0x14); }},
         {"address mode is not supported", [](Sampler& d) { d.AddressV = D3D11_TEXTURE_ADDRESS_MODE{}; }},
         {"address mode is not supported", [](Sampler& d) { d.AddressW = static_cast<D3D11_TEXTURE_ADDRESS_MODE>(2); }},
         {"MaxAnisotropy is above 16", [](Sampler& d) { d.MaxAnisotropy = 17; }},
         {"MinLOD is above MaxLOD", [](Sampler& d) { d.MinLOD = D3D11_FLOAT32_MAX * 2; }}},
        [&](const Sampler& desc) { return device_->CreateSamplerState(&desc, nullptr); });

    // A view holds its texture.
    Owned<ID3D11ShaderResourceView> view = MakeShaderView(colour.get());
    colour.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 3); // + depth, back buffer

    // Shader code and layouts must fit their stage.
    const Code vertex = Pipeline("vs_colour"), pixel = Pipeline("ps_colour");
    hlsl::ShaderContainer container;
    container.stage = hlsl::ShaderStage::Pixel;
    container.entryPoint = "main";
    container.glsl = "#version 450\nvoid main() { undefined(); }\n";
    const Code broken = hlsl::SerializeContainer(container);
    const std::string text = "float4 main() : SV_Target { return 1; }";
    const char* otherStage = "the code is compiled for another stage";
    diagnostics::TakeJournal();
    ExpectRefused(device_->CreateVertexShader(text.data(), text.size(), nullptr, nullptr), "not compiled shader code");
    ExpectRefused(device_->CreateVertexShader(vertex.data(), vertex.size() - 1, nullptr, nullptr),
                  "not compiled shader code");
    ExpectRefused(device_->CreateVertexShader(nullptr, 0, nullptr, nullptr), "no shader code");
    ExpectRefused(device_->CreateVertexShader(pixel.data(), pixel.size(), nullptr, nullptr), otherStage);
    ExpectRefused(device_->CreateGeometryShader(vertex.data(), vertex.size(), nullptr, nullptr), otherStage);
    ExpectRefused(device_->CreatePixelShader(vertex.data(), vertex.size(), nullptr, nullptr), otherStage);
    // Only a shader that is made compiles its GLSL.
    Owned<ID3D11PixelShader> shader;
    ExpectRefused(device_->CreatePixelShader(broken.data(), broken.size(), nullptr, shader.out()),
                  "the stage's GLSL does not compile");

    const D3D11_INPUT_ELEMENT_DESC position = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                               D3D11_INPUT_PER_VERTEX_DATA, 0};
    D3D11_INPUT_ELEMENT_DESC normal = position, texcoord = position, badFormat = position;
    normal.SemanticName = "Normal"; // semantic names match whatever their case
    normal.AlignedByteOffset = 12;
    texcoord.SemanticName = "TEXCOORD";
    badFormat.SemanticName = "NORMAL";
    badFormat.Format = DXGI_FORMAT_D32_FLOAT;
    const auto layout = [&](std::vector<D3D11_INPUT_ELEMENT_DESC> elements, const Code& code) {
        return device_->CreateInputLayout(elements.data(), static_cast<UINT>(elements.size()), code.data(),
                                          code.size(), nullptr);
    };
    const char* missing = "the vertex shader's input signature has a semantic the elements do not supply";
    // The debug output names the semantic that has no element.
    const std::string noNormal = "D3D11 ERROR: ID3D11Device::CreateInputLayout: the vertex shader reads NORMAL0, "
                                 "which no input element supplies\n";
    testing::internal::CaptureStderr();
    ExpectRefused(layout({position}, vertex), missing);
    ExpectRefused(layout({position, texcoord}, vertex), missing);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), noNormal + noNormal);
    ExpectRefused(layout({position, badFormat}, vertex), "an element's format is not supported for vertex data");
    ExpectRefused(layout({position, normal, position}, vertex), "two elements have the same semantic");
    ExpectRefused(layout({position, normal}, pixel), otherStage);
    // Semantic indices count: TEXCOORD0 supplies no TEXCOORD1, three rows no
    // four-row matrix, and two indices of one name are two semantics.
    const Code formats = Pipeline("vs_formats"), matrix = Pipeline("vs_matrix");
    diagnostics::TakeJournal();
    const D3D11_INPUT_ELEMENT_DESC wide = {"TEXCOORD", 1, DXGI_FORMAT_R32G32B32A32_FLOAT, 1, 0,
                                           D3D11_INPUT_PER_VERTEX_DATA, 0};
    D3D11_INPUT_ELEMENT_DESC bytes = wide, first = wide;
    bytes.SemanticName = "COLOR";
    bytes.SemanticIndex = 0;
    bytes.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    bytes.AlignedByteOffset = 16;
    first.SemanticIndex = 0;
    ExpectRefused(layout({position, first, bytes}, formats), missing);
    std::vector<D3D11_INPUT_ELEMENT_DESC> rows = {position};
    for (UINT row = 2; row < 6; ++row)
        rows.push_back({"TEXCOORD", row, DXGI_FORMAT_R32G32B32A32_FLOAT, 1, 16 * (row - 2),
                        D3D11_INPUT_PER_VERTEX_DATA, 0});
    ExpectRefused(layout({rows.begin(), rows.end() - 1}, matrix), missing);
    D3D11_INPUT_ELEMENT_DESC unaligned = bytes;
    unaligned.AlignedByteOffset = 18;
    ExpectRefused(layout({position, wide, unaligned}, formats), "an element's offset is not a multiple of 4");
    EXPECT_EQ(layout({position, normal}, vertex), S_FALSE);
    EXPECT_EQ(layout({position, wide, bytes, first}, formats), S_FALSE);
    EXPECT_EQ(layout(rows, matrix), S_FALSE);
}

TEST_F(ValidationTest, InjectedFaultsFailEachCreatingCallOnce)
{
    const D3D11_BUFFER_DESC bufferDesc = {16, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    const Code vertex = Pipeline("vs_colour"), pixel = Pipeline("ps_colour");
    const HRESULT injected = E_OUTOFMEMORY;
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_RENDER_TARGET);
    Owned<ID3D11Texture2D> depth = MakeTexture(DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL);

    // The k-th call fails, with a null output, and only that one.
    diagnostics::InjectFault("CreateBuffer", 2, injected);
    Owned<ID3D11Buffer> first, second;
    EXPECT_EQ(device_->CreateBuffer(&bufferDesc, nullptr, first.out()), S_OK);
    ID3D11Buffer* failed = reinterpret_cast<ID3D11Buffer*>(1);
    EXPECT_EQ(device_->CreateBuffer(&bufferDesc, nullptr, &failed), injected);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(device_->CreateBuffer(&bufferDesc, nullptr, second.out()), S_OK);

    const std::pair<const char*, std::function<HRESULT()>> calls[] = {
        {"CreateTexture2D", [&] { return device_->CreateTexture2D(&kDepthBufferDesc, nullptr, nullptr); }},
        {"CreateRenderTargetView", [&] { return device_->CreateRenderTargetView(texture.get(), nullptr, nullptr); }},
        {"CreateDepthStencilView", [&] { return device_->CreateDepthStencilView(depth.get(), nullptr, nullptr); }},
        {"CreateVertexShader",
         [&] { return device_->CreateVertexShader(vertex.data(), vertex.size(), nullptr, nullptr); }},
        {"CreatePixelShader", [&] { return device_->CreatePixelShader(pixel.data(), pixel.size(), nullptr, nullptr); }},
    };
    for (const auto& [operation, create] : calls) {
        diagnostics::InjectFault(operation, 1, injected);
        EXPECT_EQ(create(), injected) << operation;
        EXPECT_EQ(create(), S_FALSE) << operation;
    }
}

} // namespace
} // namespace d3d11_test
