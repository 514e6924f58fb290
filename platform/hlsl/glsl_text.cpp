// Edits of the GLSL text that SPIRV-Cross has no option for.

#include "platform/hlsl/glsl.h"

#include <cctype>

namespace hlsl {

namespace {

// The line that declares `name` at global scope: "layout(...) ... name;" or
// "layout(...) ... name[3];". Returns its start and end.
std::optional<std::pair<std::size_t, std::size_t>> DeclarationLine(const std::string& glsl, const std::string& name)
{
    for (std::size_t start = 0; start < glsl.size();) {
        std::size_t end = glsl.find('\n', start);
        if (end == std::string::npos)
            end = glsl.size();
        std::string_view line(glsl.data() + start, end - start);
        if (line.starts_with("layout(") && line.ends_with(";")) {
            line.remove_suffix(1);
            if (line.ends_with("]"))
                line = line.substr(0, line.rfind('['));
            if (line.ends_with(" " + name))
                return std::make_pair(start, end);
        }
        start = end + 1;
    }
    return std::nullopt;
}

void UseLocationMacro(std::string& glsl, const InterfaceVariable& variable, const SourcePosition& at)
{
    const auto line = DeclarationLine(glsl, variable.glslName);
    constexpr std::string_view kLocation = "location = ";
    const std::size_t location = line ? glsl.find(kLocation, line->first) : std::string::npos;
    if (!line || location == std::string::npos || location > line->second)
        Refuse(at, "the stage input or output " + Quoted(SemanticText(variable.reflected))
                       + " is not supported by this compiler: a structure with one semantic for all its members "
                         "is not; give each member a semantic of its own");
    const std::size_t digits = location + kLocation.size();
    std::size_t end = digits;
    while (end < glsl.size() && std::isdigit(static_cast<unsigned char>(glsl[end])))
        ++end;
    glsl.replace(digits, end - digits, variable.reflected.locationMacro);
}

} // namespace

void LowerFlattenedBlocks(std::string& glsl, const std::vector<std::pair<std::string, std::uint32_t>>& flattened,
                          const SourcePosition& at)
{
    constexpr std::string_view kUniform = "uniform ";
    for (const auto& [name, binding] : flattened) {
        bool wrapped = false;
        for (const char* type : {"vec4", "ivec4", "uvec4"}) {
            const std::string declaration = std::string(kUniform) + type + " " + name + "[";
            const std::size_t start = glsl.find(declaration);
            if (start == std::string::npos || (start > 0 && glsl[start - 1] != '\n'))
                continue;
            const std::size_t end = glsl.find(';', start);
            if (end == std::string::npos)
                break;
            const std::string member = glsl.substr(start + kUniform.size(), end - start - kUniform.size());
            glsl.replace(start, end + 1 - start,
                         "layout(binding = " + std::to_string(binding) + ", std140) uniform " + name
                             + "_block\n{\n    " + member + ";\n};");
            wrapped = true;
            break;
        }
        if (!wrapped)
            Refuse(at, "internal error: constant buffer " + Quoted(name) + " is missing from the generated GLSL");
    }
}

void LowerLocationMacros(std::string& glsl, const std::vector<InterfaceVariable>& inputs,
                         const std::vector<InterfaceVariable>& outputs, const SourcePosition& at)
{
    std::string defaults;
    for (const std::vector<InterfaceVariable>* list : {&inputs, &outputs})
        for (const InterfaceVariable& variable : *list) {
            if (variable.reflected.locationMacro.empty())
                continue;
            UseLocationMacro(glsl, variable, at);
            const std::string& macro = variable.reflected.locationMacro;
            defaults += "#ifndef " + macro + "\n#define " + macro + " "
                        + std::to_string(variable.reflected.location) + "\n#endif\n";
        }
    glsl = InsertDefines(glsl, defaults);
}

void LowerDepthOutput(std::string& glsl)
{
    constexpr std::string_view kDepth = "gl_FragDepth ";
    constexpr std::string_view kRule = " gl_FragDepth = fxsc_viewport_depth(gl_FragDepth);";
    bool written = false;
    for (std::size_t start = 0; start < glsl.size();) {
        std::size_t end = glsl.find('\n', start);
        if (end == std::string::npos)
            end = glsl.size();
        const std::size_t first = glsl.find_first_not_of(' ', start);
        // "gl_FragDepth = x;", "gl_FragDepth += x;" and the like, one a line.
        const std::size_t operation = first + kDepth.size();
        const std::size_t assign = glsl.find("= ", operation);
        if (first < end && glsl.compare(first, kDepth.size(), kDepth) == 0 && assign < end
            && assign <= operation + 1 && glsl[assign - 1] != '=' && glsl[end - 1] == ';') {
            glsl.insert(end, kRule);
            end += kRule.size();
            written = true;
        }
        start = end + 1;
    }
    if (!written)
        return;
    const std::size_t main = glsl.find("\nvoid main()");
    if (main == std::string::npos)
        return;
    glsl.insert(main + 1, "float fxsc_viewport_depth(float depth)\n"
                          "{\n"
                          "    if ((floatBitsToUint(depth) & 0x7FFFFFFFu) > 0x7F800000u)\n"
                          "        return min(gl_DepthRange.near, gl_DepthRange.far);\n"
                          "    return min(max(depth, min(gl_DepthRange.near, gl_DepthRange.far)),\n"
                          "               max(gl_DepthRange.near, gl_DepthRange.far));\n"
                          "}\n\n");
}

void LowerPointPlacement(std::string& glsl)
{
    // SPIRV-Cross writes the output primitive as "layout(max_vertices = N, points) out;".
    const std::size_t layout = glsl.find(", points) out;\n");
    const std::size_t main = glsl.find("\nvoid main()");
    if (layout == std::string::npos || main == std::string::npos)
        return;
    for (const std::string_view emit : {"EmitVertex();", "EmitStreamVertex("})
        for (std::size_t at = glsl.find(emit, main); at != std::string::npos; at = glsl.find(emit, at + 1)) {
            constexpr std::string_view kPlace = "fxsc_place_point(); ";
            glsl.insert(at, kPlace);
            at += kPlace.size();
        }
    // The window position as Direct3D computes it from the viewport, snapped
    // to 1/256 of a pixel (to nearest, ties to even); the square around it
    // covers the pixel whose centre lies in [p - 0.5, p + 0.5) on each axis,
    // which is ceil(p) - 1. Its centre is half a pixel from every edge of the
    // square GL draws there. A point behind the eye is left to the clipper.
    glsl.insert(main + 1,
                "layout(location = " + std::to_string(kViewportLocation) + ") uniform vec4 "
                    + kViewportUniform + ";\n\n"
                    "void fxsc_place_point()\n"
                    "{\n"
                    "    if (!(gl_Position.w > 0.0))\n"
                    "        return;\n"
                    "    vec4 viewport = " + kViewportUniform + ";\n"
                    "    vec2 ndc = gl_Position.xy / gl_Position.w;\n"
                    "    vec2 window = viewport.xy + vec2(ndc.x + 1.0, 1.0 - ndc.y) * 0.5 * viewport.zw;\n"
                    "    vec2 centre = ceil(roundEven(window * 256.0) / 256.0) - 0.5;\n"
                    "    vec2 placed = (centre - viewport.xy) / viewport.zw * 2.0;\n"
                    "    gl_Position.xy = vec2(placed.x - 1.0, 1.0 - placed.y) * gl_Position.w;\n"
                    "}\n\n");
}

void LowerHalfPacking(std::string& glsl)
{
    constexpr std::string_view kPack = "packHalf2x16(";
    bool used = false;
    for (std::size_t at = glsl.find(kPack); at != std::string::npos; at = glsl.find(kPack, at + 1)) {
        // Not unpackHalf2x16, whose conversion to float32 is exact.
        if (at > 0 && (std::isalnum(static_cast<unsigned char>(glsl[at - 1])) || glsl[at - 1] == '_'))
            continue;
        glsl.replace(at, kPack.size(), "fxsc_pack_half2x16(");
        used = true;
    }
    if (!used)
        return;
    glsl = InsertDefines(glsl, "uint fxsc_half(float value)\n"
                               "{\n"
                               "    uint bits = floatBitsToUint(value);\n"
                               "    uint sign = (bits >> 16) & 0x8000u;\n"
                               "    uint magnitude = bits & 0x7FFFFFFFu;\n"
                               "    if (magnitude > 0x7F800000u)\n"
                               "        return sign | 0x7E00u | ((magnitude >> 13) & 0x3FFu);\n" // NaN stays NaN
                               "    if (magnitude == 0x7F800000u)\n"
                               "        return sign | 0x7C00u;\n"
                               "    if (magnitude >= 0x47800000u)\n" // 2^16 and above: the largest half
                               "        return sign | 0x7BFFu;\n"
                               "    if (magnitude >= 0x38800000u)\n" // 2^-14 and above: a normal half
                               "        return sign | ((magnitude - 0x38000000u) >> 13);\n"
                               "    uint shift = 126u - (magnitude >> 23);\n" // a denormal half, or zero
                               "    return shift > 24u ? sign : sign | (((magnitude & 0x7FFFFFu) | 0x800000u) >> shift);\n"
                               "}\n"
                               "uint fxsc_pack_half2x16(vec2 value)\n"
                               "{\n"
                               "    return fxsc_half(value.x) | (fxsc_half(value.y) << 16);\n"
                               "}\n");
}

} // namespace hlsl
