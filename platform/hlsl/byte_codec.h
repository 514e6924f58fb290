#pragma once

// Little-endian 32-bit words and length-prefixed byte strings: how the
// compiled-code container and the messages between the program and its
// compile worker are written.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

class ByteWriter {
public:
    void U32(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    // A 32-bit length, then the bytes.
    void Text(std::string_view text)
    {
        U32(static_cast<std::uint32_t>(text.size()));
        Raw(text);
    }
    void Raw(std::string_view bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    void Raw(std::span<const std::uint8_t> bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads what ByteWriter writes; a read fails where too few bytes are left,
// and the reader is then of no further use.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) { }
    explicit ByteReader(std::string_view bytes)
        : bytes_(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())
    {
    }

    bool U32(std::uint32_t* value)
    {
        if (bytes_.size() - offset_ < 4)
            return false;
        *value = 0;
        for (int i = 0; i < 4; ++i)
            *value |= static_cast<std::uint32_t>(bytes_[offset_ + i]) << (8 * i);
        offset_ += 4;
        return true;
    }
    // A U32 that fits an int.
    bool Int(int* value)
    {
        std::uint32_t raw = 0;
        if (!U32(&raw) || raw > 0x7FFFFFFFu)
            return false;
        *value = static_cast<int>(raw);
        return true;
    }
    bool Text(std::string* text)
    {
        std::uint32_t size = 0;
        if (!U32(&size) || bytes_.size() - offset_ < size)
            return false;
        text->assign(reinterpret_cast<const char*>(bytes_.data() + offset_), size);
        offset_ += size;
        return true;
    }
    // The next `size` bytes, when they are all there.
    bool Raw(std::size_t size, std::span<const std::uint8_t>* bytes)
    {
        if (bytes_.size() - offset_ < size)
            return false;
        *bytes = bytes_.subspan(offset_, size);
        offset_ += size;
        return true;
    }
    std::span<const std::uint8_t> Rest() const { return bytes_.subspan(offset_); }
    bool AtEnd() const { return offset_ == bytes_.size(); }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_ = 0;
};

} // namespace hlsl
