#include "platform/d3d11/input_layout.h"

#include <atomic>

namespace d3d11 {

InputLayout::InputLayout(std::shared_ptr<GlContext> gl, std::vector<VertexElement> elements)
    : DeviceChild("ID3D11InputLayout", std::move(gl)), elements_(std::move(elements))
{
    static std::atomic<std::uint64_t> serial{0};
    serial_ = ++serial;
}

const VertexElement* InputLayout::Find(const std::string& semantic, UINT semanticIndex) const
{
    for (const VertexElement& element : elements_)
        if (element.semanticIndex == semanticIndex && element.semantic == semantic)
            return &element;
    return nullptr;
}

std::string UpperCase(const char* text)
{
    std::string upper(text ? text : "");
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

} // namespace d3d11
