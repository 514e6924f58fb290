// Size queries of textures on empty slots.

#include "platform/hlsl/glsl.h"

#include <cctype>

namespace hlsl {

namespace {

bool IdentifierCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The index of the bracket or parenthesis that closes the one at `open`, or
// npos.
std::size_t Closing(const std::string& glsl, std::size_t open)
{
    int depth = 0;
    for (std::size_t i = open; i < glsl.size(); ++i) {
        if (glsl[i] == '(' || glsl[i] == '[')
            ++depth;
        else if ((glsl[i] == ')' || glsl[i] == ']') && --depth == 0)
            return i;
    }
    return std::string::npos;
}

// Wraps every call of `function` on one of the stage's combined samplers in
// fxsc_sized(call, bit); returns whether any was.
bool WrapQueries(std::string& glsl, std::string_view function, const ShaderContainer& container,
                 const SourcePosition& at)
{
    bool wrapped = false;
    const std::string call = std::string(function) + "(";
    for (std::size_t start = glsl.find(call); start != std::string::npos; start = glsl.find(call, start + 1)) {
        if (start > 0 && IdentifierCharacter(glsl[start - 1]))
            continue;
        const std::size_t open = start + function.size();
        std::size_t nameEnd = open + 1;
        while (nameEnd < glsl.size() && IdentifierCharacter(glsl[nameEnd]))
            ++nameEnd;
        const std::string name = glsl.substr(open + 1, nameEnd - open - 1);
        const CombinedSampler* sampler = nullptr;
        for (const CombinedSampler& candidate : container.samplers)
            if (CombinedSamplerName(container.stage, candidate) == name)
                sampler = &candidate;
        const std::size_t close = Closing(glsl, open);
        if (!sampler || close == std::string::npos)
            Refuse(at, "internal error: a texture size query on " + Quoted(name) + " names no texture unit");
        // An element of an array of textures takes the units after the first.
        std::string bit = std::to_string(sampler->textureUnit - TextureUnit(container.stage, 0)) + "u";
        if (glsl[nameEnd] == '[') {
            const std::size_t indexEnd = Closing(glsl, nameEnd);
            if (indexEnd == std::string::npos || indexEnd > close)
                Refuse(at, "internal error: a texture size query on " + Quoted(name) + " has no whole index");
            bit = "(" + bit + " + uint(" + glsl.substr(nameEnd + 1, indexEnd - nameEnd - 1) + "))";
        }
        glsl.insert(close + 1, ", " + bit + ")");
        glsl.insert(start, "fxsc_sized(");
        start += std::string_view("fxsc_sized(").size();
        wrapped = true;
    }
    return wrapped;
}

} // namespace

void LowerEmptyTextureSizes(std::string& glsl, const ShaderContainer& container, const SourcePosition& at)
{
    const bool sizes = WrapQueries(glsl, "textureSize", container, at);
    const bool levels = WrapQueries(glsl, "textureQueryLevels", container, at);
    if (!sizes && !levels)
        return;
    const std::string mask = EmptyTexturesUniformName(container.stage);
    std::string functions = "layout(location = " + std::to_string(EmptyTexturesLocation(container.stage))
                            + ") uniform uint " + mask + ";\n";
    for (const char* type : {"int", "ivec2", "ivec3"})
        functions += std::string(type) + " fxsc_sized(" + type + " size, uint unit)\n{\n    return (" + mask
                     + " & (1u << unit)) != 0u ? " + type + "(0) : size;\n}\n";
    glsl = InsertDefines(glsl, functions);
}

} // namespace hlsl
