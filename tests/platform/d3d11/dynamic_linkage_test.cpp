// Dynamic shader linkage from HLSL to pixels: tests/data/hlsl/sweep/
// dynamic_linkage.fx, and the same effect with its interfaces and classes in
// #include files (dynamic_linkage_included.fx), compiled with D3DX11CompileFromFileA for ps_5_0, its
// pixel shaders created with a class linkage and drawn under every
// combination of class instances: instances the constant buffer declares
// (GetClassInstance) and instances of classes without data
// (CreateClassInstance). What each instance contributes is worked out by
// hand from the effect's constants, in its header and in the tables below.

#include "tests/platform/d3d11/d3d11_fixture.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using d3d11_test::Code;
using d3d11_test::D3D11Test;
using d3d11_test::Owned;
using d3d11_test::Texel;
using d3d11_test::TexelEq;


// One class instance: declared in the shader (by name and index) or
// created (by class name), and what it paints.
struct Instance {
    const char* name;
    UINT index;
    bool created;
    float value;
};

// iLight::Intensity of the normal (0, 0, 1).
const std::vector<Instance> kLights = {
    {"g_ambient", 0, false, 0.25f},  // level
    {"g_suns", 0, false, 0.5f},      // 0.5 * dot((0, 0, 1), (0, 0, 1))
    {"g_suns", 1, false, 0.375f},    // 0.75 * dot((0, 0, 1), (0, 0, 0.5))
    {"g_bright", 0, false, 0.625f},  // 0.125 * 1 + 0.5
    {"cUnlit", 0, true, 0.0625f},    // a constant of the class
    {"cGlow", 0, true, 0.875f},
};
// iMaterial::Reflectance.
const std::vector<Instance> kMaterials = {
    {"cMatte", 0, true, 0.5f},
    {"g_paint", 0, false, 0.3125f}, // reflectance
    {"cGlow", 0, true, 0.75f},
};

// b0 as HLSL packs it: each class instance from a register of its own.
std::vector<float> LightConstants()
{
    std::vector<float> b0(24, 0.0f);
    b0[0] = 0.25f;                                   // g_ambient.level, byte 0
    b0[6] = 1.0f, b0[7] = 0.5f;                      // g_suns[0]: direction.z 24, strength 28
    b0[10] = 0.5f, b0[11] = 0.75f;                   // g_suns[1]: direction.z 40, strength 44
    b0[14] = 1.0f, b0[15] = 0.125f, b0[16] = 0.5f;   // g_bright: direction.z 56, strength 60, boost 64
    b0[20] = 0.3125f;                                // g_paint.reflectance, byte 80
    return b0;
}

// Each test for each of the two files.
class DynamicLinkageTest : public D3D11Test, public ::testing::WithParamInterface<const char*> {
protected:
    static constexpr Texel kClear = {-1.0f, -1.0f, -1.0f, -1.0f};
    static constexpr UINT kSize = 8;

    void SetUp() override
    {
        D3D11Test::SetUp();
        ASSERT_EQ(device_->CreateClassLinkage(linkage_.out()), S_OK);
        vertexCode_ = Compile(GetParam(), "VS", "vs_5_0");
        ASSERT_FALSE(vertexCode_.empty());
        ASSERT_EQ(device_->CreateVertexShader(vertexCode_.data(), vertexCode_.size(), linkage_.get(), vs_.out()),
                  S_OK);
        BindTarget(kClear, kSize, kSize);
        context_->IASetInputLayout(MakeLayout(vertexCode_).get());
        BindStrip();
        const std::vector<float> b0 = LightConstants();
        lights_ = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER, static_cast<UINT>(b0.size() * sizeof(float)), b0.data());
        context_->PSSetConstantBuffers(0, 1, lights_.address());
        // The vertex shader has no interface slots: it takes no instances.
        context_->VSSetShader(vs_.get(), nullptr, 0);
    }

    void TearDown() override
    {
        vs_.Reset();
        lights_.Reset();
        linkage_.Reset();
        D3D11Test::TearDown();
    }

    Owned<ID3D11PixelShader> Create(const char* entry, ID3D11ClassLinkage* linkage)
    {
        const Code code = Compile(GetParam(), entry, "ps_5_0");
        Owned<ID3D11PixelShader> shader;
        EXPECT_EQ(device_->CreatePixelShader(code.data(), code.size(), linkage, shader.out()), S_OK) << entry;
        return shader;
    }

    // The linkage's instance for a row of the tables.
    Owned<ID3D11ClassInstance> Get(const Instance& instance)
    {
        Owned<ID3D11ClassInstance> made;
        if (instance.created)
            EXPECT_EQ(linkage_->CreateClassInstance(instance.name, 0, 0, 0, 0, made.out()), S_OK) << instance.name;
        else
            EXPECT_EQ(linkage_->GetClassInstance(instance.name, instance.index, made.out()), S_OK) << instance.name;
        return made;
    }

    Texel Draw()
    {
        context_->ClearRenderTargetView(target_.rtv.get(), kClear.data());
        context_->Draw(4, 0);
        return At(kSize / 2, kSize / 2);
    }

    // Every light in slots 0 and 1, every material in slot 2: red and green
    // are the lights, blue the material, alpha both lights summed in a loop
    // over the array.
    void DrawEveryCombination(ID3D11PixelShader* shader)
    {
        std::vector<Owned<ID3D11ClassInstance>> lights, materials;
        for (const Instance& light : kLights)
            lights.push_back(Get(light));
        for (const Instance& material : kMaterials)
            materials.push_back(Get(material));
        int drawn = 0;
        for (std::size_t first = 0; first < kLights.size(); ++first)
            for (std::size_t second = 0; second < kLights.size(); ++second)
                for (std::size_t material = 0; material < kMaterials.size(); ++material) {
                    ID3D11ClassInstance* const bound[] = {lights[first].get(), lights[second].get(),
                                                          materials[material].get()};
                    context_->PSSetShader(shader, bound, 3);
                    const float a = kLights[first].value, b = kLights[second].value;
                    EXPECT_TRUE(TexelEq(Draw(), (Texel{a, b, kMaterials[material].value, a + b})))
                        << kLights[first].name << "[" << kLights[first].index << "] " << kLights[second].name << "["
                        << kLights[second].index << "] " << kMaterials[material].name;
                    ++drawn;
                }
        EXPECT_EQ(drawn, 6 * 6 * 3);
    }

    Owned<ID3D11ClassLinkage> linkage_;
    Code vertexCode_;
    Owned<ID3D11VertexShader> vs_;
    Owned<ID3D11Buffer> lights_;
};

TEST_P(DynamicLinkageTest, EachCombinationOfGlobalInstancesPaintsItsClassesValues)
{
    const Owned<ID3D11PixelShader> ps = Create("PS", linkage_.get());
    DrawEveryCombination(ps.get());
}

// The effect-file form: the material is the entry point's uniform
// parameter, which takes the slot after the globals'.
TEST_P(DynamicLinkageTest, AnEntryPointsUniformInterfaceParameterIsASlotToo)
{
    const Owned<ID3D11PixelShader> ps = Create("PS_Uniform", linkage_.get());
    DrawEveryCombination(ps.get());
}

// Both stages of one program with slots of their own, each set from its
// own instances.
TEST_P(DynamicLinkageTest, AVertexStagesSlotChoosesItsCodeBesideThePixelStages)
{
    const Code code = Compile(GetParam(), "VS_Moved", "vs_5_0");
    Owned<ID3D11VertexShader> moved;
    ASSERT_EQ(device_->CreateVertexShader(code.data(), code.size(), linkage_.get(), moved.out()), S_OK);
    context_->VSSetConstantBuffers(0, 1, lights_.address());
    const Owned<ID3D11PixelShader> ps = Create("PS", linkage_.get());
    Owned<ID3D11ClassInstance> ambient = Get(kLights[0]), matte = Get(kMaterials[0]);
    ID3D11ClassInstance* const pixel[] = {ambient.get(), ambient.get(), matte.get()};
    context_->PSSetShader(ps.get(), pixel, 3);
    for (const Instance& light : kLights) {
        Owned<ID3D11ClassInstance> instance = Get(light);
        ID3D11ClassInstance* const vertex = instance.get();
        context_->VSSetShader(moved.get(), &vertex, 1);
        const bool stays = light.value >= 0.5f;
        EXPECT_TRUE(TexelEq(Draw(), stays ? Texel{0.25f, 0.25f, 0.5f, 0.5f} : kClear))
            << light.name << "[" << light.index << "]";
    }
}

TEST_P(DynamicLinkageTest, TheShaderTakesOnlyItsOwnInstancesInTheirInterfacesSlots)
{
    const Owned<ID3D11PixelShader> ps = Create("PS", linkage_.get());
    Owned<ID3D11ClassInstance> ambient = Get(kLights[0]), matte = Get(kMaterials[0]), glow = Get(kLights[5]);
    // The instances the shader declares, and no others: not a class's name,
    // not past an array's end, not an abstract instance.
    ID3D11ClassInstance* none = nullptr;
    EXPECT_EQ(linkage_->GetClassInstance("g_suns", 2, &none), E_INVALIDARG);
    EXPECT_EQ(linkage_->GetClassInstance("cDirectional", 0, &none), E_INVALIDARG);
    EXPECT_EQ(linkage_->GetClassInstance("g_lights", 0, &none), E_INVALIDARG);
    EXPECT_EQ(linkage_->GetClassInstance("g_unused", 0, &none), E_INVALIDARG);

    ID3D11ClassInstance* const valid[] = {ambient.get(), glow.get(), matte.get()};
    context_->PSSetShader(ps.get(), valid, 3);
    EXPECT_TRUE(TexelEq(Draw(), (Texel{0.25f, 0.875f, 0.5f, 1.125f})));
    // A material in a light's slot, a created instance of a class whose code
    // reads its data, too few instances: the draw draws nothing.
    Owned<ID3D11ClassInstance> createdAmbient;
    ASSERT_EQ(linkage_->CreateClassInstance("cAmbient", 0, 0, 0, 0, createdAmbient.out()), S_OK);
    const std::vector<std::vector<ID3D11ClassInstance*>> wrong = {
        {matte.get(), glow.get(), matte.get()},
        {ambient.get(), glow.get(), ambient.get()},
        {createdAmbient.get(), glow.get(), matte.get()},
        {ambient.get(), glow.get()},
    };
    for (const auto& instances : wrong) {
        context_->PSSetShader(ps.get(), instances.data(), static_cast<UINT>(instances.size()));
        EXPECT_TRUE(TexelEq(Draw(), kClear)) << instances.size();
    }
    context_->PSSetShader(ps.get(), valid, 3);
    EXPECT_TRUE(TexelEq(Draw(), (Texel{0.25f, 0.875f, 0.5f, 1.125f})));
}

TEST_P(DynamicLinkageTest, AShaderWithInterfacesCreatedWithoutALinkageDrawsNothing)
{
    const Owned<ID3D11PixelShader> unlinked = Create("PS", nullptr);
    const Owned<ID3D11PixelShader> linked = Create("PS", linkage_.get());
    Owned<ID3D11ClassInstance> ambient = Get(kLights[0]), matte = Get(kMaterials[0]);
    ID3D11ClassInstance* const instances[] = {ambient.get(), ambient.get(), matte.get()};
    context_->PSSetShader(unlinked.get(), instances, 3);
    EXPECT_TRUE(TexelEq(Draw(), kClear));
    context_->PSSetShader(unlinked.get(), nullptr, 0);
    EXPECT_TRUE(TexelEq(Draw(), kClear));
    context_->PSSetShader(linked.get(), instances, 3);
    EXPECT_TRUE(TexelEq(Draw(), (Texel{0.25f, 0.25f, 0.5f, 0.5f})));
}

TEST_P(DynamicLinkageTest, ShaderModel4RefusesAbstractInstances)
{
    const std::string path = std::string(FXDEMO_TEST_DATA) + "/" + GetParam();
    for (const char* profile : {"ps_4_0", "ps_4_1"}) {
        Owned<ID3D10Blob> code, messages;
        EXPECT_EQ(D3DX11CompileFromFileA(path.c_str(), nullptr, nullptr, "PS", profile, 0, 0, nullptr, code.out(),
                                         messages.out(), nullptr),
                  E_FAIL);
        EXPECT_EQ(code.get(), nullptr);
        ASSERT_NE(messages.get(), nullptr);
        EXPECT_THAT(static_cast<const char*>(messages->GetBufferPointer()),
                    ::testing::HasSubstr("which shader model 5 introduced; " + std::string(profile)
                                         + " does not have it"));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, DynamicLinkageTest,
                         ::testing::Values("hlsl/sweep/dynamic_linkage.fx", "hlsl/sweep/dynamic_linkage_included.fx"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return param.index == 0 ? std::string("OneFile") : std::string("Included");
                         });

} // namespace
