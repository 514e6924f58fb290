// Effects that check themselves, drawn through the layer: every pixel of the
// target must come out green. tests/data/hlsl/self_check/README.md says what
// a file computes and what it may ask for.
#include "tests/platform/d3d11/d3d11_fixture.h"
#include "tests/fx_file_names.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace d3d11_test {
namespace {

constexpr UINT kTarget = 16;
constexpr UINT kTextureWidth = 5;
constexpr UINT kTextureHeight = 3;

const std::filesystem::path kFolder = std::filesystem::path(FXDEMO_TEST_DATA) / "hlsl" / "self_check";

struct EffectHeader {
    std::string profile = "4_0";
    std::vector<std::uint32_t> constants;
};

// Reads the profile and b0 comment lines the README describes.
EffectHeader ReadHeader(const std::string& text)
{
    EffectHeader header;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("// profile:", 0) == 0)
            std::istringstream(line.substr(11)) >> header.profile;
        if (line.rfind("// b0:", 0) != 0)
            continue;
        std::istringstream words(line.substr(6));
        std::string type = "float";
        for (std::string word; words >> word;) {
            if (word == "int" || word == "uint" || word == "float") {
                type = word;
                continue;
            }
            try {
                // Integers as 64 bits, so that both -7 and 0xFFFFFFFF fit.
                std::uint32_t bits = static_cast<std::uint32_t>(type == "float" ? 0 : std::stoll(word, nullptr, 0));
                const float value = type == "float" ? std::stof(word) : 0.0f;
                if (type == "float")
                    std::memcpy(&bits, &value, 4);
                header.constants.push_back(bits);
            } catch (const std::exception&) {
                ADD_FAILURE() << "bad b0 value " << word;
            }
        }
    }
    // Constant buffers are whole 16-byte registers.
    header.constants.resize(std::max<std::size_t>(4, (header.constants.size() + 3) / 4 * 4));
    return header;
}

class SelfCheckTest : public D3D11Test, public ::testing::WithParamInterface<std::string> {};

TEST_P(SelfCheckTest, EveryPixelGreen)
{
    std::ifstream file(kFolder / (GetParam() + ".fx"));
    std::stringstream text;
    text << file.rdbuf();
    const EffectHeader header = ReadHeader(text.str());

    const std::string path = "hlsl/self_check/" + GetParam() + ".fx";
    const auto stage = [&](const std::string& prefix) {
        return Compile(path, prefix + "_main", prefix + "_" + header.profile);
    };
    BindTarget({0, 0, 1, 1}, kTarget, kTarget); // blue: what no draw reached
    BindStages(stage("vs"), stage("ps"), text.str().find("gs_main") != std::string::npos ? stage("gs") : Code());
    BindStrip();
    Owned<ID3D11Buffer> constants = MakeBuffer(D3D11_BIND_CONSTANT_BUFFER,
                                               static_cast<UINT>(header.constants.size() * 4), header.constants.data());
    for (const auto set : {&ID3D11DeviceContext::VSSetConstantBuffers, &ID3D11DeviceContext::GSSetConstantBuffers,
                           &ID3D11DeviceContext::PSSetConstantBuffers})
        (context_->*set)(0, 1, constants.address());
    std::vector<float> texels;
    for (UINT y = 0; y < kTextureHeight; ++y)
        for (UINT x = 0; x < kTextureWidth; ++x)
            texels.insert(texels.end(),
                          {static_cast<float>(x), static_cast<float>(y), static_cast<float>(x + 10 * y), 0.5f});
    Owned<ID3D11Texture2D> texture = MakeTexture(DXGI_FORMAT_R32G32B32A32_FLOAT, D3D11_BIND_SHADER_RESOURCE,
                                                 kTextureWidth, kTextureHeight, texels.data(), kTextureWidth * 16);
    context_->PSSetShaderResources(0, 1, MakeShaderView(texture.get()).address());
    context_->PSSetSamplers(0, 1, MakeSampler().address());
    context_->Draw(4, 0);

    // Every pixel is checked; the first one that is not green says why.
    int notGreen = 0;
    for (UINT y = 0; y < kTarget; ++y)
        for (UINT x = 0; x < kTarget; ++x) {
            const Texel texel = At(x, y);
            if (texel == Texel{0, 1, 0, 1} || notGreen++)
                continue;
            const bool red = texel[0] == 1 && texel[2] == 0 && texel[3] == 1 && texel[1] >= 1;
            ADD_FAILURE() << GetParam() << ".fx at (" << x << ", " << y << "): "
                          << (texel == Texel{0, 0, 1, 1} ? "not drawn"
                              : red ? "check " + std::to_string(static_cast<int>(texel[1])) + " fails"
                                    : "neither green nor a check's red");
        }
    EXPECT_EQ(notGreen, 0) << "pixels not green";
}

std::vector<std::string> Effects()
{
    std::vector<std::string> names;
    for (const std::filesystem::path& file : fx_test::FxFiles(kFolder))
        names.push_back(file.stem().string());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Effects, SelfCheckTest, ::testing::ValuesIn(Effects()),
                         [](const ::testing::TestParamInfo<std::string>& effect) { return effect.param; });

} // namespace
} // namespace d3d11_test
