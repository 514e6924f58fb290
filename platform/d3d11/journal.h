#pragma once

// Formatting of the call journal's "key=value" arguments. Callers build a
// Fields only after checking diagnostics::JournalEnabled(), so a disabled
// journal costs one test per call.

#include "platform/diagnostics/diagnostics.h"
#include "platform/include/wintypes.h"

#include <concepts>
#include <string>
#include <string_view>
#include <type_traits>

namespace d3d11 {

class Fields {
public:
    Fields& Add(std::string_view key, std::string_view value);
    Fields& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value ? value : "null")); }
    Fields& Add(std::string_view key, const std::string& value) { return Add(key, std::string_view(value)); }
    template <std::integral T>
    Fields& Add(std::string_view key, T value)
    {
        return Add(key, std::string_view(std::to_string(value)));
    }
    Fields& Add(std::string_view key, float value);
    Fields& Hex(std::string_view key, std::uint32_t value);
    Fields& Result(HRESULT result) { return Hex("result", static_cast<std::uint32_t>(result)); }
    // An object by its journal label ("ID3D11Buffer#2", "null").
    Fields& Object(std::string_view key, const void* object);
    // A layer object held by the context, labelled through its interface.
    template <class Holder>
    Fields& Held(std::string_view key, const Holder& held)
    {
        using Interface = typename std::remove_reference_t<decltype(*held)>::InterfaceType;
        return Object(key, static_cast<const Interface*>(held.get()));
    }
    // Several objects, comma separated.
    template <class T>
    Fields& Objects(std::string_view key, T* const* objects, UINT count)
    {
        std::string labels;
        for (UINT i = 0; i < count; ++i) {
            if (i)
                labels += ',';
            labels += Label(objects ? objects[i] : nullptr);
        }
        return Add(key, std::string_view(labels));
    }

    std::string Take() { return std::move(text_); }

private:
    static std::string Label(const void* object);
    std::string text_;
};

// Records one call in the journal: `describe` adds the call's arguments to
// the fields and runs only while the journal is on.
template <class Describe>
void Journal(const char* operation, Describe describe)
{
    if (!diagnostics::JournalEnabled())
        return;
    Fields fields;
    describe(fields);
    diagnostics::Record(operation, fields.Take());
}

} // namespace d3d11
