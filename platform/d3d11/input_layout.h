#pragma once

// ID3D11InputLayout: the vertex elements, matched to whichever vertex shader
// is bound at draw time by semantic name and index (a layout made for one
// shader serves another that reads the same semantics).

#include "platform/d3d11/device_child.h"
#include "platform/include/d3d11.h"

#include <string>
#include <vector>

namespace d3d11 {

struct VertexElement {
    std::string semantic; // upper case, as shader containers spell semantics
    UINT semanticIndex;
    DXGI_FORMAT format;
    UINT inputSlot;
    UINT byteOffset;
};

class InputLayout final : public DeviceChild<ID3D11InputLayout> {
public:
    InputLayout(std::shared_ptr<GlContext> gl, std::vector<VertexElement> elements);

    std::uint64_t Serial() const { return serial_; }
    // The element for a semantic; null when the layout has none.
    const VertexElement* Find(const std::string& semantic, UINT semanticIndex) const;

private:
    ~InputLayout() override = default;

    std::vector<VertexElement> elements_;
    std::uint64_t serial_;
};

inline InputLayout* Impl(ID3D11InputLayout* layout)
{
    return static_cast<InputLayout*>(layout);
}

// The semantic name as shader containers spell it.
std::string UpperCase(const char* text);

} // namespace d3d11
