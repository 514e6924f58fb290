// What a stage hands the rasterizer per vertex, read off its GLSL, and the
// GLSL that holds, writes and blends such vertices (see glsl.h).

#include "platform/hlsl/glsl.h"

#include <algorithm>
#include <string_view>

namespace hlsl {

namespace {

bool Interpolated(const VertexValue& value)
{
    return value.type.starts_with("vec") || value.type.starts_with("mat") || value.type == "float";
}

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// "TYPE NAME;" or "TYPE NAME[N];", qualifiers before TYPE left out.
std::optional<VertexValue> ReadDeclaration(std::string_view declaration)
{
    declaration = Trimmed(declaration);
    if (!declaration.ends_with(';'))
        return std::nullopt;
    declaration.remove_suffix(1);
    VertexValue value;
    if (declaration.ends_with(']')) {
        const std::size_t open = declaration.rfind('[');
        if (open == std::string_view::npos)
            return std::nullopt;
        value.arraySize = std::string(declaration.substr(open + 1, declaration.size() - open - 2));
        declaration = declaration.substr(0, open);
        if (value.arraySize.empty() || declaration.ends_with(']'))
            return std::nullopt;
    }
    const std::size_t space = declaration.rfind(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    value.name = std::string(declaration.substr(space + 1));
    const std::string_view head = declaration.substr(0, space);
    const std::size_t typeStart = head.rfind(' ');
    value.type = std::string(typeStart == std::string_view::npos ? head : head.substr(typeStart + 1));
    return value;
}

} // namespace

int VertexValueComponents(const VertexValue& value)
{
    const std::string_view type = value.type;
    int count = 0;
    if (type == "float" || type == "int" || type == "uint")
        count = 1;
    else if (type.size() == 4 && type.starts_with("vec"))
        count = type[3] - '0';
    else if (type.size() == 5 && (type.starts_with("ivec") || type.starts_with("uvec")))
        count = type[4] - '0';
    else if (type.size() == 4 && type.starts_with("mat"))
        count = (type[3] - '0') * (type[3] - '0');
    else if (type.size() == 6 && type.starts_with("mat") && type[4] == 'x')
        count = (type[3] - '0') * (type[5] - '0');
    if (count < 1 || count > 16)
        return 0;
    if (value.arraySize.empty())
        return count;
    if (value.arraySize.size() > 3 || value.arraySize.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return count * std::stoi(value.arraySize);
}

// Lines under kGeometryFollowsMacro are left out: a stage with no geometry
// stage after it is compiled without the macro.
std::optional<std::vector<VertexValue>> ReadVertexValues(const std::string& glsl)
{
    std::vector<VertexValue> values;
    bool inBlock = false;
    int skippedDepth = 0;
    for (std::size_t start = 0; start < glsl.size();) {
        std::size_t end = glsl.find('\n', start);
        if (end == std::string::npos)
            end = glsl.size();
        const std::string_view line = Trimmed(std::string_view(glsl).substr(start, end - start));
        start = end + 1;
        if (line.starts_with("#if")) {
            if (skippedDepth > 0 || line == std::string("#ifdef ") + kGeometryFollowsMacro)
                ++skippedDepth;
            continue;
        }
        if (line.starts_with("#endif") && skippedDepth > 0) {
            --skippedDepth;
            continue;
        }
        if (skippedDepth > 0 || line.starts_with("#"))
            continue;
        if (line == "out gl_PerVertex") {
            inBlock = true;
            continue;
        }
        if (inBlock) {
            if (line.starts_with("}"))
                inBlock = false;
            else if (line != "{") {
                const std::optional<VertexValue> member = ReadDeclaration(line);
                if (!member)
                    return std::nullopt;
                values.push_back(*member);
            }
            continue;
        }
        const std::size_t out = line.find(" out ");
        if (line.starts_with("layout(location = ") && out != std::string_view::npos) {
            std::optional<VertexValue> output = ReadDeclaration(line.substr(out + 5));
            if (!output)
                return std::nullopt;
            const std::size_t layoutEnd = line.find(')');
            if (layoutEnd + 1 < out)
                output->qualifiers = std::string(Trimmed(line.substr(layoutEnd + 1, out - layoutEnd - 1))) + " ";
            values.push_back(*output);
        }
    }
    for (const char* builtIn : {"gl_PrimitiveID", "gl_Layer", "gl_ViewportIndex"}) {
        const std::string written = std::string(builtIn) + " = ";
        if (glsl.find(written) != std::string::npos)
            values.push_back({"int", builtIn, "", ""});
    }
    const bool position = std::any_of(values.begin(), values.end(),
                                      [](const VertexValue& value) { return value.name == "gl_Position"; });
    if (!position)
        return std::nullopt;
    return values;
}

std::string VertexFunctions(const std::vector<VertexValue>& values)
{
    std::string members, read, write, mix;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const VertexValue& value = values[i];
        const std::string member = "v" + std::to_string(i);
        const std::string size = value.arraySize.empty() ? "" : "[" + value.arraySize + "]";
        members += "    " + value.type + " " + member + size + ";\n";
        read += "    v." + member + " = " + value.name + ";\n";
        write += "    " + value.name + " = v." + member + ";\n";
        if (!Interpolated(value))
            continue;
        // The pixel stage may read it flat or without perspective; the
        // layer says which by FillRuleInputDefines' macros.
        const std::string suffix = value.name.starts_with("fxsc_out_") ? value.name.substr(9) : std::string();
        const auto mixed = [&](const std::string& weight) {
            // From the leading vertex, so a value the same at all three stays exact.
            const auto element = [&](const std::string& index) {
                const std::string a = "a." + member + index, b = "b." + member + index, c = "c." + member + index;
                return "v." + member + index + " = " + a + " + (" + b + " - " + a + ") * " + weight + ".y + (" + c
                       + " - " + a + ") * " + weight + ".z;\n";
            };
            if (value.arraySize.empty())
                return "    " + element("");
            return "    for (int i = 0; i < " + value.arraySize + "; ++i)\n        " + element("[i]");
        };
        if (suffix.empty()) {
            mix += mixed("weight");
            continue;
        }
        mix += "#if defined(FXSC_LINEAR_" + suffix + ")\n" + mixed("linear") + "#elif !defined(FXSC_FLAT_" + suffix
               + ")\n" + mixed("weight") + "#endif\n";
    }
    return "struct fxsc_Vertex\n{\n" + members + "};\n\n"
           "fxsc_Vertex fxsc_read_vertex()\n{\n    fxsc_Vertex v;\n" + read + "    return v;\n}\n\n"
           "void fxsc_write_vertex(fxsc_Vertex v)\n{\n" + write + "}\n\n"
           "// The vertex on the triangle's plane with the given weights, with\n"
           "// perspective and without; what is read flat is the leading vertex's.\n"
           "fxsc_Vertex fxsc_mix_vertices(fxsc_Vertex a, fxsc_Vertex b, fxsc_Vertex c, vec3 weight, vec3 linear)\n{\n"
           "    fxsc_Vertex v = a;\n" + mix + "    return v;\n}\n\n";
}

std::string FillRuleGeometry(const ShaderContainer& vertex)
{
    const std::optional<std::vector<VertexValue>> values = ReadVertexValues(vertex.glsl);
    if (!values)
        return {};
    std::string geometry = "#version 450\nlayout(triangles) in;\nlayout(max_vertices = 3, triangle_strip) out;\n";
    // The vertex stage's location defaults, which its outputs and these
    // inputs share.
    for (const StageVariable& output : vertex.outputs)
        if (!output.locationMacro.empty())
            geometry += "#ifndef " + output.locationMacro + "\n#define " + output.locationMacro + " "
                        + std::to_string(output.location) + "\n#endif\n";
    std::string block, copies;
    for (const VertexValue& value : *values) {
        const std::string size = value.arraySize.empty() ? "" : "[" + value.arraySize + "]";
        if (value.name.starts_with("gl_")) {
            block += "    " + value.type + " " + value.name + size + ";\n";
            copies += "        " + value.name + " = gl_in[i]." + value.name + ";\n";
            continue;
        }
        const auto output = std::find_if(vertex.outputs.begin(), vertex.outputs.end(), [&](const StageVariable& v) {
            return !v.locationMacro.empty() && value.name == "fxsc_out_" + SemanticIdentifier(v.semantic)
                                                                 + std::to_string(v.semanticIndex);
        });
        if (output == vertex.outputs.end())
            return {};
        const std::string location = "layout(location = " + output->locationMacro + ") ";
        // The vertex stage's interpolation qualifiers on both sides, as the
        // pixel stage met them before.
        geometry += location + value.qualifiers + "in " + value.type + " fxsc_vertex_" + value.name + "[]" + size + ";\n";
        geometry += location + value.qualifiers + "out " + value.type + " " + value.name + size + ";\n";
        copies += "        " + value.name + " = fxsc_vertex_" + value.name + "[i];\n";
    }
    geometry += "in gl_PerVertex\n{\n" + block + "} gl_in[];\nout gl_PerVertex\n{\n" + block + "};\n\n"
                "void main()\n{\n    for (int i = 0; i < 3; ++i) {\n" + copies
                + "        gl_PrimitiveID = gl_PrimitiveIDIn;\n        EmitVertex();\n    }\n    EndPrimitive();\n}\n";
    LowerFillRule(geometry);
    return HasFillRule(geometry) ? geometry : std::string();
}

} // namespace hlsl
