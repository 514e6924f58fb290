// Brace initializer lists as HLSL reads them: every value in the list, nested
// braces or not, is taken apart into its scalars, and those fill the declared
// variable's scalars in order (the members of a structure, the elements of an
// array, a matrix row by row), each converted to its type. glslang wants
// each brace level to match the type and each value its member. Where the
// type of every value in a list is known from the text, the list is written
// in that form: one constructor per scalar, vector or matrix of the target,
// braces per structure and array, and a value that spans two of them read
// component by component. The values stay where they were; what is added is
// recorded as insertions, and the braces of the list's own nesting become
// spaces. A list whose values cannot all be typed is left as written.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_initializers.h"

#include <algorithm>

namespace hlsl {

namespace {

// The target's braces and constructors in order.
struct Item {
    enum Kind { Open, Close, Leaf } kind;
    ShapePtr leaf;
};

void Layout(const Shape& shape, std::vector<Item>& items, bool outer)
{
    if (IsLeaf(shape)) {
        items.push_back({Item::Leaf, std::make_shared<Shape>(shape)});
        return;
    }
    // The list's own braces stand for the outermost level.
    if (!outer)
        items.push_back({Item::Open, nullptr});
    if (shape.kind == Shape::Struct)
        for (const Member& member : shape.members)
            Layout(*member.shape, items, false);
    else
        for (int i = 0; i < shape.length; ++i)
            Layout(*shape.element, items, false);
    if (!outer)
        items.push_back({Item::Close, nullptr});
}

struct Edit {
    std::size_t offset;
    std::string text; // inserted before the byte at `offset`
    bool blank = false; // or that byte becomes a space
};

// Pours the values of one list into the target's layout. Returns false, and
// adds nothing, where they do not fill it exactly.
bool RewriteList(const TokenView& tokens, const Types& types, std::size_t open, std::size_t close,
                 const Shape& target, std::vector<Edit>& edits)
{
    std::vector<Edit> added;
    // The values: runs of tokens between commas outside brackets, the
    // list's inner braces left out.
    struct Value {
        std::size_t from, to;
        ShapePtr shape;
    };
    std::vector<Value> values;
    int depth = 0;
    std::size_t start = open + 1;
    for (std::size_t j = open + 1; j <= close; ++j) {
        const bool brace = tokens.Is(j, '{') || (tokens.Is(j, '}') && j != close);
        if (tokens.Is(j, '(') || tokens.Is(j, '['))
            ++depth;
        else if (tokens.Is(j, ')') || tokens.Is(j, ']'))
            --depth;
        if (brace)
            added.push_back({tokens.Offset(j), {}, true});
        if (brace || j == close || (depth == 0 && tokens.Is(j, ','))) {
            if (start < j) {
                const ShapePtr shape = TypeOfValue(tokens, types, start, j);
                if (!shape || tokens.Position(start).line != tokens.Position(j - 1).line)
                    return false;
                values.push_back({start, j, shape});
            }
            start = j + 1;
        }
    }
    int total = 0;
    for (const Value& value : values)
        total += Count(*value.shape);
    if (values.empty() || total != Count(target))
        return false;

    std::vector<Item> items;
    Layout(target, items, true);
    std::size_t item = 0;
    int filled = -1;     // scalars in the open constructor; -1 for none
    bool comma = false;  // whether what comes next needs a comma first
    std::string* out = nullptr;
    // Opens the braces and the constructor the next scalar goes into.
    const auto begin = [&] {
        if (filled >= 0)
            return;
        for (; items[item].kind != Item::Leaf; ++item) {
            *out += comma ? ", {" : "{";
            comma = false;
        }
        *out += (comma ? ", " : "") + items[item].leaf->name + "(";
        comma = false;
        filled = 0;
    };
    // Counts scalars into it, and closes it and the braces after it when full.
    const auto place = [&](int count) {
        filled += count;
        comma = true;
        if (filled < Count(*items[item].leaf))
            return;
        *out += ")";
        for (++item; item < items.size() && items[item].kind == Item::Close; ++item)
            *out += "}";
        filled = -1;
    };
    for (const Value& value : values) {
        const int count = Count(*value.shape);
        std::string before, after;
        out = &before;
        comma = false; // the list's own comma is there
        begin();
        const Shape& leaf = *items[item].leaf;
        const bool whole = (value.shape->kind == Shape::Scalar || value.shape->kind == Shape::Vector)
                               ? filled + count <= Count(leaf)
                               : value.shape->kind == Shape::Matrix && filled == 0 && leaf.kind == Shape::Matrix
                                     && leaf.rows == value.shape->rows && leaf.columns == value.shape->columns;
        if (whole) {
            out = &after;
            place(count);
        } else {
            std::string text;
            for (std::size_t t = value.from; t < value.to; ++t)
                text += std::string(t > value.from ? " " : "") + std::string(tokens.Text(t));
            std::vector<std::string> paths;
            ScalarPaths(*value.shape, "", paths);
            before += "(";
            out = &after;
            for (std::size_t k = 0; k < paths.size(); ++k) {
                if (k > 0) {
                    begin();
                    *out += (comma ? ", (" : "(") + text;
                }
                *out += ")" + paths[k];
                place(1);
            }
        }
        if (!before.empty())
            added.push_back({tokens.Offset(value.from), before});
        if (!after.empty())
            added.push_back({tokens.Token(value.to - 1).end, after});
    }
    if (item != items.size())
        return false;
    // In the text's order; an insertion comes before the brace blanked at
    // its offset.
    std::stable_sort(added.begin(), added.end(), [](const Edit& a, const Edit& b) {
        return a.offset != b.offset ? a.offset < b.offset : (!a.blank && b.blank);
    });
    edits.insert(edits.end(), added.begin(), added.end());
    return true;
}

} // namespace

std::string LowerInitializerLists(std::string_view text, std::vector<Insertion>& insertions)
{
    if (text.find('{') == std::string_view::npos)
        return std::string(text);
    const TokenView tokens(text);
    std::unique_ptr<Types> types; // read once, at the first list
    std::vector<Edit> edits;
    for (std::size_t i = 3; i + 1 < tokens.Size(); ++i) {
        if (!tokens.Is(i, '=') || !tokens.Is(i + 1, '{'))
            continue;
        // "type name[2][3] = {": the dimensions, then the name and its type.
        std::size_t name = i - 1;
        while (name >= 3 && tokens.Is(name, ']') && tokens.Is(name - 2, '['))
            name -= 3;
        if (!tokens.IsIdentifier(name) || !tokens.IsIdentifier(name - 1))
            continue;
        std::size_t close = i + 1;
        for (int depth = 0; close < tokens.Size(); ++close)
            if (tokens.Is(close, '{'))
                ++depth;
            else if (tokens.Is(close, '}') && --depth == 0)
                break;
            else if (tokens.Is(close, ';'))
                break;
        if (!tokens.Is(close, '}'))
            continue;
        if (!types)
            types = std::make_unique<Types>(tokens);
        std::size_t dimensions = name + 1;
        const ShapePtr type = types->Named(tokens.Text(name - 1));
        const ShapePtr target = type ? types->WithDimensions(type, dimensions) : nullptr;
        if (target && dimensions == i)
            RewriteList(tokens, *types, i + 1, close, *target, edits);
        i = close;
    }
    if (edits.empty())
        return std::string(text);
    std::string out(text);
    // From the end, so that earlier offsets hold; the insertions are
    // recorded from the start, at their columns in the rewritten line.
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
        if (edit->blank)
            out[edit->offset] = ' ';
        else
            out.insert(edit->offset, edit->text);
    InsertionLog log(insertions);
    for (const Edit& edit : edits) {
        if (edit.blank)
            continue;
        const TextPosition at = tokens.PositionOf(edit.offset);
        log.Add(at.line, at.column, static_cast<int>(edit.text.size()));
    }
    return out;
}

} // namespace hlsl
