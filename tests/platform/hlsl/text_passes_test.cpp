// The text passes that run before glslang, at their edges: each limit at its
// value and one past it, the token scanner against every form a line can
// take (groups under "#if 0" nested and ended each way, continuation lines,
// a '#' after code), and the caller's macros.

#include "platform/hlsl/source.h"
#include "platform/hlsl/source_tokens.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

std::string Repeat(std::string_view text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// "" when the text is within the limits, else "line,column: message".
std::string Limits(const std::string& text)
{
    try {
        hlsl::CheckSourceLimits(text, "main.fx");
        return "";
    } catch (const hlsl::Refusal& refusal) {
        const hlsl::Diagnostic& d = refusal.diagnostics.at(0);
        return std::to_string(d.position.line) + "," + std::to_string(d.position.column) + ": " + d.message;
    }
}

TEST(TextPasses, EachSourceLimitIsAcceptedAtItsValueAndRefusedOnePast)
{
    const std::string nesting = "brackets are nested more than 256 deep; this compiler's limit";
    const std::string tokens = "a statement has more than 8192 tokens; this compiler's limit";
    const struct {
        std::string text, refused;
    } cases[] = {
        // 2048 if statements, one a line; the 2049th is refused where it is.
        {Repeat("if(t)t++;\n", 2048), ""},
        {Repeat("if(t)t++;\n", 2049), "2049,1: the source has more than 2048 if statements; this compiler's limit"},
        {Repeat("// if\n", 3000) + "#if 0\n" + Repeat("if ", 3000) + "\n#endif\n", ""},
        // Every kind of bracket counts toward one depth; closed ones do not.
        {Repeat("(", 256) + Repeat(")", 256), ""},
        {Repeat("(", 257), "1,257: " + nesting},
        {Repeat("[", 257), "1,257: " + nesting},
        {Repeat("{", 257), "1,257: " + nesting},
        {Repeat("{", 100) + Repeat("[", 100) + Repeat("(", 57), "1,257: " + nesting},
        {Repeat("(", 200) + Repeat(")", 200) + Repeat("[", 256), ""},
        // Tokens since the last ';', '{' or '}'.
        {Repeat("1 ", 8192) + ";", ""},
        {Repeat("1 ", 8193) + ";", "1,16385: " + tokens},
        {Repeat("a ", 8000) + "{ " + Repeat("b ", 8192) + ";", ""},
        {Repeat("a ", 8000) + "} " + Repeat("b ", 8192) + ";", ""},
        {Repeat("a ", 8000) + "; " + Repeat("b ", 8192) + ";", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Limits(c.text), c.refused) << c.text.substr(0, 40) << "... (" << c.text.size() << " bytes)";
}

// The code tokens of a text, '|' between them.
std::string CodeTokens(std::string_view text, hlsl::TokenSource source = hlsl::TokenSource::Code)
{
    std::string out;
    for (const hlsl::SourceToken& token : hlsl::ScanTokens(text, source))
        out += (out.empty() ? "" : "|") + std::string(text.substr(token.begin, token.end - token.begin));
    return out;
}

TEST(TextPasses, TheScannerSkipsWhatThePreprocessorDropsAndNothingElse)
{
    const std::pair<const char*, const char*> cases[] = { // text, code tokens
        {"a <= .5 1.5e3 x_1", "a|<|=|.5|1.5e3|x_1"},
        {"x /* #if 0 */ y // z\n w", "x|y|w"},
        {"s = \"a\\\"b\" c", "s|=|\"a\\\"b\"|c"},
        // A '#' after code on its line is no directive.
        {"a #x\nb", "a|#|x|b"},
        {"  #define M 1\nb", "b"},
        // A directive's continuation lines, LF and CR LF, belong to it.
        {"#define M a \\\n b c\nshown", "shown"},
        {"#define M a \\\r\n b c\r\nshown", "shown"},
        // "#if 0" groups, with blanks anywhere in the directive, ended by
        // #else, #elif or #endif at their own depth.
        {"# if 0 \t\nhidden\n#endif\nshown", "shown"},
        {"#if 0\nhidden\n#else\nshown\n#endif", "shown"},
        {"#if 0\nhidden\n#elif 1\nshown\n#endif", "shown"},
        {"#if 0\n#if 1\n#else\nhidden\n#endif\nhidden\n#else\nshown\n#endif", "shown"},
        {"#if 0\n#ifdef A\n#else\nhidden\n#endif\nhidden\n#endif\nshown", "shown"},
        {"#if 0\n#ifndef A\n#elif B\nhidden\n#endif\nhidden\n#endif\nshown", "shown"},
        {"#if 0\n#if 1\n#if 1\n#endif\nhidden\n#endif\nhidden\n#endif\nshown", "shown"},
        {"#if 00\nshown\n#endif", "shown"},
    };
    for (const auto& [text, tokens] : cases)
        EXPECT_EQ(CodeTokens(text), tokens) << text;
    EXPECT_EQ(CodeTokens("#define A b /* c */ d // e\nx\n#if 0\n#define F g\n#endif", hlsl::TokenSource::MacroBodies),
              "A|b|d");
    EXPECT_EQ(CodeTokens("#define A \\\n 1\ncode\n#if 0\n#define B\n#endif\n#pragma x", hlsl::TokenSource::Directives),
              "#define A \\\n 1|#if 0|#pragma x");
}

std::optional<std::string> MacroRefusal(const std::string& name, const std::string& definition)
{
    try {
        hlsl::CheckMacros({{name, definition}}, "main.fx");
        return std::nullopt;
    } catch (const hlsl::Refusal& refusal) {
        return refusal.diagnostics.at(0).message;
    }
}

TEST(TextPasses, ACallersMacroIsOneIdentifierWithADefinitionOnOneLine)
{
    EXPECT_EQ(MacroRefusal("_Scale2", "x + 1 /* y */"), std::nullopt);
    EXPECT_EQ(MacroRefusal("EMPTY", ""), std::nullopt);
    for (const char* name : {"", "2X", "A B", "A(x)", "A-B"})
        EXPECT_EQ(MacroRefusal(name, "1"), "macro name '" + std::string(name) + "' is not an identifier");
    for (const char* definition : {"1\n#define X 2", "1\r#define X 2", "1\r\n"})
        EXPECT_EQ(MacroRefusal("M", definition), "the definition of macro 'M' spans several lines");
}

} // namespace
