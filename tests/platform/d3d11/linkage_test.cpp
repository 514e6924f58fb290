// Dynamic shader linkage in the layer: class linkages and class instances,
// the instances *SetShader binds with a shader and the rules it applies to
// them, and the interface uniform a draw sets from them.
//
// The shaders are containers written here, as the compiler writes them for
// calls through interface instances: each call is a switch on the stage's
// uniform fxsc_<stage>_interfaces[slot] over the class instance ids of the
// container's records. Each class paints its own value, so a pixel names the
// class instance the layer chose for each slot.

#include "tests/platform/d3d11/d3d11_fixture.h"

#include "platform/hlsl/shader_container.h"

#include <gmock/gmock.h>

#include <cstring>
#include <map>
#include <string>

namespace {

using d3d11_test::Code;
using d3d11_test::D3D11Test;
using d3d11_test::Owned;
using d3d11_test::Texel;
using d3d11_test::TexelEq;
using hlsl::ComponentType;
using ::testing::HasSubstr;

// Slot 0 is a light (iLight g_light), slots 1 and 2 an array of two
// materials (iMaterial g_materials[2]). Lights paint red, the two materials
// green and blue. cBoth is a light and a material.
hlsl::ShaderContainer PixelContainer()
{
    hlsl::ShaderContainer c;
    c.stage = hlsl::ShaderStage::Pixel;
    c.entryPoint = "ps_lit";
    c.outputs = {{"SV_TARGET", 0, ComponentType::Float, 4, 0, 1, "", false}};
    c.interfaceSlotCount = 3;
    c.interfaceSlots = {{"g_light", "iLight", 0, 1}, {"g_materials", "iMaterial", 1, 2}};
    c.classInstances = {{1, "cAmbient", "g_ambient", 0, {"iLight"}},   {2, "cPoint", "g_points", 0, {"iLight"}},
                        {3, "cPoint", "g_points", 1, {"iLight"}},      {4, "cMatte", "", 0, {"iMaterial"}},
                        {5, "cShiny", "", 0, {"iMaterial"}},           {6, "cBoth", "g_both", 0, {"iLight", "iMaterial"}}};
    c.glsl = R"(#version 450
uniform uint fxsc_ps_interfaces[3];
layout(location = 0) out vec4 fxsc_out_SV_TARGET0;
float Light(uint id)
{
    switch (id) {
    case 1u: return 0.125;
    case 2u: return 0.25;
    case 3u: return 0.375;
    case 6u: return 0.5;
    }
    return -1.0;
}
float Material(uint id)
{
    switch (id) {
    case 4u: return 0.0625;
    case 5u: return 0.125;
    case 6u: return 0.1875;
    }
    return -1.0;
}
void main()
{
    fxsc_out_SV_TARGET0 = vec4(Light(fxsc_ps_interfaces[0]), Material(fxsc_ps_interfaces[1]),
                               Material(fxsc_ps_interfaces[2]), 1.0);
}
)";
    return c;
}

// What each class instance paints in the pixel stage, by its place in the
// instance list of the test (not by the ids above).
const std::map<std::string, float> kLightValue = {
    {"g_ambient", 0.125f}, {"g_points[0]", 0.25f}, {"g_points[1]", 0.375f}, {"g_both", 0.5f}};
const std::map<std::string, float> kMaterialValue = {{"cMatte", 0.0625f}, {"cShiny", 0.125f}, {"g_both", 0.1875f}};

// One slot (iOffset g_offset): cLeft moves the strip into the left half of
// the target, cRight into the right half; with no id it leaves the target.
hlsl::ShaderContainer VertexContainer()
{
    hlsl::ShaderContainer c;
    c.stage = hlsl::ShaderStage::Vertex;
    c.entryPoint = "vs_offset";
    c.inputs = {{"POSITION", 0, ComponentType::Float, 3, 0, 1, "", false}};
    c.outputs = {{"SV_POSITION", 0, ComponentType::Float, 4, 0, 1, "", true}};
    c.interfaceSlotCount = 1;
    c.interfaceSlots = {{"g_offset", "iOffset", 0, 1}};
    c.classInstances = {{1, "cLeft", "", 0, {"iOffset"}}, {2, "cRight", "", 0, {"iOffset"}}};
    c.glsl = R"(#version 450
uniform uint fxsc_vs_interfaces[1];
layout(location = 0) in vec3 fxsc_in_POSITION0;
float Shift(uint id)
{
    switch (id) {
    case 1u: return -0.5;
    case 2u: return 0.5;
    }
    return 8.0;
}
void main()
{
    gl_Position = vec4(fxsc_in_POSITION0.x * 0.5 + Shift(fxsc_vs_interfaces[0]), fxsc_in_POSITION0.yz, 1.0);
}
)";
    return c;
}

class LinkageTest : public D3D11Test {
protected:
    static constexpr Texel kClear = {0.75f, 0.75f, 0.75f, 0.75f};
    // A pixel in the left and in the right half of the target.
    static constexpr UINT kLeftX = 320, kRightX = 960, kY = 360;

    void SetUp() override
    {
        D3D11Test::SetUp();
        ASSERT_EQ(device_->CreateClassLinkage(linkage_.out()), S_OK);
        vertexCode_ = hlsl::SerializeContainer(VertexContainer());
        pixelCode_ = hlsl::SerializeContainer(PixelContainer());
        ASSERT_EQ(device_->CreateVertexShader(vertexCode_.data(), vertexCode_.size(), linkage_.get(), vs_.out()), S_OK);
        ASSERT_EQ(device_->CreatePixelShader(pixelCode_.data(), pixelCode_.size(), linkage_.get(), ps_.out()), S_OK);
        ASSERT_EQ(linkage_->CreateClassInstance("cLeft", 0, 0, 0, 0, left_.out()), S_OK);
        ASSERT_EQ(linkage_->CreateClassInstance("cRight", 0, 0, 0, 0, right_.out()), S_OK);
        BindTarget(kClear);
        context_->IASetInputLayout(MakeLayout(vertexCode_).get());
        BindStrip();
    }

    void TearDown() override
    {
        left_.Reset();
        right_.Reset();
        vs_.Reset();
        ps_.Reset();
        linkage_.Reset();
        D3D11Test::TearDown();
    }

    Owned<ID3D11ClassInstance> Get(const char* name, UINT index = 0)
    {
        Owned<ID3D11ClassInstance> instance;
        EXPECT_EQ(linkage_->GetClassInstance(name, index, instance.out()), S_OK) << name << "[" << index << "]";
        return instance;
    }
    Owned<ID3D11ClassInstance> Create(const char* type)
    {
        Owned<ID3D11ClassInstance> instance;
        EXPECT_EQ(linkage_->CreateClassInstance(type, 0, 0, 0, 0, instance.out()), S_OK) << type;
        return instance;
    }
    void BindVertex(ID3D11ClassInstance* offset) { context_->VSSetShader(vs_.get(), &offset, 1); }
    void BindPixel(ID3D11ClassInstance* light, ID3D11ClassInstance* first, ID3D11ClassInstance* second)
    {
        ID3D11ClassInstance* const instances[] = {light, first, second};
        context_->PSSetShader(ps_.get(), instances, 3);
    }
    // Clears, draws the strip, and returns the left and right pixels.
    std::pair<Texel, Texel> Draw()
    {
        context_->ClearRenderTargetView(target_.rtv.get(), kClear.data());
        context_->Draw(4, 0);
        return {At(kLeftX, kY), At(kRightX, kY)};
    }

    Owned<ID3D11ClassLinkage> linkage_;
    Code vertexCode_, pixelCode_;
    Owned<ID3D11VertexShader> vs_;
    Owned<ID3D11PixelShader> ps_;
    Owned<ID3D11ClassInstance> left_, right_;
};

TEST_F(LinkageTest, EachCombinationOfInstancesDrawsItsClassesCode)
{
    std::map<std::string, Owned<ID3D11ClassInstance>> lights, materials;
    lights["g_ambient"] = Get("g_ambient");
    lights["g_points[0]"] = Get("g_points", 0);
    lights["g_points[1]"] = Get("g_points", 1);
    lights["g_both"] = Get("g_both");
    materials["cMatte"] = Create("cMatte");
    materials["cShiny"] = Create("cShiny");
    materials["g_both"] = Get("g_both");

    int combinations = 0;
    for (const auto& [vertexName, offset] : {std::pair{"left", left_.get()}, {"right", right_.get()}})
        for (const auto& [lightName, light] : lights)
            for (const auto& [firstName, first] : materials)
                for (const auto& [secondName, second] : materials) {
                    BindVertex(offset);
                    BindPixel(light.get(), first.get(), second.get());
                    const auto [leftPixel, rightPixel] = Draw();
                    const Texel painted = {kLightValue.at(lightName), kMaterialValue.at(firstName),
                                           kMaterialValue.at(secondName), 1.0f};
                    const bool toLeft = offset == left_.get();
                    const std::string combination =
                        std::string(vertexName) + " " + lightName + " " + firstName + " " + secondName;
                    EXPECT_TRUE(TexelEq(leftPixel, toLeft ? painted : kClear)) << combination;
                    EXPECT_TRUE(TexelEq(rightPixel, toLeft ? kClear : painted)) << combination;
                    ++combinations;
                }
    EXPECT_EQ(combinations, 2 * 4 * 3 * 3);
}

TEST_F(LinkageTest, TheUniformIsSetOnlyWhenItsIdsChangeAndPerProgram)
{
    Owned<ID3D11ClassInstance> ambient = Get("g_ambient"), point = Get("g_points", 1), matte = Create("cMatte");
    diagnostics::EnableJournal(true);
    BindVertex(left_.get());
    BindPixel(ambient.get(), matte.get(), matte.get());
    Draw();
    Draw();
    // The same instances again, and other objects naming the same instances.
    BindPixel(ambient.get(), matte.get(), matte.get());
    Owned<ID3D11ClassInstance> ambientAgain = Get("g_ambient"), matteAgain = Create("cMatte");
    BindPixel(ambientAgain.get(), matteAgain.get(), matte.get());
    Draw();
    auto uploads = Entries("SetInterfaceUniform");
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_EQ(uploads[0].arguments, "stage=vs ids=1");
    EXPECT_EQ(uploads[1].arguments, "stage=ps ids=1,4,4");

    // A second program with the same pixel shader keeps its own values: the
    // first one still holds the ambient light when the point light is bound
    // to the other, and must be set again when it is drawn with it.
    Owned<ID3D11VertexShader> other;
    ASSERT_EQ(device_->CreateVertexShader(vertexCode_.data(), vertexCode_.size(), linkage_.get(), other.out()), S_OK);
    ID3D11ClassInstance* const right = right_.get();
    context_->VSSetShader(other.get(), &right, 1);
    BindPixel(point.get(), matte.get(), matte.get());
    EXPECT_TRUE(TexelEq(Draw().second, (Texel{0.375f, 0.0625f, 0.0625f, 1.0f})));
    BindVertex(left_.get());
    EXPECT_TRUE(TexelEq(Draw().first, (Texel{0.375f, 0.0625f, 0.0625f, 1.0f})));
    uploads = Entries("SetInterfaceUniform");
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].arguments, "stage=vs ids=2");
    EXPECT_EQ(uploads[1].arguments, "stage=ps ids=3,4,4");
    EXPECT_EQ(uploads[2].arguments, "stage=ps ids=3,4,4");
}

TEST_F(LinkageTest, InstancesThatBreakARuleDisableTheShaderAndTheDrawDrawsNothing)
{
    Owned<ID3D11ClassLinkage> otherLinkage;
    ASSERT_EQ(device_->CreateClassLinkage(otherLinkage.out()), S_OK);
    Owned<ID3D11ClassInstance> foreign;
    ASSERT_EQ(otherLinkage->CreateClassInstance("cMatte", 0, 0, 0, 0, foreign.out()), S_OK);
    Owned<ID3D11ClassInstance> ambient = Get("g_ambient"), matte = Create("cMatte"), both = Get("g_both");
    Owned<ID3D11ClassInstance> createdAmbient = Create("cAmbient"), unknown = Create("cUnknown");
    ID3D11ClassInstance* const valid[] = {ambient.get(), matte.get(), both.get()};

    const struct {
        const char* what;
        std::vector<ID3D11ClassInstance*> instances;
        bool nullArray;
        const char* rule;
    } cases[] = {
        {"two instances for three slots", {ambient.get(), matte.get()}, false,
         "the number of class instances differs from the shader's interface slots"},
        {"four instances for three slots", {ambient.get(), matte.get(), matte.get(), matte.get()}, false,
         "the number of class instances differs from the shader's interface slots"},
        {"no array", {}, true, "an interface slot the shader uses has no class instance"},
        {"an empty slot", {ambient.get(), nullptr, matte.get()}, false,
         "an interface slot the shader uses has no class instance"},
        {"an instance of another linkage", {ambient.get(), matte.get(), foreign.get()}, false,
         "a class instance comes from another class linkage than the shader's"},
        {"a material in the light's slot", {matte.get(), matte.get(), matte.get()}, false,
         "a class instance does not implement its slot's interface"},
        {"a light in a material's slot", {ambient.get(), ambient.get(), matte.get()}, false,
         "a class instance does not implement its slot's interface"},
        {"a created instance of a class the code reads data of", {createdAmbient.get(), matte.get(), matte.get()},
         false, "the shader has no code for a class instance"},
        {"a class the shader does not know", {ambient.get(), unknown.get(), matte.get()}, false,
         "the shader has no code for a class instance"},
    };
    BindVertex(left_.get());
    diagnostics::EnableJournal(true);
    for (const auto& c : cases) {
        diagnostics::TakeJournal();
        context_->PSSetShader(ps_.get(), c.nullArray ? nullptr : c.instances.data(),
                              static_cast<UINT>(c.instances.size()));
        EXPECT_TRUE(TexelEq(Draw().first, kClear)) << c.what;
        const auto draws = Entries("Draw");
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_THAT(draws[0].arguments, HasSubstr(std::string("skipped=") + c.rule)) << c.what;
        // The same shader with valid instances draws again.
        context_->PSSetShader(ps_.get(), valid, 3);
        EXPECT_TRUE(TexelEq(Draw().first, (Texel{0.125f, 0.0625f, 0.1875f, 1.0f}))) << c.what;
    }

    // A disabled vertex shader stops the draw as well.
    context_->VSSetShader(vs_.get(), nullptr, 0);
    EXPECT_TRUE(TexelEq(Draw().first, kClear));
    // A shader without interfaces takes no instances.
    Owned<ID3D11PixelShader> plain = MakePixelShader(Pipeline("ps_constant"));
    BindVertex(left_.get());
    context_->PSSetShader(plain.get(), valid, 3);
    EXPECT_TRUE(TexelEq(Draw().first, kClear));
    context_->PSSetShader(plain.get(), nullptr, 0);
    EXPECT_TRUE(TexelEq(Draw().first, (Texel{0, 0, 0, 0})));
}

TEST_F(LinkageTest, AShaderWithInterfacesCreatedWithoutALinkageNeverDraws)
{
    Owned<ID3D11PixelShader> unlinked;
    ASSERT_EQ(device_->CreatePixelShader(pixelCode_.data(), pixelCode_.size(), nullptr, unlinked.out()), S_OK);
    Owned<ID3D11ClassInstance> ambient = Get("g_ambient"), matte = Create("cMatte");
    ID3D11ClassInstance* const instances[] = {ambient.get(), matte.get(), matte.get()};
    BindVertex(left_.get());
    diagnostics::EnableJournal(true);
    context_->PSSetShader(unlinked.get(), instances, 3);
    EXPECT_TRUE(TexelEq(Draw().first, kClear));
    context_->PSSetShader(unlinked.get(), nullptr, 0);
    EXPECT_TRUE(TexelEq(Draw().first, kClear));
    const auto draws = Entries("Draw");
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_THAT(draws[0].arguments, HasSubstr("skipped=a class instance comes from another class linkage"));
    EXPECT_THAT(draws[1].arguments, HasSubstr("skipped=an interface slot the shader uses has no class instance"));
    context_->PSSetShader(ps_.get(), instances, 3);
    EXPECT_TRUE(TexelEq(Draw().first, (Texel{0.125f, 0.0625f, 0.0625f, 1.0f})));
}

TEST_F(LinkageTest, ALinkageFindsTheInstancesItsShadersDeclareAndCreatesAnyClass)
{
    Owned<ID3D11ClassLinkage> fresh;
    ASSERT_EQ(device_->CreateClassLinkage(fresh.out()), S_OK);
    ID3D11ClassInstance* instance = reinterpret_cast<ID3D11ClassInstance*>(&fresh);
    // Nothing is declared before a shader is created with the linkage.
    EXPECT_EQ(fresh->GetClassInstance("g_ambient", 0, &instance), E_INVALIDARG);
    EXPECT_EQ(instance, nullptr);
    // A created instance needs no shader.
    Owned<ID3D11ClassInstance> early;
    EXPECT_EQ(fresh->CreateClassInstance("cMatte", 2, 5, 3, 1, early.out()), S_OK);
    Owned<ID3D11PixelShader> shader;
    ASSERT_EQ(device_->CreatePixelShader(pixelCode_.data(), pixelCode_.size(), fresh.get(), shader.out()), S_OK);
    // The names stay when the shader is gone.
    shader.Reset();
    Owned<ID3D11ClassInstance> point;
    EXPECT_EQ(fresh->GetClassInstance("g_points", 1, point.out()), S_OK);
    EXPECT_EQ(fresh->GetClassInstance("g_points", 2, &instance), E_INVALIDARG) << "past the array's end";
    EXPECT_EQ(fresh->GetClassInstance("cPoint", 0, &instance), E_INVALIDARG) << "a type is not an instance";
    EXPECT_EQ(fresh->GetClassInstance(nullptr, 0, &instance), E_INVALIDARG);
    EXPECT_EQ(fresh->CreateClassInstance(nullptr, 0, 0, 0, 0, &instance), E_INVALIDARG);
    EXPECT_EQ(fresh->CreateClassInstance("", 0, 0, 0, 0, &instance), E_INVALIDARG);

    // GetDesc: an instance a shader declares has its index and Direct3D's
    // defaults (BaseTexture 127, BaseSampler 15); a created one the
    // arguments it was created with.
    D3D11_CLASS_INSTANCE_DESC desc;
    std::memset(&desc, 0xAB, sizeof desc);
    point->GetDesc(&desc);
    EXPECT_EQ(desc.InstanceIndex, 1u);
    EXPECT_EQ(desc.ConstantBuffer, 0u);
    EXPECT_EQ(desc.BaseConstantBufferOffset, 0u);
    EXPECT_EQ(desc.BaseTexture, 127u);
    EXPECT_EQ(desc.BaseSampler, 15u);
    EXPECT_EQ(desc.Created, FALSE);
    early->GetDesc(&desc);
    EXPECT_EQ(desc.InstanceIndex, 0u);
    EXPECT_EQ(desc.ConstantBuffer, 2u);
    EXPECT_EQ(desc.BaseConstantBufferOffset, 5u);
    EXPECT_EQ(desc.BaseTexture, 3u);
    EXPECT_EQ(desc.BaseSampler, 1u);
    EXPECT_EQ(desc.Created, TRUE);
    // Two created instances of the same class: two instances, one type.
    Owned<ID3D11ClassInstance> again = [&] {
        Owned<ID3D11ClassInstance> made;
        EXPECT_EQ(fresh->CreateClassInstance("cMatte", 0, 0, 0, 0, made.out()), S_OK);
        return made;
    }();
    D3D11_CLASS_INSTANCE_DESC second;
    again->GetDesc(&second);
    EXPECT_NE(second.InstanceId, desc.InstanceId);
    EXPECT_EQ(second.TypeId, desc.TypeId);

    // Names: the size with its terminating zero, and as much as fits.
    SIZE_T length = 0;
    point->GetInstanceName(nullptr, &length);
    EXPECT_EQ(length, sizeof "g_points");
    char name[16];
    length = sizeof name;
    point->GetTypeName(name, &length);
    EXPECT_STREQ(name, "cPoint");
    length = 4;
    point->GetInstanceName(name, &length);
    EXPECT_STREQ(name, "g_p");
    EXPECT_EQ(length, sizeof "g_points");
    length = sizeof name;
    early->GetInstanceName(name, &length);
    EXPECT_STREQ(name, "");
    length = sizeof name;
    early->GetTypeName(name, &length);
    EXPECT_STREQ(name, "cMatte");

    ID3D11ClassLinkage* owner = nullptr;
    early->GetClassLinkage(&owner);
    EXPECT_EQ(owner, fresh.get());
    owner->Release();
}

TEST_F(LinkageTest, TheContextAndEachInstanceHoldReferencesAndGetShaderReturnsThem)
{
    Owned<ID3D11ClassInstance> ambient = Get("g_ambient"), matte = Create("cMatte");
    BindVertex(left_.get());
    BindPixel(ambient.get(), matte.get(), nullptr);
    // Released by the test, the instances live on while bound; an instance
    // keeps its linkage.
    ambient.Reset();
    matte.Reset();
    left_.Reset();
    linkage_.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11ClassLinkage"), 1);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11ClassInstance"), 4) << "three bound, cRight held here";

    ID3D11PixelShader* shader = nullptr;
    ID3D11ClassInstance* instances[4] = {};
    std::memset(instances, 0xAB, sizeof instances);
    UINT count = 4;
    context_->PSGetShader(&shader, instances, &count);
    EXPECT_EQ(shader, ps_.get());
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(instances[2], nullptr);
    EXPECT_EQ(instances[3], nullptr);
    ASSERT_NE(instances[0], nullptr);
    char name[16];
    SIZE_T length = sizeof name;
    instances[0]->GetInstanceName(name, &length);
    EXPECT_STREQ(name, "g_ambient");
    length = sizeof name;
    instances[1]->GetTypeName(name, &length);
    EXPECT_STREQ(name, "cMatte");
    shader->Release();
    instances[0]->Release();
    instances[1]->Release();
    // Only the count without an array.
    count = 0;
    context_->VSGetShader(nullptr, nullptr, &count);
    EXPECT_EQ(count, 1u);
    // A null shader keeps the instances it is given, as Direct3D does.
    ID3D11ClassInstance* offset = right_.get();
    context_->GSSetShader(nullptr, &offset, 1);
    ID3D11GeometryShader* geometry = reinterpret_cast<ID3D11GeometryShader*>(&count);
    ID3D11ClassInstance* kept = nullptr;
    count = 1;
    context_->GSGetShader(&geometry, &kept, &count);
    EXPECT_EQ(geometry, nullptr);
    EXPECT_EQ(kept, right_.get());
    kept->Release();

    // Unbound, everything goes.
    context_->PSSetShader(nullptr, nullptr, 0);
    context_->VSSetShader(nullptr, nullptr, 0);
    context_->GSSetShader(nullptr, nullptr, 0);
    right_.Reset();
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11ClassInstance"), 0);
    EXPECT_EQ(diagnostics::LiveObjects("ID3D11ClassLinkage"), 0);
}

} // namespace
