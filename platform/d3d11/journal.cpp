#include "platform/d3d11/journal.h"

#include "platform/diagnostics/diagnostics.h"

#include <cstdio>

namespace d3d11 {

Fields& Fields::Add(std::string_view key, std::string_view value)
{
    if (!text_.empty())
        text_ += ' ';
    text_ += key;
    text_ += '=';
    text_ += value;
    return *this;
}

Fields& Fields::Add(std::string_view key, float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return Add(key, std::string_view(text));
}

Fields& Fields::Hex(std::string_view key, std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return Add(key, std::string_view(text));
}

Fields& Fields::Object(std::string_view key, const void* object)
{
    return Add(key, std::string_view(Label(object)));
}

std::string Fields::Label(const void* object)
{
    return diagnostics::ObjectLabel(object);
}

} // namespace d3d11
