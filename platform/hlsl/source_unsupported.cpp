// HLSL that glslang's HLSL front end cannot take, told to the user in words
// of its own at the construct's line and column rather than as whatever
// glslang makes of it (or a crash).

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <map>
#include <regex>
#include <set>

namespace hlsl {

namespace {

bool IsBuiltInTypeName(std::string_view name)
{
    static const std::regex kType(
        "(bool|int|uint|dword|half|float|double|min16float|min10float|min16int|min12int|min16uint)([1-4](x[1-4])?)?");
    return std::regex_match(name.begin(), name.end(), kType);
}

struct Explanation {
    Diagnostic diagnostic;
    int lastLine = 0;
};

std::vector<Explanation> FindExplanations(std::string_view text, const std::string& file)
{
    const TokenView tokens(text);
    std::set<std::string_view> structures;
    for (std::size_t i = 0; i + 1 < tokens.Size(); ++i)
        if ((tokens.Text(i) == "struct" || tokens.Text(i) == "class" || tokens.Text(i) == "typedef")
            && tokens.IsIdentifier(i + 1))
            structures.insert(tokens.Text(i + 1));

    std::vector<Explanation> explanations;
    for (ClassExplanation& explanation : ExplainClasses(text, file))
        explanations.push_back({std::move(explanation.diagnostic), explanation.lastLine});
    for (std::size_t i = 0; i + 5 < tokens.Size(); ++i) {
        // "(type[n]) operand": a cast to an array type.
        if (!tokens.Is(i, '(') || !tokens.IsIdentifier(i + 1) || !tokens.Is(i + 2, '['))
            continue;
        const std::string_view type = tokens.Text(i + 1);
        if (!IsBuiltInTypeName(type) && !structures.count(type))
            continue;
        // A cast's array size and the rest of its statement are short; the
        // scans stop early so that text made of casts costs linear time.
        const std::size_t limit = std::min(tokens.Size(), i + 4096);
        std::size_t close = i + 3;
        while (close < limit && !tokens.Is(close, ']') && !tokens.Is(close, ';'))
            ++close;
        if (!tokens.Is(close, ']') || !tokens.Is(close + 1, ')'))
            continue;
        std::size_t end = close + 2;
        while (end < limit && !tokens.Is(end, ';'))
            ++end;
        const TextPosition at = tokens.Position(i);
        const std::string cast = "(" + std::string(type) + "[" + "...])";
        explanations.push_back(
            {MakeDiagnostic({file, at.line, at.column},
                            "casting to an array type " + Quoted(cast)
                                + " is supported by this compiler only from an operand whose type it can tell "
                                  "before preprocessing (a literal, a declared variable, constructor or function, "
                                  "their members, elements, swizzles and arithmetic) or from an array of the same "
                                  "type"),
             tokens.Position(std::min(end, tokens.Size() - 1)).line});
    }
    return explanations;
}

} // namespace

namespace {

// The offset of the first "#pragma pack_matrix" directive between two
// offsets, or npos.
std::size_t FindPackMatrixPragma(std::string_view text, std::size_t from, std::size_t to)
{
    const std::string_view range = text.substr(from, to - from);
    std::size_t found = std::string_view::npos;
    ForEachToken(range, TokenSource::Directives, [&](const SourceToken& directive) {
        const TokenView words(range.substr(directive.begin + 1, directive.end - directive.begin - 1));
        if (words.Text(0) == "pragma" && words.Text(1) == "pack_matrix")
            found = from + directive.begin;
        return found == std::string_view::npos;
    });
    return found;
}

// _m00_m11 or _11_22: several elements of a matrix.
bool IsMultiElementMatrixSwizzle(std::string_view word)
{
    static const std::regex kSwizzle("(_m[0-3][0-3]){2,4}|(_[1-4][1-4]){2,4}");
    return word.size() >= 6 && word.size() <= 16 && word[0] == '_'
           && std::regex_match(word.begin(), word.end(), kSwizzle);
}

bool IsFloatLiteral(std::string_view number)
{
    if (number.starts_with("0x") || number.starts_with("0X"))
        return false;
    return number.find_first_of(".eEfFhH") != std::string_view::npos;
}

// Whether the `%` at token `at` has constant operands on both sides, one of
// them a float: glslang folds it while parsing, to its left operand (7.5 % 2
// would be 7.5). An operand is a literal or a name declared const, taken
// whole: the 7.5 of `a * 7.5 % 2` is not one, the 7.5 of `a - 7.5 % 2` is.
bool RemainderOfFloatConstants(const TokenView& tokens, std::size_t at, const std::set<std::string_view>& floats,
                               const std::set<std::string_view>& constants)
{
    const auto constant = [&](std::size_t i) {
        return tokens.IsNumber(i) || (tokens.IsIdentifier(i) && constants.count(tokens.Text(i)));
    };
    const auto isFloat = [&](std::size_t i) {
        return tokens.IsNumber(i) ? IsFloatLiteral(tokens.Text(i)) : floats.count(tokens.Text(i)) > 0;
    };
    const auto endsOperand = [&](std::size_t i) {
        return tokens.IsIdentifier(i) || tokens.IsNumber(i) || tokens.Is(i, ')') || tokens.Is(i, ']');
    };
    const std::size_t left = at - 1;
    if (!constant(left))
        return false;
    std::size_t before = left;
    // Unary signs belong to the operand; a binary one ends what is before.
    while (before > 0 && (tokens.Is(before - 1, '-') || tokens.Is(before - 1, '+'))
           && !(before >= 2 && endsOperand(before - 2)))
        --before;
    const bool binarySign = before > 0 && (tokens.Is(before - 1, '-') || tokens.Is(before - 1, '+'));
    const bool whole = before == 0 || binarySign
                       || !(tokens.Is(before - 1, '*') || tokens.Is(before - 1, '/') || tokens.Is(before - 1, '%')
                            || tokens.Is(before - 1, '.') || endsOperand(before - 1));
    std::size_t right = at + 1;
    while (tokens.Is(right, '-') || tokens.Is(right, '+'))
        ++right;
    const bool plainRight = constant(right) && !tokens.Is(right + 1, '(') && !tokens.Is(right + 1, '[')
                            && !tokens.Is(right + 1, '.');
    return whole && plainRight && (isFloat(left) || isFloat(right));
}

} // namespace

void CheckUnsupportedSyntax(std::string_view text, const std::string& file)
{
    const TokenView tokens(text);

    std::vector<Diagnostic> found;
    const auto add = [&](const TokenView& view, std::size_t i, std::string message) {
        const TextPosition position = view.Position(i);
        found.push_back(MakeDiagnostic({file, position.line, position.column}, std::move(message)));
    };
    // Intrinsics of shader models before 4 that glslang takes for unknown
    // names or crashes on; a file may declare a function of the same name.
    static const std::set<std::string_view> kLegacyIntrinsics = {
        "noise", "tex1D", "tex1Dbias", "tex1Dgrad", "tex1Dlod", "tex1Dproj", "tex2D", "tex2Dbias", "tex2Dgrad",
        "tex2Dlod", "tex2Dproj", "tex3D", "tex3Dbias", "tex3Dgrad", "tex3Dlod", "tex3Dproj", "texCUBE",
        "texCUBEbias", "texCUBEgrad", "texCUBElod", "texCUBEproj"};
    std::set<std::string_view> declared;
    for (std::size_t i = 1; i < tokens.Size(); ++i)
        if (tokens.IsIdentifier(i) && tokens.IsIdentifier(i - 1) && tokens.Text(i - 1) != "return")
            declared.insert(tokens.Text(i));
    // Names declared const with a scalar or vector type: glslang folds them
    // like literals.
    static const std::regex kNumeric("(float|half|double|min16float|min10float|int|uint|min16int|min12int|min16uint)"
                                     "[1-4]?");
    std::set<std::string_view> floatConstants, constants;
    for (std::size_t i = 0; i + 2 < tokens.Size(); ++i)
        if (tokens.Text(i) == "const" && tokens.IsIdentifier(i + 1) && tokens.IsIdentifier(i + 2)
            && std::regex_match(tokens.Text(i + 1).begin(), tokens.Text(i + 1).end(), kNumeric)) {
            constants.insert(tokens.Text(i + 2));
            const std::string_view type = tokens.Text(i + 1);
            if (!type.starts_with("int") && !type.starts_with("uint") && !type.starts_with("min16int")
                && !type.starts_with("min12int") && !type.starts_with("min16uint"))
                floatConstants.insert(tokens.Text(i + 2));
        }
    // Names declared const with a matrix type: glslang folds a '*' between
    // two of them into the matrix product, where HLSL multiplies component
    // by component.
    static const std::regex kMatrix("(float|half|double|min16float|min10float|int|uint|min16int|min12int|min16uint)"
                                    "[1-4]x[1-4]|matrix");
    std::set<std::string_view> matrixConstants;
    for (std::size_t i = 0; i + 2 < tokens.Size(); ++i)
        if (tokens.Text(i) == "const" && tokens.IsIdentifier(i + 1) && tokens.IsIdentifier(i + 2)
            && std::regex_match(tokens.Text(i + 1).begin(), tokens.Text(i + 1).end(), kMatrix))
            matrixConstants.insert(tokens.Text(i + 2));
    const auto plainMatrixConstant = [&](std::size_t i) {
        return tokens.IsIdentifier(i) && matrixConstants.count(tokens.Text(i)) && !tokens.Is(i - 1, '.')
               && !tokens.Is(i + 1, '[') && !tokens.Is(i + 1, '.') && !tokens.Is(i + 1, '(');
    };
    const std::vector<bool> inFunction = InFunctionBodies(tokens);
    // Brace depths at which a cbuffer's or tbuffer's members are declared.
    std::vector<int> bufferScopes;
    std::size_t bufferStart = 0;
    bool bufferPending = false;
    int depth = 0;
    for (std::size_t i = 0; i < tokens.Size() && found.empty(); ++i) {
        const std::string_view word = tokens.IsIdentifier(i) ? tokens.Text(i) : std::string_view{};
        if (tokens.Is(i, '{')) {
            ++depth;
            if (bufferPending) {
                bufferScopes.push_back(depth);
                bufferStart = tokens.Offset(i);
            }
            bufferPending = false;
        } else if (tokens.Is(i, '}')) {
            if (!bufferScopes.empty() && bufferScopes.back() == depth) {
                bufferScopes.pop_back();
                // glslang gives a whole constant buffer the matrix packing in
                // force at its end, so a #pragma pack_matrix among the
                // members would silently change those before it.
                const std::size_t pragma = FindPackMatrixPragma(text, bufferStart, tokens.Offset(i));
                if (pragma != std::string_view::npos) {
                    const TextPosition position = tokens.PositionOf(pragma);
                    found.push_back(MakeDiagnostic(
                        {file, position.line, position.column},
                        "#pragma pack_matrix inside a cbuffer is not supported by this compiler; put it before the "
                        "cbuffer, or give the members row_major or column_major"));
                }
            }
            --depth;
        } else if (tokens.Is(i, ';')) {
            bufferPending = false;
        } else if (word == "cbuffer" || word == "tbuffer") {
            bufferPending = true;
        } else if (kLegacyIntrinsics.count(word) && tokens.Is(i + 1, '(') && !declared.count(word)
                   && !(i > 0 && tokens.Is(i - 1, '.'))) {
            add(tokens, i, Quoted(word) + " is an intrinsic of shader models before 4, which shader models 4 and 5 "
                                          "do not have; it is not supported by this compiler"
                               + (word == "noise" ? std::string()
                                                  : std::string("; sample a Texture object with a SamplerState")));
        } else if (IsMultiElementMatrixSwizzle(word) && i > 0 && tokens.Is(i - 1, '.')) {
            // glslang crashes on these uses of m._m00_m11; plain reads and
            // assignments work.
            const bool postfix = (tokens.Is(i + 1, '+') && tokens.Is(i + 2, '+'))
                                 || (tokens.Is(i + 1, '-') && tokens.Is(i + 2, '-'));
            const bool prefix = i >= 4 && tokens.IsIdentifier(i - 2)
                                && ((tokens.Is(i - 3, '+') && tokens.Is(i - 4, '+'))
                                    || (tokens.Is(i - 3, '-') && tokens.Is(i - 4, '-')));
            const bool condition = tokens.Is(i + 1, '?');
            if (postfix || prefix || condition)
                add(tokens, i, "the matrix swizzle " + Quoted(word)
                                   + (condition ? " as the condition of ?:" : " incremented or decremented")
                                   + " is not supported by this compiler");
        } else if (tokens.Is(i, '%') && i > 0 && !inFunction[i]
                   && RemainderOfFloatConstants(tokens, i, floatConstants, constants)) {
            // Inside functions LowerRemainderOperators keeps it from being folded.
            add(tokens, i, "'%' between two float constants outside a function is not supported by this compiler, "
                           "whose parser would fold it with GLSL's meaning (the divisor's sign); compute it inside "
                           "a function");
        } else if (tokens.Is(i, '*') && i > 0 && !tokens.Is(i + 1, '=') && plainMatrixConstant(i - 1)
                   && plainMatrixConstant(i + 1)
                   && !(i > 1 && (tokens.Is(i - 2, '*') || tokens.Is(i - 2, '/') || tokens.Is(i - 2, '%')))) {
            add(tokens, i, "'*' between two constant matrices is not supported by this compiler, which would fold "
                           "it into the matrix product; declare one of them without const");
        }
    }
    if (found.empty())
        return;
    SortBySourcePosition(found);
    throw Refusal{{found.front()}};
}

void ExplainUnsupportedSyntax(std::vector<Diagnostic>& errors, const SourceLookup& lookup)
{
    std::map<std::string, std::vector<Explanation>> explanations;
    std::vector<Diagnostic> explained;
    for (Diagnostic& error : errors) {
        auto found = explanations.find(error.position.file);
        if (found == explanations.end()) {
            const std::string* text = lookup(error.position.file);
            found = explanations
                        .emplace(error.position.file,
                                 text ? FindExplanations(*text, error.position.file) : std::vector<Explanation>{})
                        .first;
        }
        for (const Explanation& explanation : found->second)
            if (error.position.line >= explanation.diagnostic.position.line && error.position.line <= explanation.lastLine) {
                error = explanation.diagnostic;
                break;
            }
        const bool repeated = std::any_of(explained.begin(), explained.end(), [&](const Diagnostic& d) {
            return d.position.file == error.position.file && d.position.line == error.position.line
                   && d.position.column == error.position.column && d.message == error.message;
        });
        if (!repeated)
            explained.push_back(std::move(error));
    }
    errors = std::move(explained);
}

} // namespace hlsl
