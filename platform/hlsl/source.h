#pragma once

// The first stage of a compile: the effect file's text, before glslang reads
// it. The passes here read the file and its includes, keep hostile text away
// from glslang, blank the effect framework's syntax, refuse what glslang
// cannot take, and write the preamble that gives HLSL's meaning to the
// intrinsics glslang would fold with GLSL's. Every rewrite keeps each line
// break where it was, so that every later position is still the user's line
// and column.
//
// The stage's output is the prepared text of the main file and of every
// file it includes (SourceSet), and the preamble.

#include "platform/hlsl/compile_messages.h"
#include "platform/hlsl/shader_container.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hlsl {

// A macro the caller defines for the compile (D3D10_SHADER_MACRO).
struct Macro {
    std::string name;
    std::string definition;
};

// ---- Reading a file -----------------------------------------------------------

constexpr std::size_t kMaxSourceBytes = 16u << 20;

enum class SourceError { None, NotFound, Unusable };

struct SourceFile {
    SourceError error = SourceError::None;
    std::string text;   // the file's bytes, less a leading UTF-8 byte order mark
    std::string reason; // why the file cannot be used
    int line = 1;       // where, when the reason is in the text
    int column = 1;
};

// Reads a regular file of at most kMaxSourceBytes that is text: not empty and
// without control characters other than white space. Never blocks on a pipe
// or device.
SourceFile ReadSourceFile(const std::string& path);

// Windows finds a file whatever the case of its name and of the folders on
// its path. Where the exact path does not exist, each part of it that does
// not is looked up in its folder without regard to case; where several
// names match, the first in byte order is taken. Returns the path found, or
// the path as given where nothing matches.
std::string ResolveNameCase(const std::string& path);

// How deep #include files may nest.
constexpr std::size_t kMaxIncludeDepth = 32;

// The path an #include of `name` in `includer` reads: relative to the
// including file's folder, the case of each part resolved as on Windows.
std::string IncludePath(const std::string& includer, const std::string& name);

// The name an #include directive gives, quoted or bracketed; empty for
// any other directive.
std::string IncludedName(std::string_view directive);

// Every file the text's #include directives name, and those they include in
// turn, as the compiler finds them: for watching them, not for compiling
// (a directive under a false #if other than "#if 0" counts too).
std::vector<std::string> ReadIncludedFiles(const std::string& file, std::string_view text);

// The main file of a compile as written, where the preprocessor starts
// reading: a class in one file may derive from a class or interface that a
// file read before it declares (LowerClasses).
struct IncludeRoot {
    std::string file;
    std::string_view text;
};

// ---- The passes, in the order PrepareText runs them ------------------------------

// Limits far above what any shader needs that keep the compiler, which
// recurses on nesting and on long expressions, from exhausting its stack or
// spending minutes: bracket nesting, tokens in one statement, and if
// statements in one file. Refuses the first one broken.
constexpr int kMaxNesting = 256;
constexpr int kMaxStatementTokens = 8192;
constexpr int kMaxIfStatements = 2048;

void CheckSourceLimits(std::string_view text, const std::string& file);

// Effect files carry the effect framework's own syntax beside the shaders,
// which the Direct3D compiler ignores when it compiles one entry point for a
// vs_, gs_ or ps_ profile, and which glslang does not know. Returns the text
// with it replaced by spaces, line breaks and preprocessor lines kept.
//
// Blanked: technique, technique10, technique11 and fxgroup blocks;
// DepthStencilState, BlendState and RasterizerState declarations;
// VertexShader, PixelShader, GeometryShader, ComputeShader, HullShader and
// DomainShader variables; a SamplerState's or SamplerComparisonState's state
// block (the sampler itself stays declared); annotations ("< string UIName =
// "x"; >") after a declared name, semantic, register() or array size.
std::string LowerEffectSyntax(std::string_view text);

// Refuses, at the construct, what glslang crashes on, fails on in words of
// its own, or compiles to something else: legacy intrinsics, some matrix
// swizzles, '%' and '*' that glslang would fold wrongly, and the like. The
// first in the text is reported.
void CheckUnsupportedSyntax(std::string_view text, const std::string& file);

// Classes and interfaces that resolve when compiling: a class derived from
// another gets the base's data members and methods copied in front of its
// own, on the line of its '{' (a base's method that it overrides under the
// name Base__method, which a call "Base::method(...)" reaches, as does a
// call from the base's own methods unless the method belongs to an
// interface, which makes it virtual). Interfaces leave the base lists; each
// becomes a structure of its name whose first member is kInterfaceMarker
// and whose methods have bodies, so that glslang reads an abstract instance
// and the tree stage finds it after the preprocessor. A base may be
// declared in another file: one the preprocessor reads from `root` before
// this one, or one this file includes before the class. What it refuses (a
// method declared without its body in a class, a base not declared before,
// two base classes, a directive inside a base's member)
// it leaves as written: glslang fails on it only where the preprocessor
// keeps it, and ExplainClasses says why in that error's place.
// A class gets an empty method kImplementsMarker + name for each interface
// it implements, its bases' included.
constexpr const char* kInterfaceMarker = "fxdemo_interface";
constexpr const char* kImplementsMarker = "fxdemo_implements_";
std::string LowerClasses(std::string_view text, const std::string& file, const IncludeRoot& root);

// What LowerClasses left as written in the prepared text, each with the
// last line of its declaration.
struct ClassExplanation {
    Diagnostic diagnostic;
    int lastLine = 0;
};
std::vector<ClassExplanation> ExplainClasses(std::string_view text, const std::string& file);

// A static variable declared inside a cbuffer or tbuffer is an ordinary
// static, outside the buffer: each moves, on one line, to just before its
// buffer's declaration.
std::string LowerBufferStatics(std::string_view text);

// Bytes a rewrite inserted into a line: `count` of them at `column` of the
// rewritten line. Positions found in the rewritten text go back to the
// user's columns through them (SourceSet::RestoreColumns).
struct Insertion {
    int line = 1;
    int column = 1;
    int count = 0;
};

// Records a rewrite's insertions in the order of their offsets: each at its
// line and column in the original text, to which the insertions before it
// on that line are added, as the rewritten line has them.
class InsertionLog {
public:
    explicit InsertionLog(std::vector<Insertion>& insertions) : insertions_(insertions) {}
    void Add(int line, int column, int count)
    {
        if (line != line_)
            shift_ = 0;
        line_ = line;
        insertions_.push_back({line, column + shift_, count});
        shift_ += count;
    }

private:
    std::vector<Insertion>& insertions_;
    int line_ = 0;
    int shift_ = 0;
};

// glslang folds a `%` between constants while parsing, with GLSL's meaning
// (a float remainder with the divisor's sign, `x % 0u` as x). Inside
// functions, the right operand of every `%` and `%=` becomes a call of
// fxdemo_keep(), which returns it unchanged, so that none is folded before
// the SPIR-V passes give it HLSL's meaning; array sizes and case labels stay
// constant. The bytes inserted are added to `insertions`.
std::string LowerRemainderOperators(std::string_view text, std::vector<Insertion>& insertions);

// HLSL takes every value of a brace initializer list apart into scalars and
// fills the declared variable's scalars with them in order, whatever the
// nesting of the braces: `float3 a[2] = { 1, 2, 3, p }` with a float3 p.
// Where the type of every value is known from the text, the list is
// rewritten into the nesting glslang wants, a constructor for each scalar,
// vector and matrix of the target (`{ float3(1, 2, 3), float3(p) }`), and
// a value that spans two of them read by components. The bytes inserted
// are added to `insertions`; a list that cannot be typed is left as written.
std::string LowerInitializerLists(std::string_view text, std::vector<Insertion>& insertions);

// A cast to an array type, `(uint[4])v`: HLSL fills the array's scalars
// with the operand's first scalars in order, or with a scalar operand in
// every place. Where the operand's type is known from the text, the cast
// becomes a call of a function that builds the array, written on the line
// where the enclosing declaration begins; the bytes inserted are added to
// `insertions`. Other casts are left as written.
std::string LowerArrayCasts(std::string_view text, const std::string& file, std::vector<Insertion>& insertions);

// The fxdemo_keep() overloads, for the preamble.
std::string RemainderHelpers();

struct PreparedText {
    std::string text;
    std::vector<Insertion> insertions;
};

// CheckSourceLimits, LowerEffectSyntax, LowerBufferStatics, LowerClasses,
// CheckUnsupportedSyntax, LowerInitializerLists, LowerArrayCasts, then
// LowerRemainderOperators: what the main file
// and every file it includes go through before glslang reads them.
PreparedText PrepareText(std::string_view text, const std::string& file, const IncludeRoot& root);

// Refuses a caller's macro that is not an identifier or spans several lines.
void CheckMacros(const std::vector<Macro>& macros, const std::string& file);

// The caller's macros as #define lines, then functions of the compiler's own
// for the HLSL intrinsics whose glslang namesakes mean something else where
// glslang folds constants while parsing (fmod, sign), each behind a
// function-like macro; a file, a file it includes, or a macro that declares
// its own keeps it. Then RemainderHelpers() where the text or a file it
// includes has a `%`.
std::string WritePreamble(const std::vector<Macro>& macros, const std::string& file, std::string_view text);

// glslang's geometry stage crashes on a file with two geometry shaders whose
// streams carry different types, the usual effect file with several passes.
// Returns the text with every geometry shader other than the entry point
// blanked out, attributes and body, line breaks kept. Nothing can call one:
// its stream parameter has no other use.
std::string LowerOtherGeometryShaders(std::string text, const std::string& entryPoint);

// What SV_ClipDistance and SV_CullDistance become in a geometry entry
// point's input: names of the same length, so no column moves. The
// geometry stage reads them as plain inputs, reflected with their own
// semantics; a stream output of a structure shared with the input gives them
// back to gl_ClipDistance and gl_CullDistance (glsl.h).
class SourceSet;

constexpr std::string_view kClipInputSemantic = "FXSC_CLIP_INPUT";
constexpr std::string_view kCullInputSemantic = "FXSC_CULL_INPUT";

// Renames the semantic declared after each name at `positions` (found by
// ReadDistanceInputs, in the main text or an include the probe parse read)
// in `mainText` and in the sources; a semantic that a macro makes is refused.
void LowerDistanceInputs(std::string& mainText, SourceSet& sources, const std::vector<SourcePosition>& positions);

// ---- Dynamic linkage: the text once more, after the tree has been read ----------

// One abstract interface instance the preprocessor left: a global or
// constant buffer member (`iLight g_light;`, `iLight g_lights[2];`) or a
// `uniform` parameter of the entry point.
struct AbstractInstance {
    std::string name;
    std::string interfaceName;
    SourcePosition position;          // its name
    std::uint32_t arraySize = 0;      // 0 where it is no array
    bool parameter = false;           // an entry point's parameter
    std::optional<std::uint32_t> slot; // its first interface slot; none where the entry point never uses it
};

// A method of an interface, as LowerClasses left it: a structure's method.
struct InterfaceMethod {
    std::string interfaceName;
    std::string name;
    std::string returnType;              // "float3", "void"
    std::vector<std::string> parameters; // "float3 normal", "out float x", without semantics or defaults
    std::vector<std::string> arguments;  // the parameters' names
};

// What the tree tells of a shader model 5 entry point's dynamic linkage.
struct DynamicLinkage {
    ShaderStage stage = ShaderStage::Vertex;
    std::vector<AbstractInstance> instances; // in slot order
    std::uint32_t slotCount = 0;
    std::vector<ClassInstanceRecord> classInstances;
    std::vector<std::string> instanceArrays; // the declared class instances that are arrays
    std::vector<InterfaceMethod> methods;    // of every interface a slot holds, in declaration order
};

// The methods of each interface in `interfaces` that the text declares.
std::vector<InterfaceMethod> ReadInterfaceMethods(std::string_view text, const std::vector<std::string>& interfaces);

// Calls through abstract instances chosen when the shader is bound. Each
// abstract instance the file declares becomes a static structure that holds
// its interface slot (a constant buffer's moves out of the buffer, an entry
// point's parameter before the entry point), and each method of an
// interface a slot holds calls a function that switches on the stage's
// interface uniform over the ids of the class instances that implement the
// interface, declared before the interface; the main file (`mainFile`) ends
// with that uniform and those functions. Bytes inserted into a line are
// added to `insertions`.
std::string LowerDynamicLinkage(std::string_view text, const std::string& file, const DynamicLinkage& linkage,
                                bool mainFile, std::vector<Insertion>& insertions);

// ---- After glslang: its errors in the user's terms -------------------------------

// Constructs that glslang takes in some forms and not others: a cast to an
// array type works from an array but not from a vector or scalar. Each
// error glslang reports inside such a construct is replaced by one that
// names it.
void ExplainUnsupportedSyntax(std::vector<Diagnostic>& errors, const SourceLookup& lookup);

// ---- The stage's output -------------------------------------------------------

// The main file's and the included files' prepared text, by the names
// glslang reports them under.
class SourceSet {
public:
    SourceSet(const std::string& mainFile, PreparedText text);

    const std::string& MainFile() const { return mainFile_; }
    const std::string& MainText() const { return texts_.at(mainFile_); }
    const std::string* Text(std::string_view file) const;
    // A text to rewrite in place, without moving any column.
    std::string* MutableText(std::string_view file);
    const std::string& Add(const std::string& name, std::string text, std::vector<Insertion> insertions = {});
    SourceLookup Lookup() const;

    // Each position in a rewritten line moved back to the user's column.
    void RestoreColumns(std::vector<Diagnostic>& diagnostics) const;

    // Where a name first appears as an identifier (comments and directives do
    // not count): the main file first, then the included ones; line 1 of the
    // main file where it appears nowhere.
    SourcePosition FindWord(std::string_view word) const;

private:
    std::string mainFile_;
    std::map<std::string, std::string, std::less<>> texts_;
    std::map<std::string, std::vector<Insertion>, std::less<>> insertions_;
};

} // namespace hlsl
