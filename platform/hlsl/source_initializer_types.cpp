// The types LowerInitializerLists reads from the text: declared structures,
// variables and functions, and the type of a value built from them.

#include "platform/hlsl/source_initializers.h"

#include <algorithm>
#include <regex>
#include <set>

namespace hlsl {

namespace {

ShapePtr MakeShape(Shape::Kind kind, int rows, int columns, std::string name = {})
{
    auto shape = std::make_shared<Shape>();
    shape->kind = kind;
    shape->rows = rows;
    shape->columns = columns;
    shape->name = std::move(name);
    return shape;
}

ShapePtr BuiltInShape(std::string_view name)
{
    static const std::regex kType("(bool|int|uint|dword|half|float|double|min16float|min10float|min16int|min12int|"
                                  "min16uint)(([1-4])(x([1-4]))?)?");
    static const std::string_view kBases[] = {"bool", "int", "uint", "dword", "half", "float", "double", "min1"};
    if (std::none_of(std::begin(kBases), std::end(kBases), [&](std::string_view base) { return name.starts_with(base); }))
        return nullptr;
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(name.begin(), name.end(), match, kType))
        return nullptr;
    if (!match[2].matched || (match[3].str() == "1" && !match[4].matched))
        return MakeShape(Shape::Scalar, 1, 1, std::string(name));
    if (!match[4].matched)
        return MakeShape(Shape::Vector, 1, std::stoi(match[3].str()), std::string(name));
    return MakeShape(Shape::Matrix, std::stoi(match[3].str()), std::stoi(match[5].str()), std::string(name));
}

// The scalar type of a scalar, vector or matrix type name.
std::string BaseOf(std::string_view name)
{
    const std::size_t digit = name.find_first_of("1234", name.starts_with("min1") ? 5 : 0);
    return std::string(name.substr(0, digit));
}

ShapePtr LeafShape(const std::string& base, int rows, int columns, bool matrix)
{
    if (matrix)
        return MakeShape(Shape::Matrix, rows, columns, base + std::to_string(rows) + "x" + std::to_string(columns));
    if (columns == 1)
        return MakeShape(Shape::Scalar, 1, 1, base);
    return MakeShape(Shape::Vector, 1, columns, base + std::to_string(columns));
}

// The shape of both operands of a component-wise operation, or null: the
// scalar type the operation is done in (bool, int, uint, float, double in
// rising rank), the dimensions of the smaller vector or of a non-scalar.
ShapePtr Combine(const ShapePtr& a, const ShapePtr& b)
{
    if (!a || !b || !IsLeaf(*a) || !IsLeaf(*b))
        return nullptr;
    static const std::vector<std::string_view> kRank = {"bool", "min12int", "min16int", "int", "min16uint", "uint",
                                                        "dword", "min10float", "min16float", "half", "float",
                                                        "double"};
    const auto rank = [](const std::string& base) {
        return std::find(kRank.begin(), kRank.end(), base) - kRank.begin();
    };
    const std::string baseA = BaseOf(a->name), baseB = BaseOf(b->name);
    const std::string base = rank(baseA) >= rank(baseB) ? baseA : baseB;
    const Shape* shape = nullptr;
    if (a->kind == Shape::Scalar)
        shape = b.get();
    else if (b->kind == Shape::Scalar)
        shape = a.get();
    else if (a->kind == Shape::Vector && b->kind == Shape::Vector)
        shape = a->columns <= b->columns ? a.get() : b.get(); // HLSL truncates the longer one
    else if (a->kind == Shape::Matrix && b->kind == Shape::Matrix && a->rows == b->rows && a->columns == b->columns)
        shape = a.get();
    if (!shape)
        return nullptr;
    return LeafShape(base, shape->rows, shape->columns, shape->kind == Shape::Matrix);
}

ShapePtr Find(const std::map<std::string_view, ShapePtr>& table, std::string_view name)
{
    const auto found = table.find(name);
    return found == table.end() ? nullptr : found->second;
}

// Two declarations of one name with different types make it unknown.
void Record(std::map<std::string_view, ShapePtr>& table, std::string_view name, const ShapePtr& shape)
{
    const auto [it, added] = table.emplace(name, shape);
    if (!added && it->second && (!shape || Count(*it->second) != Count(*shape) || it->second->kind != shape->kind))
        it->second = nullptr;
}

// Intrinsics whose result has the shape of their arguments together, and
// those whose result is one scalar.
const std::set<std::string_view> kComponentWise = {
    "abs", "acos", "asin", "atan", "atan2", "ceil", "clamp", "cos", "cosh", "degrees", "exp", "exp2", "floor",
    "fmod", "frac", "lerp", "log", "log10", "log2", "max", "min", "pow", "radians", "round", "rsqrt", "saturate",
    "sign", "sin", "sinh", "smoothstep", "sqrt", "step", "tan", "tanh", "trunc", "rcp", "normalize", "reflect",
    "asfloat", "asint", "asuint", "isnan", "isinf", "isfinite", "ddx", "ddy", "fwidth", "mad"};
const std::set<std::string_view> kScalarResult = {"dot", "length", "distance", "determinant", "any", "all"};

// A swizzle's or a matrix element selection's number of components.
int SwizzleSize(std::string_view name, const Shape& of)
{
    if (of.kind == Shape::Matrix) {
        static const std::regex kElements("(_m[0-3][0-3]){1,4}|(_[1-4][1-4]){1,4}");
        if (!std::regex_match(name.begin(), name.end(), kElements))
            return 0;
        return static_cast<int>(name.size() / (name[1] == 'm' ? 4 : 3));
    }
    if (name.size() > 4 || (name.find_first_not_of("xyzw") != std::string_view::npos
                            && name.find_first_not_of("rgba") != std::string_view::npos))
        return 0;
    return static_cast<int>(name.size());
}

// A recursive reading of one value: operands joined by binary operators,
// each a unary expression with its postfix chain.
class ValueReader {
public:
    ValueReader(const TokenView& tokens, const Types& types) : tokens_(tokens), types_(types) {}

    ShapePtr Value(std::size_t from, std::size_t to) const
    {
        ShapePtr shape;
        std::size_t at = from;
        for (bool first = true;; first = false) {
            const ShapePtr operand = Operand(at, to);
            if (!operand)
                return nullptr;
            shape = first ? operand : Combine(shape, operand);
            if (!shape || at == to)
                return shape;
            // One operator of one or two characters; an assignment is a side
            // effect.
            static const std::string_view kOperators = "+-*/%<>=!&|^?:";
            const std::size_t next = at + 1;
            const bool two = tokens_.Token(next).begin == tokens_.Token(at).end && next < to
                             && kOperators.find(tokens_.Text(next)) != std::string_view::npos;
            const std::string_view op = tokens_.Text(at);
            if (op.size() != 1 || kOperators.find(op) == std::string_view::npos || (op == "=" && !two))
                return nullptr;
            if (two && tokens_.Text(next) == "=" && op != "=" && op != "!" && op != "<" && op != ">")
                return nullptr;
            at = two ? at + 2 : at + 1;
        }
    }

    // The bracket that closes the one at `open`, before `to`, or 0.
    std::size_t Close(std::size_t open, std::size_t to) const
    {
        int depth = 0;
        for (std::size_t j = open; j < to; ++j) {
            if (tokens_.Is(j, '(') || tokens_.Is(j, '['))
                ++depth;
            else if ((tokens_.Is(j, ')') || tokens_.Is(j, ']')) && --depth == 0)
                return j;
        }
        return 0;
    }

    // The arguments of a call whose '(' is at `open` and ')' at `close`.
    ShapePtr Arguments(std::size_t open, std::size_t close) const
    {
        ShapePtr shape;
        int depth = 0;
        std::size_t start = open + 1;
        for (std::size_t j = open + 1; j <= close; ++j) {
            if (tokens_.Is(j, '(') || tokens_.Is(j, '['))
                ++depth;
            else if ((tokens_.Is(j, ')') || tokens_.Is(j, ']')) && j != close)
                --depth;
            if (j == close || (depth == 0 && tokens_.Is(j, ','))) {
                const ShapePtr argument = Value(start, j);
                shape = start == open + 1 ? argument : Combine(shape, argument);
                if (!shape)
                    return nullptr;
                start = j + 1;
            }
        }
        return shape;
    }

    ShapePtr Operand(std::size_t& at, std::size_t to) const
    {
        while (at < to && (tokens_.Is(at, '-') || tokens_.Is(at, '+') || tokens_.Is(at, '!') || tokens_.Is(at, '~')))
            ++at;
        if (at >= to)
            return nullptr;
        ShapePtr shape;
        const std::string_view word = tokens_.IsIdentifier(at) ? tokens_.Text(at) : std::string_view{};
        if (tokens_.Is(at, '(')) {
            const std::size_t close = Close(at, to);
            if (close == 0)
                return nullptr;
            const ShapePtr cast = close == at + 2 ? types_.Named(tokens_.Text(at + 1)) : nullptr;
            const std::size_t start = at;
            at = close + 1;
            if (cast)
                return Operand(at, to) ? cast : nullptr;
            shape = Value(start + 1, close);
        } else if (tokens_.IsNumber(at)) {
            const std::string_view number = tokens_.Text(at);
            const bool hex = number.starts_with("0x") || number.starts_with("0X");
            shape = types_.Named(!hex && number.find_first_of(".eEfFhH") != std::string_view::npos ? "float"
                                 : number.find_first_of("uU") != std::string_view::npos       ? "uint"
                                                                                             : "int");
            ++at;
        } else if (word == "true" || word == "false") {
            shape = types_.Named("bool");
            ++at;
        } else if (!word.empty() && tokens_.Is(at + 1, '(')) {
            const std::size_t close = Close(at + 1, to);
            if (close == 0)
                return nullptr;
            if (ShapePtr constructed = types_.Named(word); constructed && IsLeaf(*constructed))
                shape = constructed;
            else if (kComponentWise.count(word))
                shape = Arguments(at + 1, close);
            else if (kScalarResult.count(word))
                shape = types_.Named("float");
            else
                shape = types_.Function(word);
            at = close + 1;
        } else if (!word.empty()) {
            shape = types_.Variable(word);
            ++at;
        }
        // The postfix chain.
        while (shape && at < to) {
            if (tokens_.Is(at, '.') && tokens_.IsIdentifier(at + 1)) {
                const std::string_view name = tokens_.Text(at + 1);
                ShapePtr next;
                if (shape->kind == Shape::Struct) {
                    for (const Member& member : shape->members)
                        if (member.name == name)
                            next = member.shape;
                } else if (IsLeaf(*shape)) {
                    const int size = SwizzleSize(name, *shape);
                    next = size > 0 ? LeafShape(BaseOf(shape->name), 1, size, false) : nullptr;
                }
                shape = next;
                at += 2;
            } else if (tokens_.Is(at, '[')) {
                const std::size_t close = Close(at, to);
                if (close == 0 || shape->kind == Shape::Scalar)
                    return nullptr;
                shape = shape->kind == Shape::Array    ? shape->element
                        : shape->kind == Shape::Matrix ? LeafShape(BaseOf(shape->name), 1, shape->columns, false)
                        : shape->kind == Shape::Vector ? LeafShape(BaseOf(shape->name), 1, 1, false)
                                                       : nullptr;
                at = close + 1;
            } else {
                break;
            }
        }
        return shape;
    }

private:
    const TokenView& tokens_;
    const Types& types_;
};

} // namespace

bool IsLeaf(const Shape& shape)
{
    return shape.kind == Shape::Scalar || shape.kind == Shape::Vector || shape.kind == Shape::Matrix;
}

int Count(const Shape& shape)
{
    if (shape.kind == Shape::Struct) {
        int count = 0;
        for (const Member& member : shape.members)
            count += Count(*member.shape);
        return count;
    }
    if (shape.kind == Shape::Array)
        return shape.length * Count(*shape.element);
    return shape.rows * shape.columns;
}

void ScalarPaths(const Shape& shape, const std::string& path, std::vector<std::string>& out)
{
    const auto index = [](int i) { return "[" + std::to_string(i) + "]"; };
    if (shape.kind == Shape::Scalar)
        out.push_back(path);
    else if (shape.kind == Shape::Vector)
        for (int c = 0; c < shape.columns; ++c)
            out.push_back(path + index(c));
    else if (shape.kind == Shape::Matrix)
        for (int r = 0; r < shape.rows; ++r)
            for (int c = 0; c < shape.columns; ++c)
                out.push_back(path + index(r) + index(c));
    else if (shape.kind == Shape::Struct)
        for (const Member& member : shape.members)
            ScalarPaths(*member.shape, path + "." + member.name, out);
    else
        for (int i = 0; i < shape.length; ++i)
            ScalarPaths(*shape.element, path + index(i), out);
}

Types::Types(const TokenView& tokens) : tokens_(tokens)
{
    for (std::size_t i = 0; i + 2 < tokens.Size(); ++i)
        if (tokens.Text(i) == "struct" && tokens.IsIdentifier(i + 1) && tokens.Is(i + 2, '{'))
            ReadStructure(i + 1);
    for (std::size_t i = 0; i + 1 < tokens.Size(); ++i) {
        const bool member = i > 0 && tokens.Is(i - 1, '.');
        const ShapePtr type = tokens.IsIdentifier(i) && !member ? Named(tokens.Text(i)) : nullptr;
        if (!type || !tokens.IsIdentifier(i + 1) || Named(tokens.Text(i + 1)))
            continue;
        std::size_t end = i + 2;
        if (tokens.Is(end, '('))
            Record(functions_, tokens.Text(i + 1), type);
        else
            Record(names_, tokens.Text(i + 1), WithDimensions(type, end));
    }
}

ShapePtr Types::Named(std::string_view name) const
{
    if (ShapePtr shape = BuiltInShape(name))
        return shape;
    return Find(structures_, name);
}

ShapePtr Types::Variable(std::string_view name) const
{
    return Find(names_, name);
}

ShapePtr Types::Function(std::string_view name) const
{
    return Find(functions_, name);
}

ShapePtr Types::WithDimensions(ShapePtr type, std::size_t& at) const
{
    std::vector<int> sizes;
    while (tokens_.Is(at, '[')) {
        if (!tokens_.IsNumber(at + 1) || !tokens_.Is(at + 2, ']'))
            return nullptr;
        sizes.push_back(std::atoi(std::string(tokens_.Text(at + 1)).c_str()));
        if (sizes.back() <= 0)
            return nullptr;
        at += 3;
    }
    for (auto size = sizes.rbegin(); size != sizes.rend(); ++size) {
        auto array = std::make_shared<Shape>();
        array->kind = Shape::Array;
        array->element = type;
        array->length = *size;
        type = array;
    }
    return type;
}

// struct Name { type name[n] : SEMANTIC, other; ... }: a structure with a
// method, or with a member whose type is not known, is left out.
void Types::ReadStructure(std::size_t nameAt)
{
    static const std::set<std::string_view> kModifiers = {"nointerpolation", "linear", "centroid", "noperspective",
                                                          "sample", "precise", "row_major", "column_major"};
    auto shape = std::make_shared<Shape>();
    shape->kind = Shape::Struct;
    std::size_t i = nameAt + 2;
    while (!tokens_.Is(i, '}')) {
        while (kModifiers.count(tokens_.Text(i)))
            ++i;
        const ShapePtr type = Named(tokens_.Text(i));
        if (!type)
            return;
        ++i;
        for (;;) {
            if (!tokens_.IsIdentifier(i))
                return;
            Member member{std::string(tokens_.Text(i)), nullptr};
            ++i;
            member.shape = WithDimensions(type, i);
            if (!member.shape)
                return;
            shape->members.push_back(std::move(member));
            if (tokens_.Is(i, ':') && tokens_.IsIdentifier(i + 1))
                i += 2;
            if (!tokens_.Is(i, ','))
                break;
            ++i;
        }
        if (!tokens_.Is(i, ';'))
            return;
        ++i;
    }
    shape->name = tokens_.Text(nameAt);
    if (!shape->members.empty())
        structures_[tokens_.Text(nameAt)] = shape;
}

ShapePtr TypeOfValue(const TokenView& tokens, const Types& types, std::size_t from, std::size_t to)
{
    return from < to ? ValueReader(tokens, types).Value(from, to) : nullptr;
}

ShapePtr TypeOfOperand(const TokenView& tokens, const Types& types, std::size_t& at)
{
    return ValueReader(tokens, types).Operand(at, tokens.Size());
}

} // namespace hlsl
