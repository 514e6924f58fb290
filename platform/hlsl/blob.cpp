#include "platform/hlsl/blob.h"

#include "platform/diagnostics/ref_counted.h"

#include <cstdint>
#include <vector>

namespace hlsl {

namespace {

class Blob final : public diagnostics::RefCounted<ID3D10Blob> {
public:
    Blob(const void* data, std::size_t size)
        : RefCounted("ID3D10Blob"),
          bytes_(static_cast<const std::uint8_t*>(data), static_cast<const std::uint8_t*>(data) + size)
    {
    }

    LPVOID STDMETHODCALLTYPE GetBufferPointer() override { return bytes_.data(); }
    SIZE_T STDMETHODCALLTYPE GetBufferSize() override { return bytes_.size(); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace

ID3D10Blob* CreateBlob(const void* data, std::size_t size)
{
    return new Blob(size ? data : nullptr, size);
}

ID3D10Blob* CreateTextBlob(std::string_view text)
{
    std::vector<char> bytes(text.begin(), text.end());
    bytes.push_back('\0');
    return new Blob(bytes.data(), bytes.size());
}

} // namespace hlsl
