#include "platform/d3d11/formats.h"

#include "platform/include/d3d11.h"

#include <array>

namespace d3d11 {

namespace {

constexpr std::size_t kTableSize = DXGI_FORMAT_R16_UINT + 1;

constexpr std::array<FormatInfo, kTableSize> MakeTable()
{
    std::array<FormatInfo, kTableSize> table{};
    constexpr UINT kColour = D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET;

    table[DXGI_FORMAT_R32G32B32A32_FLOAT] = {true,     kColour, true,     false, 16, GL_RGBA32F,
                                             GL_RGBA,  GL_FLOAT, 4,       GL_FLOAT, GL_FALSE};
    table[DXGI_FORMAT_R32G32B32_FLOAT] = {true, 0, true, false, 12, 0, 0, 0, 3, GL_FLOAT, GL_FALSE};
    table[DXGI_FORMAT_R8G8B8A8_UNORM] = {true,    kColour,          true, false, 4,       GL_RGBA8,
                                         GL_RGBA, GL_UNSIGNED_BYTE, 4,    GL_UNSIGNED_BYTE, GL_TRUE};
    table[DXGI_FORMAT_D32_FLOAT] = {true,     D3D11_BIND_DEPTH_STENCIL, false, false, 4, GL_DEPTH_COMPONENT32F,
                                    GL_DEPTH_COMPONENT, GL_FLOAT, 1, 0, GL_FALSE};
    table[DXGI_FORMAT_R16_UINT] = {true, 0, false, true, 2, 0, 0, 0, 1, GL_UNSIGNED_SHORT, GL_FALSE};
    return table;
}

constexpr std::array<FormatInfo, kTableSize> kFormats = MakeTable();
constexpr FormatInfo kUnsupported{};

} // namespace

const FormatInfo& Format(DXGI_FORMAT format)
{
    const auto index = static_cast<std::size_t>(format);
    return index < kFormats.size() ? kFormats[index] : kUnsupported;
}

} // namespace d3d11
