// Clip and cull distances between stages: only the last stage before the
// rasterizer clips, and a geometry stage may read the distances the vertex
// stage wrote as data.

#include "platform/hlsl/glsl.h"

#include <algorithm>
#include <map>

namespace hlsl {

namespace {

std::string FloatType(std::uint32_t components)
{
    return components == 1 ? "float" : "vec" + std::to_string(components);
}

// Inserts `text` before the closing brace of main.
void EndOfMain(std::string& glsl, const std::string& text)
{
    const std::size_t main = glsl.find("\nvoid main()\n{\n");
    const std::size_t end = main == std::string::npos ? main : glsl.find("\n}\n", main);
    if (end != std::string::npos)
        glsl.insert(end + 1, text);
}

} // namespace

void LowerVertexClipDistances(std::string& glsl, const std::vector<DistanceOutput>& distances,
                              std::vector<StageVariable>& outputs)
{
    const std::string follows = kGeometryFollowsMacro;
    std::string plain;
    std::map<bool, std::uint32_t> sizes;
    for (const std::string name : {"gl_ClipDistance", "gl_CullDistance"}) {
        // The member of the gl_PerVertex block SPIRV-Cross declares:
        // "    float gl_ClipDistance[2];".
        const std::string member = "    float " + name + "[";
        const std::size_t start = glsl.find("\n" + member);
        if (start == std::string::npos)
            continue;
        const std::size_t end = glsl.find('\n', start + 1);
        if (end == std::string::npos)
            continue;
        const std::string size = glsl.substr(start + 1 + member.size(), end - start - 1 - member.size());
        sizes[name == "gl_CullDistance"] = static_cast<std::uint32_t>(std::stoul("0" + size.substr(0, size.find(']'))));
        glsl.insert(end + 1, "#endif\n");
        glsl.insert(start + 1, "#ifndef " + follows + "\n");
        plain += "float fxsc_plain_" + name.substr(3) + "[" + size.substr(0, size.find(']')) + "];\n#define " + name
                 + " fxsc_plain_" + name.substr(3) + "\n";
    }
    if (plain.empty())
        return;
    // One plain output per semantic, after every other output's locations.
    std::uint32_t location = 0;
    for (const StageVariable& output : outputs)
        if (!output.systemValue && output.location != kNoLocation)
            location = std::max(location, output.location + std::max(output.locationCount, 1u));
    std::string copies;
    for (const DistanceOutput& distance : distances) {
        const auto size = sizes.find(distance.cull);
        if (size == sizes.end() || distance.offset + distance.componentCount > size->second)
            continue;
        StageVariable v;
        v.semantic = distance.cull ? "SV_CULLDISTANCE" : "SV_CLIPDISTANCE";
        v.semanticIndex = distance.semanticIndex;
        v.componentCount = distance.componentCount;
        v.location = location++;
        v.locationMacro = LocationMacro(false, v.semantic, v.semanticIndex);
        const std::string name = "fxsc_out_" + SemanticIdentifier(v.semantic) + std::to_string(v.semanticIndex);
        plain += "#ifndef " + v.locationMacro + "\n#define " + v.locationMacro + " " + std::to_string(v.location)
                 + "\n#endif\nlayout(location = " + v.locationMacro + ") out " + FloatType(v.componentCount) + " "
                 + name + ";\n";
        std::string components;
        for (std::uint32_t c = 0; c < v.componentCount; ++c)
            components += (c ? ", " : "") + std::string(distance.cull ? "fxsc_plain_CullDistance[" : "fxsc_plain_ClipDistance[")
                          + std::to_string(distance.offset + c) + "]";
        copies += "    " + name + " = " + FloatType(v.componentCount) + "(" + components + ");\n";
        outputs.push_back(std::move(v));
    }
    if (!copies.empty())
        EndOfMain(glsl, "#ifdef " + follows + "\n" + copies + "#endif\n");
    // After the block, so that the block's own member is not renamed.
    const std::size_t main = glsl.find("\nvoid main()");
    if (main != std::string::npos)
        glsl.insert(main + 1, "#ifdef " + follows + "\n" + plain + "#endif\n\n");
}

void LowerGeometryDistanceOutputs(std::string& glsl, std::vector<StageVariable>& outputs, const SourcePosition& at)
{
    std::map<bool, std::vector<StageVariable>> renamed;
    std::vector<StageVariable> kept;
    for (const StageVariable& output : outputs) {
        const bool clip = output.semantic == kClipInputSemantic, cull = output.semantic == kCullInputSemantic;
        if (!output.systemValue && (clip || cull))
            renamed[cull].push_back(output);
        else
            kept.push_back(output);
    }
    if (renamed.empty())
        return;
    std::string copies;
    for (auto& [cull, list] : renamed) {
        const std::string builtIn = cull ? "SV_CULLDISTANCE" : "SV_CLIPDISTANCE";
        const std::string array = cull ? "gl_CullDistance" : "gl_ClipDistance";
        if (std::any_of(kept.begin(), kept.end(), [&](const StageVariable& v) { return v.semantic == builtIn; }))
            Refuse(at, "the geometry shader's stream writes " + builtIn + " both through the structure it reads "
                           "as input and through another; this compiler supports one of the two");
        std::sort(list.begin(), list.end(),
                  [](const StageVariable& a, const StageVariable& b) { return a.semanticIndex < b.semanticIndex; });
        std::uint32_t element = 0;
        for (const StageVariable& v : list) {
            const std::string name = "fxsc_out_" + SemanticIdentifier(v.semantic) + std::to_string(v.semanticIndex);
            // "layout(location = MACRO) out float name;" becomes "float name;".
            const std::string declaration = "layout(location = " + v.locationMacro + ") out ";
            const std::size_t start = glsl.find(declaration);
            if (start == std::string::npos)
                Refuse(at, "internal error: no declaration of " + name + " in the GLSL");
            glsl.erase(start, declaration.size());
            const std::uint32_t elements = std::max(v.locationCount, 1u);
            for (std::uint32_t e = 0; e < elements; ++e)
                for (std::uint32_t c = 0; c < v.componentCount; ++c)
                    copies += array + "[" + std::to_string(element++) + "] = " + name
                              + (elements > 1 ? "[" + std::to_string(e) + "]" : "")
                              + (v.componentCount > 1 ? "[" + std::to_string(c) + "]" : "") + "; ";
        }
        const std::string member = "float " + array + "[" + std::to_string(element) + "];\n";
        const std::size_t block = glsl.find("out gl_PerVertex\n{\n");
        if (block != std::string::npos)
            glsl.insert(block + 19, "    " + member);
        else
            glsl.insert(glsl.find("\nvoid main()") + 1, "out " + member + "\n");
        StageVariable v;
        v.semantic = builtIn;
        v.componentCount = 1;
        v.locationCount = element;
        v.systemValue = true;
        kept.push_back(std::move(v));
    }
    for (std::size_t emit = glsl.find("EmitVertex();"); emit != std::string::npos;
         emit = glsl.find("EmitVertex();", emit + copies.size() + 1))
        glsl.insert(emit, copies);
    outputs = std::move(kept);
}

} // namespace hlsl
