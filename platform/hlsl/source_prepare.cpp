// The text passes that run around glslang's parse: the order of the checks
// every file goes through, the caller's macros and the preamble, the other
// geometry shaders of a file, and the set of texts errors are placed in.

#include "platform/hlsl/source.h"

#include "platform/hlsl/source_tokens.h"

#include <algorithm>
#include <cctype>

namespace hlsl {

namespace {

// Whether the text declares something of this name itself (a function or
// variable: the name follows a type), which a macro of the same name would
// rename, or names it in a #define, which a macro of ours would clash with.
bool DeclaresName(std::string_view text, std::string_view name)
{
    // Or defines a macro of that name: the name right after "define".
    for (const SourceToken& token : ScanTokens(text, TokenSource::MacroBodies))
        if (token.kind == TokenKind::Identifier && text.substr(token.begin, token.end - token.begin) == name) {
            std::string_view before = text.substr(0, token.begin);
            while (!before.empty() && (before.back() == ' ' || before.back() == '\t'))
                before.remove_suffix(1);
            if (before.ends_with("define"))
                return true;
        }
    const TokenView tokens(text);
    for (std::size_t i = 1; i < tokens.Size(); ++i)
        if (tokens.IsIdentifier(i) && tokens.Text(i) == name && tokens.IsIdentifier(i - 1)
            && tokens.Text(i - 1) != "return")
            return true;
    return false;
}

// HLSL intrinsics whose glslang namesakes differ where glslang folds
// constants while parsing, before any pass sees the call: fmod() keeps the
// dividend's sign (x - y * trunc(x / y)) where glslang folds GLSL's floored
// mod(); sign() returns int, where glslang's returns the argument's type.
// Functions of the compiler's own take the calls, through function-like
// macros, so literals are computed at run time or folded by SPIRV-Tools
// with HLSL's meaning. A macro's tokens take the position of its use, so
// messages keep the user's lines and columns.
std::string IntrinsicHelpers()
{
    std::string text;
    const char* const sizes[] = {"", "2", "3", "4"};
    for (const char* n : sizes) {
        const std::string f = std::string("float") + n, i = std::string("int") + n;
        text += f + " fxdemo_fmod(" + f + " x, " + f + " y) { return x - y * trunc(x / y); }\n";
        text += i + " fxdemo_sign(" + f + " x) { return " + i + "(x > 0) - " + i + "(x < 0); }\n";
        text += i + " fxdemo_sign(" + i + " x) { return " + i + "(x > 0) - " + i + "(x < 0); }\n";
    }
    // Matrices row by row.
    for (int rows = 2; rows <= 4; ++rows)
        for (int columns = 2; columns <= 4; ++columns) {
            const std::string m = "float" + std::to_string(rows) + "x" + std::to_string(columns);
            text += m + " fxdemo_fmod(" + m + " x, " + m + " y) { " + m + " r; ";
            for (int row = 0; row < rows; ++row)
                text += "r[" + std::to_string(row) + "] = fxdemo_fmod(x[" + std::to_string(row) + "], y["
                        + std::to_string(row) + "]); ";
            text += "return r; }\n";
        }
    return text;
}

} // namespace

PreparedText PrepareText(std::string_view text, const std::string& file, const IncludeRoot& root)
{
    CheckSourceLimits(text, file);
    const std::string lowered = LowerClasses(LowerBufferStatics(LowerEffectSyntax(text)), file, root);
    CheckUnsupportedSyntax(lowered, file);
    PreparedText prepared;
    // The insertions in the order made: each pass's in the text it returns.
    const std::string initialized = LowerInitializerLists(lowered, prepared.insertions);
    const std::string cast = LowerArrayCasts(initialized, file, prepared.insertions);
    prepared.text = LowerRemainderOperators(cast, prepared.insertions);
    return prepared;
}

void CheckMacros(const std::vector<Macro>& macros, const std::string& file)
{
    for (const Macro& macro : macros) {
        const bool identifier =
            !macro.name.empty() && !std::isdigit(static_cast<unsigned char>(macro.name[0]))
            && std::all_of(macro.name.begin(), macro.name.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
        if (!identifier)
            Refuse({file, 1, 1}, "macro name " + Quoted(macro.name) + " is not an identifier");
        if (macro.definition.find_first_of("\r\n") != std::string::npos)
            Refuse({file, 1, 1}, "the definition of macro " + Quoted(macro.name) + " spans several lines");
    }
}

std::string WritePreamble(const std::vector<Macro>& macros, const std::string& file, std::string_view text)
{
    std::string preamble;
    for (const Macro& macro : macros)
        preamble += "#define " + macro.name + " " + macro.definition + "\n";
    // A file, one it includes, or a caller's macro that declares its own fmod
    // or sign keeps it.
    static const std::string helpers = IntrinsicHelpers();
    std::vector<std::string> included;
    for (const std::string& path : ReadIncludedFiles(file, text))
        if (SourceFile source = ReadSourceFile(path); source.error == SourceError::None)
            included.push_back(std::move(source.text));
    const auto ours = [&](std::string_view name) {
        return !DeclaresName(text, name)
               && std::none_of(included.begin(), included.end(),
                               [&](const std::string& other) { return DeclaresName(other, name); })
               && std::none_of(macros.begin(), macros.end(), [&](const Macro& macro) { return macro.name == name; });
    };
    const bool fmod = ours("fmod"), sign = ours("sign");
    if (fmod || sign)
        preamble += helpers;
    static const std::string keep = RemainderHelpers();
    if (text.find('%') != std::string_view::npos
        || std::any_of(included.begin(), included.end(),
                       [](const std::string& other) { return other.find('%') != std::string::npos; }))
        preamble += keep;
    if (fmod)
        preamble += "#define fmod(x, y) fxdemo_fmod(x, y)\n";
    if (sign)
        preamble += "#define sign(x) fxdemo_sign(x)\n";
    return preamble;
}

std::string LowerOtherGeometryShaders(std::string text, const std::string& entryPoint)
{
    const TokenView tokens(text);
    std::vector<std::pair<std::size_t, std::size_t>> blanks; // byte ranges
    int depth = 0;
    for (std::size_t i = 0; i < tokens.Size(); ++i) {
        if (tokens.Is(i, '{'))
            ++depth;
        else if (tokens.Is(i, '}'))
            --depth;
        if (depth != 0 || !tokens.Is(i, '[') || tokens.Text(i + 1) != "maxvertexcount")
            continue;
        // Earlier attributes ([instance(n)]) go with it.
        std::size_t first = i;
        while (first > 0 && tokens.Is(first - 1, ']')) {
            std::size_t open = first - 1;
            while (open > 0 && !tokens.Is(open, '['))
                --open;
            if (!tokens.Is(open, '['))
                break;
            first = open;
        }
        // The function's name: the identifier before the first '(' at
        // bracket depth 0 after the attributes.
        std::size_t at = i;
        int brackets = 0;
        std::string_view name;
        for (; at < tokens.Size(); ++at) {
            if (tokens.Is(at, '['))
                ++brackets;
            else if (tokens.Is(at, ']'))
                --brackets;
            else if (brackets == 0 && tokens.Is(at, '(') && at > 0 && tokens.IsIdentifier(at - 1)) {
                name = tokens.Text(at - 1);
                break;
            } else if (brackets == 0 && (tokens.Is(at, ';') || tokens.Is(at, '{')))
                break;
        }
        if (name.empty() || name == entryPoint)
            continue;
        std::size_t body = at;
        while (body < tokens.Size() && !tokens.Is(body, '{') && !tokens.Is(body, ';'))
            ++body;
        if (!tokens.Is(body, '{'))
            continue;
        int inner = 0;
        std::size_t end = body;
        for (; end < tokens.Size(); ++end) {
            if (tokens.Is(end, '{'))
                ++inner;
            else if (tokens.Is(end, '}') && --inner == 0)
                break;
        }
        if (end >= tokens.Size())
            continue;
        blanks.emplace_back(tokens.Token(first).begin, tokens.Token(end).end);
        i = end;
    }
    for (const auto& [from, to] : blanks)
        for (std::size_t c = from; c < to; ++c)
            if (text[c] != '\n' && text[c] != '\r')
                text[c] = ' ';
    return text;
}

// ---- SourceSet ------------------------------------------------------------------

SourceSet::SourceSet(const std::string& mainFile, PreparedText text) : mainFile_(mainFile)
{
    texts_.emplace(mainFile, std::move(text.text));
    insertions_.emplace(mainFile, std::move(text.insertions));
}

const std::string* SourceSet::Text(std::string_view file) const
{
    const auto it = texts_.find(file);
    return it == texts_.end() ? nullptr : &it->second;
}

std::string* SourceSet::MutableText(std::string_view file)
{
    const auto it = texts_.find(file);
    return it == texts_.end() ? nullptr : &it->second;
}

const std::string& SourceSet::Add(const std::string& name, std::string text, std::vector<Insertion> insertions)
{
    const auto [it, added] = texts_.try_emplace(name, std::move(text));
    if (added)
        insertions_.emplace(name, std::move(insertions));
    return it->second;
}

void SourceSet::RestoreColumns(std::vector<Diagnostic>& diagnostics) const
{
    for (Diagnostic& diagnostic : diagnostics) {
        const auto found = insertions_.find(diagnostic.position.file);
        if (found == insertions_.end())
            continue;
        // Right to left along the line, each insertion's own column is still
        // that of the rewritten text.
        const std::vector<Insertion>& insertions = found->second;
        for (auto it = insertions.rbegin(); it != insertions.rend(); ++it)
            if (it->line == diagnostic.position.line && it->column <= diagnostic.position.column)
                diagnostic.position.column = std::max(it->column, diagnostic.position.column - it->count);
    }
}

SourceLookup SourceSet::Lookup() const
{
    return [this](std::string_view file) { return Text(file); };
}

SourcePosition SourceSet::FindWord(std::string_view word) const
{
    const auto findIn = [&](const std::string& file, const std::string& text) -> std::optional<SourcePosition> {
        const TokenView tokens(text);
        for (std::size_t i = 0; i < tokens.Size(); ++i)
            if (tokens.IsIdentifier(i) && tokens.Text(i) == word) {
                const TextPosition at = tokens.Position(i);
                return SourcePosition{file, at.line, at.column};
            }
        return std::nullopt;
    };
    if (std::optional<SourcePosition> found = findIn(mainFile_, MainText()))
        return *found;
    for (const auto& [name, text] : texts_)
        if (name != mainFile_)
            if (std::optional<SourcePosition> found = findIn(name, text))
                return *found;
    return {mainFile_, 1, 1};
}

} // namespace hlsl
