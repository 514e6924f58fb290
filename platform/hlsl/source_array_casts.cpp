// Casts to an array type, `(uint[4])v`, as HLSL reads them: the operand is
// taken apart into its scalars in order (a matrix row by row), the first ones
// fill the array's scalars, each converted to its type, and a scalar fills
// them all. glslang takes such a cast only from an array of the same type.
// Each cast whose operand's type is known from the text becomes a call of a
// function written on the line where the enclosing declaration begins,
// which builds the array from its parameter; the cast's own tokens become
// spaces. A cast whose operand cannot be typed is left as written.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_initializers.h"

#include <algorithm>
#include <functional>

namespace hlsl {

namespace {

// The declaration of a parameter or variable of the shape.
std::string Declare(const Shape& shape, const std::string& name)
{
    std::string dimensions;
    const Shape* element = &shape;
    for (; element->kind == Shape::Array; element = element->element.get())
        dimensions += "[" + std::to_string(element->length) + "]";
    return element->name + " " + name + dimensions;
}

// A braced list of the target's scalars from `scalars`, in order, one
// constructor per scalar, vector or matrix.
std::string ListOf(const Shape& target, const std::vector<std::string>& scalars, std::size_t& next)
{
    std::string list;
    if (IsLeaf(target)) {
        list = target.name + "(";
        for (int k = 0; k < Count(target); ++k)
            list += (k ? ", " : "") + scalars[next++];
        return list + ")";
    }
    const int parts = target.kind == Shape::Struct ? static_cast<int>(target.members.size()) : target.length;
    for (int k = 0; k < parts; ++k)
        list += (k ? ", " : "{ ")
                + ListOf(target.kind == Shape::Struct ? *target.members[k].shape : *target.element, scalars, next);
    return list + " }";
}

struct Edit {
    std::size_t offset;
    std::string text;
    std::size_t blankTo = 0; // or the bytes [offset, blankTo) become spaces
};

} // namespace

std::string LowerArrayCasts(std::string_view text, const std::string& file, std::vector<Insertion>& insertions)
{
    if (text.find('[') == std::string_view::npos)
        return std::string(text);
    const TokenView tokens(text);
    std::unique_ptr<Types> types; // read at the first cast
    std::vector<Edit> edits;
    // Helper names differ between a file and the files it includes.
    const std::string prefix = "fxdemo_cast_" + std::to_string(std::hash<std::string>{}(file) % 100000) + "_";
    std::size_t declaration = 0; // the first token of the current top-level declaration
    int depth = 0;
    for (std::size_t i = 0; i + 5 < tokens.Size(); ++i) {
        if (tokens.Is(i, '{') || tokens.Is(i, '(') || tokens.Is(i, '['))
            ++depth;
        else if (tokens.Is(i, '}') || tokens.Is(i, ')') || tokens.Is(i, ']'))
            --depth;
        if (depth == 0 && (tokens.Is(i, ';') || tokens.Is(i, '}')))
            declaration = i + 1;
        // "(type[n]...)" right before an operand.
        if (!tokens.Is(i, '(') || !tokens.IsIdentifier(i + 1) || !tokens.Is(i + 2, '['))
            continue;
        // An array's element read in parentheses is the common case here.
        const std::size_t dimensionsEnd = text.find(')', tokens.Offset(i + 2));
        if (dimensionsEnd == std::string_view::npos
            || text.substr(tokens.Offset(i + 2), dimensionsEnd - tokens.Offset(i + 2)).find_first_not_of("[]0123456789 \t")
                   != std::string_view::npos)
            continue;
        if (!types)
            types = std::make_unique<Types>(tokens);
        const ShapePtr element = types->Named(tokens.Text(i + 1));
        std::size_t close = i + 2;
        const ShapePtr target = element ? types->WithDimensions(element, close) : nullptr;
        if (!target || !tokens.Is(close, ')'))
            continue;
        std::size_t end = close + 1;
        const ShapePtr source = TypeOfOperand(tokens, *types, end);
        if (!source || end <= close + 1 || tokens.Position(close + 1).line != tokens.Position(end - 1).line)
            continue;
        // The first scalars of the operand, or a scalar in every place.
        std::vector<std::string> scalars;
        ScalarPaths(*source, "x", scalars);
        if (source->kind == Shape::Scalar)
            scalars.assign(static_cast<std::size_t>(Count(*target)), "x");
        if (scalars.size() < static_cast<std::size_t>(Count(*target)))
            continue;
        const TextPosition at = tokens.Position(i);
        const std::string name = prefix + std::to_string(at.line) + "_" + std::to_string(at.column);
        std::size_t next = 0;
        std::string list = ListOf(*target, scalars, next);
        if (IsLeaf(*target) || list.front() != '{')
            continue;
        edits.push_back({tokens.Offset(declaration),
                         "typedef " + Declare(*target, name + "_t") + "; " + name + "_t " + name + "("
                             + Declare(*source, "x") + ") { " + name + "_t r = " + list + "; return r; } "});
        edits.push_back({tokens.Offset(i), {}, tokens.Token(close).end});
        edits.push_back({tokens.Offset(close + 1), name + "("});
        edits.push_back({tokens.Token(end - 1).end, ")"});
    }
    if (edits.empty())
        return std::string(text);
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.offset < b.offset; });
    std::string out;
    out.reserve(text.size() + edits.size() * 64);
    std::size_t copied = 0;
    InsertionLog log(insertions);
    for (const Edit& edit : edits) {
        out.append(text.substr(copied, edit.offset - copied));
        copied = edit.offset;
        if (edit.blankTo) {
            for (; copied < edit.blankTo; ++copied)
                out += text[copied] == '\n' || text[copied] == '\r' ? text[copied] : ' ';
            continue;
        }
        const TextPosition at = tokens.PositionOf(edit.offset);
        log.Add(at.line, at.column, static_cast<int>(edit.text.size()));
        out += edit.text;
    }
    out.append(text.substr(copied));
    return out;
}

} // namespace hlsl
