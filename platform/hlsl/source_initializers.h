#pragma once

// What LowerInitializerLists knows of types: the shape of a type as far as
// flattening needs it, the types the text declares, and the type of a value
// written in an initializer list, as far as the text tells it.

#include "platform/hlsl/source_tokens.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

struct Shape;
using ShapePtr = std::shared_ptr<const Shape>;

struct Member {
    std::string name;
    ShapePtr shape;
};

struct Shape {
    enum Kind { Scalar, Vector, Matrix, Struct, Array } kind = Scalar;
    std::string name;            // the type as HLSL writes it, but for an array's
    int rows = 1, columns = 1;   // a vector has `columns` components
    std::vector<Member> members; // a structure's
    ShapePtr element;            // an array's
    int length = 0;
};

// A scalar, vector or matrix: what one constructor makes.
bool IsLeaf(const Shape& shape);

// The scalars in a value of the shape.
int Count(const Shape& shape);

// How each scalar of a value of the shape is read, appended to `path`, in
// HLSL's order: "[r][c]" row by row for a matrix, ".member", "[i]".
void ScalarPaths(const Shape& shape, const std::string& path, std::vector<std::string>& out);

// The types the text declares: structures of plain members, and the names
// of variables, parameters and functions where every declaration of a name
// has one type.
class Types {
public:
    explicit Types(const TokenView& tokens);

    // A built-in scalar, vector or matrix type, or a structure.
    ShapePtr Named(std::string_view name) const;
    ShapePtr Variable(std::string_view name) const;
    ShapePtr Function(std::string_view name) const;

    // The type with the array sizes ("[2][3]") that start at token `at`;
    // `at` moves past them. Null where a size is not a literal.
    ShapePtr WithDimensions(ShapePtr type, std::size_t& at) const;

private:
    using Table = std::map<std::string_view, ShapePtr>;
    void ReadStructure(std::size_t nameAt);

    const TokenView& tokens_;
    Table structures_, names_, functions_;
};

// The type of the value written in tokens [from, to), or null where the text
// does not tell it (an unknown name or function, a side effect).
ShapePtr TypeOfValue(const TokenView& tokens, const Types& types, std::size_t from, std::size_t to);

// The type of the unary expression that starts at token `at` (prefix
// operators, casts, a primary expression and its postfix chain), or null;
// `at` moves past it.
ShapePtr TypeOfOperand(const TokenView& tokens, const Types& types, std::size_t& at);

} // namespace hlsl
