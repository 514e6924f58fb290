// How stages link by semantic, both halves: the names the compiler gives the
// linked inputs' and outputs' locations, and the defines the layer writes to
// link a stage to the one before it (see shader_container.h).

#include "platform/hlsl/shader_container.h"

#include <algorithm>
#include <cctype>

namespace hlsl {

namespace {

bool SameSemantic(const StageVariable& a, const StageVariable& b)
{
    return a.semanticIndex == b.semanticIndex && a.semantic == b.semantic;
}

bool StartsWith(std::string_view line, std::string_view prefix)
{
    const auto start = line.find_first_not_of(" \t");
    return start != std::string_view::npos && line.substr(start).starts_with(prefix);
}

} // namespace

std::string SemanticIdentifier(std::string_view semantic)
{
    std::string part;
    char previous = '_';
    for (char c : semantic) {
        if (c == '_' && previous == '_')
            part += 'U';
        part += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        previous = c;
    }
    return part;
}

std::string LocationMacro(bool input, std::string_view semantic, std::uint32_t index)
{
    return std::string(input ? "FXSC_IN_" : "FXSC_OUT_") + SemanticIdentifier(semantic) + std::to_string(index);
}

namespace {

// Where each of `inputs` goes: the location of the upstream output with the
// same semantic, or one of its own above every upstream output. Returns the
// first location left free.
template <typename Place>
std::uint32_t PlaceInputs(const std::vector<StageVariable>& upstreamOutputs, const std::vector<StageVariable>& inputs,
                          Place place)
{
    std::uint32_t nextFree = 0;
    for (const StageVariable& output : upstreamOutputs)
        if (!output.systemValue)
            nextFree = std::max(nextFree, output.location + std::max(output.locationCount, 1u));

    for (const StageVariable& input : inputs) {
        if (input.systemValue || input.locationMacro.empty())
            continue;
        const auto match = std::find_if(upstreamOutputs.begin(), upstreamOutputs.end(),
                                         [&](const StageVariable& output) {
                                             return !output.systemValue && SameSemantic(output, input);
                                         });
        std::uint32_t location = 0;
        if (match != upstreamOutputs.end()) {
            location = match->location;
        } else {
            location = nextFree;
            nextFree += std::max(input.locationCount, 1u);
        }
        place(input, location);
    }
    return nextFree;
}

} // namespace

std::string LinkDefines(const std::vector<StageVariable>& upstreamOutputs,
                        const std::vector<StageVariable>& inputs)
{
    std::string defines;
    PlaceInputs(upstreamOutputs, inputs, [&](const StageVariable& input, std::uint32_t location) {
        if (location != input.location)
            defines += "#define " + input.locationMacro + " " + std::to_string(location) + "\n";
    });
    return defines;
}

std::optional<std::string> FillRuleDefine(const std::vector<StageVariable>& upstreamOutputs,
                                          const std::vector<StageVariable>& inputs)
{
    constexpr std::uint32_t kLinkLocations = 32;
    const std::uint32_t location = PlaceInputs(upstreamOutputs, inputs, [](const StageVariable&, std::uint32_t) {});
    if (location + 2 > kLinkLocations)
        return std::nullopt;
    return "#define " + std::string(kFillRuleMacro) + " " + std::to_string(location) + "\n";
}

std::string InsertDefines(const std::string& glsl, const std::string& defines)
{
    if (defines.empty())
        return glsl;
    std::size_t insertAt = 0;
    bool seenVersion = false;
    for (std::size_t pos = 0; pos < glsl.size();) {
        const std::size_t end = glsl.find('\n', pos);
        const std::size_t next = end == std::string::npos ? glsl.size() : end + 1;
        const std::string_view line(glsl.data() + pos, next - pos);
        if (StartsWith(line, "#version") && !seenVersion) {
            seenVersion = true;
        } else if (!(seenVersion && StartsWith(line, "#extension"))) {
            break;
        }
        insertAt = next;
        pos = next;
    }
    std::string text = glsl.substr(0, insertAt);
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    return text + defines + glsl.substr(insertAt);
}

} // namespace hlsl
