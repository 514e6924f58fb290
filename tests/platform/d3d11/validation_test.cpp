// Descriptors and code Direct3D 11 refuses (or the layer cannot serve) fail
// with E_INVALIDARG and a null output, each for its own rule; injected
// faults fail any creating call; the program's own descriptors pass.
#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/hlsl/shader_container.h"

#include <gmock/gmock.h>

#include <functional>

namespace d3d11_test {
namespace {

using ::testing::HasSubstr;

template <class Desc>
struct Rule {
    const char* message;
    std::function<void(Desc&)> breakIt;
};

class ValidationTest : public D3D11Test {
protected:
    // Runs a creating call with the journal on; expects E_INVALIDARG, a null
    // output and the rule's message in the journal.
    template <class Interface>
    void ExpectRefused(const char* operation, const char* message, const std::function<HRESULT(Interface**)>& create)
    {
        SCOPED_TRACE(message);
        diagnostics::EnableJournal(true);
        Interface* object = reinterpret_cast<Interface*>(1);
        EXPECT_EQ(create(&object), E_INVALIDARG);
        EXPECT_EQ(object, nullptr);
        const auto entries = Entries(operation);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_THAT(entries[0].arguments, HasSubstr(std::string("error=") + message));
        diagnostics::EnableJournal(false);
    }

    // Each rule breaks the program's own descriptor one way.
    template <class Interface, class Desc, class Create>
    void ExpectRulesHold(const char* operation, const Desc& program, const std::vector<Rule<Desc>>& rules,
                         Create create)
    {
        for (const Rule<Desc>& rule : rules) {
            Desc desc = program;
            rule.breakIt(desc);
            ExpectRefused<Interface>(operation, rule.message, [&](Interface** out) { return create(&desc, out); });
        }
        Interface* object = nullptr;
        EXPECT_EQ(create(&program, &object), S_OK);
        object->Release();
    }

    static constexpr D3D11_TEXTURE2D_DESC kDepthBufferDesc = {
        1280, 720, 1, 1, DXGI_FORMAT_R32G32B32A32_FLOAT, {1, 0}, D3D11_USAGE_DEFAULT,
        D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 0, 0};
};

TEST_F(ValidationTest, BuffersRefusedByRule)
{
    using Desc = D3D11_BUFFER_DESC;
    const Desc constant = {896, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    ExpectRulesHold<ID3D11Buffer>(
        "CreateBuffer", constant,
        {{"ByteWidth is zero", [](Desc& d) { d.ByteWidth = 0; }},
         {"constant buffer ByteWidth is not a multiple of 16", [](Desc& d) { d.ByteWidth = 900; }},
         {"a constant buffer cannot have other bind flags", [](Desc& d) { d.BindFlags |= D3D11_BIND_VERTEX_BUFFER; }},
         {"a buffer binds only as vertex, index or constant buffer",
          [](Desc& d) { d.BindFlags = D3D11_BIND_RENDER_TARGET; }},
         {"a default-usage resource has no CPU access", [](Desc& d) { d.CPUAccessFlags = 0x10000; }}},
        [&](const Desc* desc, ID3D11Buffer** out) { return device_->CreateBuffer(desc, nullptr, out); });

    ExpectRefused<ID3D11Buffer>("CreateBuffer", "no buffer descriptor",
                                [&](ID3D11Buffer** out) { return device_->CreateBuffer(nullptr, nullptr, out); });
    const D3D11_SUBRESOURCE_DATA empty = {nullptr, 0, 0};
    ExpectRefused<ID3D11Buffer>("CreateBuffer", "initial data without pSysMem",
                                [&](ID3D11Buffer** out) { return device_->CreateBuffer(&constant, &empty, out); });
    // A null out-pointer only validates.
    EXPECT_EQ(device_->CreateBuffer(&constant, nullptr, nullptr), S_FALSE);
}

TEST_F(ValidationTest, TexturesRefusedByRule)
{
    using Desc = D3D11_TEXTURE2D_DESC;
    ExpectRulesHold<ID3D11Texture2D>(
        "CreateTexture2D", kDepthBufferDesc,
        {{"Width or Height is zero", [](Desc& d) { d.Width = 0; }},
         {"Width or Height is zero", [](Desc& d) { d.Height = 0; }},
         {"format is not supported for 2D textures", [](Desc& d) { d.Format = static_cast<DXGI_FORMAT>(3); }},
         {"format is not supported for 2D textures", [](Desc& d) { d.Format = static_cast<DXGI_FORMAT>(63); }},
         {"format is not supported for 2D textures", [](Desc& d) { d.Format = DXGI_FORMAT_R32G32B32_FLOAT; }},
         {"the format cannot have these bind flags", [](Desc& d) { d.BindFlags = D3D11_BIND_DEPTH_STENCIL; }},
         {"the format cannot have these bind flags", [](Desc& d) { d.BindFlags |= D3D11_BIND_CONSTANT_BUFFER; }},
         {"the format cannot have these bind flags",
          [](Desc& d) {
              d.Format = DXGI_FORMAT_D32_FLOAT;
              d.BindFlags = D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE;
          }},
         {"multisampling is not supported", [](Desc& d) { d.SampleDesc.Count = 4; }},
         {"only one mip level is supported", [](Desc& d) { d.MipLevels = 0; }},
         {"only ArraySize 1 is supported", [](Desc& d) { d.ArraySize = 2; }}},
        [&](const Desc* desc, ID3D11Texture2D** out) { return device_->CreateTexture2D(desc, nullptr, out); });

    const Desc small = {2, 2, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE,
                        0, 0};
    const std::uint8_t texels[16] = {};
    const D3D11_SUBRESOURCE_DATA shortRows = {texels, 4, 0};
    ExpectRefused<ID3D11Texture2D>("CreateTexture2D", "SysMemPitch is shorter than a row", [&](ID3D11Texture2D** out) {
        return device_->CreateTexture2D(&small, &shortRows, out);
    });
}

TEST_F(ValidationTest, InitialTexelsArriveTopRowFirstWithTheirPitch)
{
    // Two rows of 2 texels, 12 bytes apart (4 bytes of padding).
    const std::uint8_t texels[24] = {255, 0, 0,   255, 0,   255, 0,   255, 9, 9, 9, 9,
                                     0,   0, 255, 255, 255, 255, 255, 255, 9, 9, 9, 9};
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2, 2, texels, 12);
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 1, 0), {0, 1, 0, 1}));
    EXPECT_TRUE(TexelEq(ReadTexel(texture.get(), 0, 1), {0, 0, 1, 1}));
}

TEST_F(ValidationTest, ViewsThatDoNotFitTheirTextureAreRefused)
{
    Owned<ID3D11Texture2D> colour;
    ASSERT_EQ(device_->CreateTexture2D(&kDepthBufferDesc, nullptr, colour.out()), S_OK);
    Owned<ID3D11Texture2D> depth = MakeTexture(DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL);
    Owned<ID3D11Texture2D> targetOnly = MakeTexture(DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    Owned<ID3D11Buffer> buffer = MakeBuffer(D3D11_BIND_VERTEX_BUFFER, 96, nullptr);

    using SrvDesc = D3D11_SHADER_RESOURCE_VIEW_DESC;
    SrvDesc srv{};
    srv.Format = DXGI_FORMAT_R32G32B32A32_FLOAT;
    srv.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    srv.Texture2D = {0, 1};
    ExpectRulesHold<ID3D11ShaderResourceView>(
        "CreateShaderResourceView", srv,
        {{"the view's format differs from the texture's", [](SrvDesc& d) { d.Format = DXGI_FORMAT_R8G8B8A8_UNORM; }},
         {"the view's dimension is not TEXTURE2D",
          [](SrvDesc& d) { d.ViewDimension = static_cast<D3D11_SRV_DIMENSION>(3); }},
         {"MostDetailedMip is beyond the texture's mips", [](SrvDesc& d) { d.Texture2D = {1, 1}; }}},
        [&](const SrvDesc* desc, ID3D11ShaderResourceView** out) {
            return device_->CreateShaderResourceView(colour.get(), desc, out);
        });
    const std::pair<ID3D11Resource*, const char*> unfit[] = {
        {targetOnly.get(), "the texture lacks D3D11_BIND_SHADER_RESOURCE"},
        {buffer.get(), "the resource is not a 2D texture"},
        {nullptr, "the resource is not a 2D texture"}};
    for (const auto& resource : unfit)
        ExpectRefused<ID3D11ShaderResourceView>("CreateShaderResourceView", resource.second,
                                                [&](ID3D11ShaderResourceView** out) {
                                                    return device_->CreateShaderResourceView(resource.first, &srv, out);
                                                });

    ExpectRefused<ID3D11RenderTargetView>(
        "CreateRenderTargetView", "the texture lacks D3D11_BIND_RENDER_TARGET",
        [&](ID3D11RenderTargetView** out) { return device_->CreateRenderTargetView(depth.get(), nullptr, out); });

    using DsvDesc = D3D11_DEPTH_STENCIL_VIEW_DESC;
    DsvDesc dsv{};
    dsv.Format = DXGI_FORMAT_D32_FLOAT;
    dsv.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    ExpectRulesHold<ID3D11DepthStencilView>("CreateDepthStencilView", dsv,
        {{"the view's format differs from the texture's",
             [](DsvDesc& d) { d.Format = DXGI_FORMAT_R32G32B32A32_FLOAT; }},
            {"the view's dimension is not TEXTURE2D",
                [](DsvDesc& d) { d.ViewDimension = D3D11_DSV_DIMENSION_UNKNOWN; }}},
        [&](const DsvDesc* desc, ID3D11DepthStencilView** out) {
            return device_->CreateDepthStencilView(depth.get(), desc, out);
        });
    ExpectRefused<ID3D11DepthStencilView>(
        "CreateDepthStencilView", "the texture lacks D3D11_BIND_DEPTH_STENCIL",
        [&](ID3D11DepthStencilView** out) { return device_->CreateDepthStencilView(colour.get(), &dsv, out); });

    // A view holds its texture.
    Owned<ID3D11ShaderResourceView> view = MakeShaderView(colour.get());
    colour.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11Texture2D"), 4); // + depth, targetOnly, back buffer
}

TEST_F(ValidationTest, SamplersRefusedByRule)
{
    using Desc = D3D11_SAMPLER_DESC;
    Desc program{};
    program.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    program.AddressU = program.AddressV = program.AddressW = D3D11_TEXTURE_ADDRESS_WRAP;
    program.ComparisonFunc = D3D11_COMPARISON_NEVER;
    program.MaxLOD = D3D11_FLOAT32_MAX;
    ExpectRulesHold<ID3D11SamplerState>(
        "CreateSamplerState", program,
        {{"filter is not supported", [](Desc& d) { d.Filter = static_cast<D3D11_FILTER>(0x14); }},
         {"address mode is not supported", [](Desc& d) { d.AddressV = static_cast<D3D11_TEXTURE_ADDRESS_MODE>(0); }},
         {"MaxAnisotropy is above 16", [](Desc& d) { d.MaxAnisotropy = 17; }},
         {"MinLOD is above MaxLOD",
          [](Desc& d) {
              d.MinLOD = 2;
              d.MaxLOD = 1;
          }}},
        [&](const Desc* desc, ID3D11SamplerState** out) { return device_->CreateSamplerState(desc, out); });
}

TEST_F(ValidationTest, ShaderCodeMustBeTheCompilersContainerForTheStage)
{
    const Code vertex = Pipeline("vs_colour");
    const Code pixel = Pipeline("ps_colour");
    hlsl::ShaderContainer container;
    container.stage = hlsl::ShaderStage::Pixel;
    container.entryPoint = "main";
    container.glsl = "#version 450\nvoid main() { undefined(); }\n";
    const Code broken = hlsl::SerializeContainer(container);
    const std::string text = "float4 main() : SV_Target { return 1; }";
    const auto vertexShader = [&](const void* code, std::size_t size) {
        return
            [&, code, size](ID3D11VertexShader** out) { return device_->CreateVertexShader(code, size, nullptr, out); };
    };
    ExpectRefused<ID3D11VertexShader>("CreateVertexShader", "not compiled shader code",
                                      vertexShader(text.data(), text.size()));
    ExpectRefused<ID3D11VertexShader>("CreateVertexShader", "not compiled shader code",
                                      vertexShader(vertex.data(), vertex.size() - 1));
    ExpectRefused<ID3D11VertexShader>("CreateVertexShader", "no shader code", vertexShader(nullptr, 0));
    ExpectRefused<ID3D11VertexShader>("CreateVertexShader", "the code is compiled for another stage",
                                      vertexShader(pixel.data(), pixel.size()));
    ExpectRefused<ID3D11GeometryShader>(
        "CreateGeometryShader", "the code is compiled for another stage", [&](ID3D11GeometryShader** out) {
            return device_->CreateGeometryShader(vertex.data(), vertex.size(), nullptr, out);
        });
    ExpectRefused<ID3D11PixelShader>("CreatePixelShader", "the code is compiled for another stage",
                                     [&](ID3D11PixelShader** out) {
                                         return device_->CreatePixelShader(vertex.data(), vertex.size(), nullptr, out);
                                     });
    ExpectRefused<ID3D11PixelShader>("CreatePixelShader", "the stage's GLSL does not compile",
                                     [&](ID3D11PixelShader** out) {
                                         return device_->CreatePixelShader(broken.data(), broken.size(), nullptr, out);
                                     });
}

TEST_F(ValidationTest, InputLayoutMustSupplyEverySemanticTheVertexStageReads)
{
    const Code vertex = Pipeline("vs_colour");
    const Code pixel = Pipeline("ps_colour");
    const D3D11_INPUT_ELEMENT_DESC position = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                               D3D11_INPUT_PER_VERTEX_DATA, 0};
    D3D11_INPUT_ELEMENT_DESC normal = position, texcoord = position, badFormat = position;
    normal.SemanticName = "Normal"; // semantic names match whatever their case
    normal.AlignedByteOffset = 12;
    texcoord.SemanticName = "TEXCOORD";
    badFormat.SemanticName = "NORMAL";
    badFormat.Format = DXGI_FORMAT_D32_FLOAT;
    const auto layout = [&](std::vector<D3D11_INPUT_ELEMENT_DESC> elements, const Code& code) {
        return [this, elements, &code](ID3D11InputLayout** out) {
            return device_->CreateInputLayout(elements.data(), static_cast<UINT>(elements.size()), code.data(),
                                              code.size(), out);
        };
    };
    const char* missing = "the vertex shader's input signature has a semantic the elements do not supply";
    ExpectRefused<ID3D11InputLayout>("CreateInputLayout", missing, layout({position}, vertex));
    ExpectRefused<ID3D11InputLayout>("CreateInputLayout", missing, layout({position, texcoord}, vertex));
    ExpectRefused<ID3D11InputLayout>("CreateInputLayout", "an element's format is not supported for vertex data",
                                     layout({position, badFormat}, vertex));
    ExpectRefused<ID3D11InputLayout>("CreateInputLayout", "two elements have the same semantic",
                                     layout({position, normal, position}, vertex));
    ExpectRefused<ID3D11InputLayout>("CreateInputLayout", "the code is compiled for another stage",
                                     layout({position, normal}, pixel));
    Owned<ID3D11InputLayout> ok;
    EXPECT_EQ(layout({position, normal}, vertex)(ok.out()), S_OK);
}

TEST_F(ValidationTest, InjectedFaultsFailEachCreatingCallOnce)
{
    const D3D11_BUFFER_DESC bufferDesc = {16, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    const Code vertex = Pipeline("vs_colour");
    const Code pixel = Pipeline("ps_colour");
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

    const auto failsOnce = [&](const char* operation, auto create) {
        SCOPED_TRACE(operation);
        diagnostics::InjectFault(operation, 1, injected);
        EXPECT_EQ(create(), injected);
        EXPECT_EQ(create(), S_OK);
    };
    failsOnce("CreateTexture2D", [&] {
        Owned<ID3D11Texture2D> created;
        return device_->CreateTexture2D(&kDepthBufferDesc, nullptr, created.out());
    });
    failsOnce("CreateRenderTargetView", [&] {
        Owned<ID3D11RenderTargetView> view;
        return device_->CreateRenderTargetView(texture.get(), nullptr, view.out());
    });
    failsOnce("CreateDepthStencilView", [&] {
        Owned<ID3D11DepthStencilView> view;
        return device_->CreateDepthStencilView(depth.get(), nullptr, view.out());
    });
    failsOnce("CreateVertexShader", [&] {
        Owned<ID3D11VertexShader> shader;
        return device_->CreateVertexShader(vertex.data(), vertex.size(), nullptr, shader.out());
    });
    failsOnce("CreatePixelShader", [&] {
        Owned<ID3D11PixelShader> shader;
        return device_->CreatePixelShader(pixel.data(), pixel.size(), nullptr, shader.out());
    });
}

TEST_F(ValidationTest, DocumentedLimitsHoldUpToTheirLastValue)
{
    // D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT (4096 vectors of 16 bytes),
    // D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION (16384), vertex elements that end
    // by byte 2048 (D3D11_IA_VERTEX_INPUT_STRUCTURE_ELEMENTS_COMPONENTS
    // 32-bit components) and D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT (32).
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
    const struct {
        const char* what;
        HRESULT result, expected;
    } rows[] = {
        {"constant buffer of 65536 bytes", constantBuffer(65536), S_FALSE},
        {"constant buffer of 65552 bytes", constantBuffer(65552), E_INVALIDARG},
        {"texture 16384 wide", texture(16384), S_FALSE},
        {"texture 16385 wide", texture(16385), E_INVALIDARG},
        {"float3 element at 2036, ending at 2048", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 2036, 0), S_FALSE},
        {"float3 element at 2040, ending at 2052", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 2040, 0), E_INVALIDARG},
        {"float4 element at 2032, ending at 2048", normalAt(DXGI_FORMAT_R32G32B32A32_FLOAT, 2032, 0), S_FALSE},
        {"float4 element at 2036, ending at 2052", normalAt(DXGI_FORMAT_R32G32B32A32_FLOAT, 2036, 0), E_INVALIDARG},
        {"element in input slot 31", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 12, 31), S_FALSE},
        {"element in input slot 32", normalAt(DXGI_FORMAT_R32G32B32_FLOAT, 12, 32), E_INVALIDARG},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.result, row.expected) << row.what;
}

} // namespace
} // namespace d3d11_test
