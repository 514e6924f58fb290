#include "platform/hlsl/front_end.h"

#include "platform/hlsl/effect_syntax.h"
#include "platform/hlsl/glslang_stage.h"
#include "platform/hlsl/hlsl_semantics.h"
#include "platform/hlsl/source_file.h"
#include "platform/hlsl/source_tokens.h"
#include "platform/hlsl/spirv.h"
#include "platform/hlsl/spirv_passes.h"
#include "platform/hlsl/unsupported_syntax.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace hlsl {

namespace {

constexpr std::size_t kMaxIncludeDepth = 32;

// The file and its includes, by the names glslang reports them under.
class SourceSet {
public:
    explicit SourceSet(const CompileRequest& request) : mainFile_(request.file)
    {
        texts_.emplace(request.file, request.source);
    }

    const std::string& MainFile() const { return mainFile_; }

    const std::string* Text(std::string_view file) const
    {
        const auto it = texts_.find(std::string(file));
        return it == texts_.end() ? nullptr : &it->second;
    }

    const std::string& Add(const std::string& name, std::string text)
    {
        return texts_.try_emplace(name, std::move(text)).first->second;
    }

    SourceLookup Lookup() const
    {
        return [this](std::string_view file) { return Text(file); };
    }

    // glslang places a declaration after its name, or a function at its
    // body: find the name itself, on that line or up to `linesAbove` lines
    // before it.
    SourcePosition NamePosition(const glslang::TSourceLoc& loc, std::string_view name, int linesAbove) const
    {
        const char* file = loc.getFilename();
        const SourcePosition at{file && *file ? file : mainFile_, std::max(loc.line, 1), std::max(loc.column, 1)};
        const std::string* text = Text(at.file);
        if (!text)
            return at;
        for (int line = at.line; line >= std::max(1, at.line - linesAbove); --line) {
            const int limit = line == at.line ? at.column : std::numeric_limits<int>::max();
            if (const int column = LastWordColumnBefore(SourceLine(*text, line), name, limit))
                return {at.file, line, column};
        }
        return at;
    }

    // Where a name first appears as a whole word: the main file first, then
    // the included ones.
    SourcePosition FindWord(std::string_view word) const
    {
        if (std::optional<SourcePosition> found = FindWordIn(mainFile_, word))
            return *found;
        for (const auto& [name, text] : texts_)
            if (name != mainFile_)
                if (std::optional<SourcePosition> found = FindWordIn(name, word))
                    return *found;
        return {mainFile_, 1, 1};
    }

private:
    // The first identifier token spelled `word`: comments and directives do
    // not count, so a name mentioned in a comment above its declaration is
    // not taken for it.
    std::optional<SourcePosition> FindWordIn(const std::string& file, std::string_view word) const
    {
        const TokenView tokens(texts_.at(file));
        for (std::size_t i = 0; i < tokens.Size(); ++i)
            if (tokens.IsIdentifier(i) && tokens.Text(i) == word) {
                const TextPosition at = tokens.Position(i);
                return SourcePosition{file, at.line, at.column};
            }
        return std::nullopt;
    }

    std::string mainFile_;
    std::map<std::string, std::string> texts_;
};

// Resolves #include "x" and #include <x> relative to the including file,
// reading with the same checks as the main file, and refuses cycles.
class Includer final : public glslang::TShader::Includer {
public:
    explicit Includer(SourceSet& sources) : sources_(sources)
    {
        chain_.push_back(Identity(sources.MainFile()));
    }

    IncludeResult* includeLocal(const char* headerName, const char* includerName, size_t depth) override
    {
        return Include(headerName, includerName, depth);
    }

    IncludeResult* includeSystem(const char* headerName, const char* includerName, size_t depth) override
    {
        return Include(headerName, includerName, depth);
    }

    void releaseInclude(IncludeResult* result) override { delete result; }

    // A limit broken or a construct refused inside an included file,
    // reported at its own place rather than at the #include line.
    const std::optional<Diagnostic>& LimitError() const { return limitError_; }

private:
    static std::string Identity(const std::string& path)
    {
        std::error_code error;
        std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
        return error ? path : canonical.string();
    }

    IncludeResult* Failure(std::string message)
    {
        messages_.push_back(std::move(message));
        return new IncludeResult("", messages_.back().data(), messages_.back().size(), nullptr);
    }

    IncludeResult* Include(const char* headerName, const char* includerName, size_t depth)
    {
        const std::filesystem::path header(headerName ? headerName : "");
        const std::filesystem::path includer(includerName ? includerName : sources_.MainFile());
        std::string name =
            (header.is_absolute() ? header : includer.parent_path() / header).lexically_normal().generic_string();
        name = ResolveNameCase(name);

        // chain_[d] is the file being read at include depth d.
        if (depth < 1 || depth > kMaxIncludeDepth)
            return Failure("#include files are nested more than " + std::to_string(kMaxIncludeDepth) + " deep");
        chain_.resize(std::min(chain_.size(), depth));
        const std::string identity = Identity(name);
        if (std::find(chain_.begin(), chain_.end(), identity) != chain_.end())
            return Failure("cycle: " + name + " is already being included");

        SourceFile file = ReadSourceFile(name);
        if (file.error == SourceError::NotFound)
            return Failure("no file " + name);
        if (file.error != SourceError::None)
            return Failure(name + ": " + file.reason);
        if (std::optional<Diagnostic> limit = CheckSourceLimits(file.text, name)) {
            if (!limitError_)
                limitError_ = std::move(limit);
            return Failure(name + " is too complex");
        }
        file.text = StripEffectSyntax(file.text);
        if (std::optional<Diagnostic> unsupported = FindUnsupportedSyntax(file.text, name)) {
            if (!limitError_)
                limitError_ = std::move(unsupported);
            return Failure(name + " uses a construct this compiler does not support");
        }
        chain_.push_back(identity);
        // Two line breaks after the text: when an error inside a nested
        // include is followed straight by the end of the including file,
        // glslang otherwise also reports the line marker it puts after the
        // include as a misplaced '#'.
        const std::string& text = sources_.Add(name, std::move(file.text) + "\n\n");
        names_.push_back(name);
        return new IncludeResult(names_.back(), text.data(), text.size(), nullptr);
    }

    SourceSet& sources_;
    std::vector<std::string> chain_;
    std::deque<std::string> messages_;
    std::deque<std::string> names_;
    std::optional<Diagnostic> limitError_;
};

// One glslang parse, then link, of the source for one stage.
struct Parsed {
    std::unique_ptr<glslang::TShader> shader;
    std::unique_ptr<glslang::TProgram> program; // declared after shader: destroyed first
    std::vector<Diagnostic> errors;
    glslang::TIntermediate* intermediate = nullptr;
};

// glslang refuses `*` between two matrices of one non-square shape, which
// HLSL multiplies per component, with a message that names no operator, at
// the end of the expression. The error goes to the last `*` before it.
void ExplainRefusedOperations(std::vector<Diagnostic>& errors, const SourceSet& sources)
{
    for (Diagnostic& error : errors) {
        // ".sample[s][xy]" and the like on a texture.
        if (error.message.find("unexpected operator on texture type") != std::string::npos) {
            const std::size_t close = error.message.find('\'', 1);
            const std::string name = error.message.starts_with("'") && close != std::string::npos
                                         ? error.message.substr(1, close - 1)
                                         : std::string();
            error.message = "the texture operator " + Quoted("." + name + "[]")
                            + " is not supported by this compiler; call Load instead";
            continue;
        }
        if (error.message.find("Could not perform requested binary operation") == std::string::npos)
            continue;
        const std::string* text = sources.Text(error.position.file);
        const std::string_view line = text ? SourceLine(*text, error.position.line) : std::string_view{};
        const std::size_t limit = std::min(line.size(), static_cast<std::size_t>(std::max(error.position.column, 1)));
        const std::size_t star = line.substr(0, limit).rfind('*');
        if (star == std::string_view::npos) {
            error.message = "this operation is not supported by this compiler for these operand types";
            continue;
        }
        error.position.column = static_cast<int>(star) + 1;
        error.message = "'*' between these operands is not supported by this compiler (for two matrices of the "
                        "same non-square shape, multiply row by row)";
    }
}

constexpr auto kMessages = static_cast<EShMessages>(EShMsgReadHlsl | EShMsgSpvRules | EShMsgVulkanRules
                                                    | EShMsgHlslOffsets | EShMsgEnhanced);

Parsed Parse(const CompileRequest& request, const std::string& preamble, EShLanguage language,
             SourceSet& sources)
{
    Parsed parsed;
    parsed.shader = std::make_unique<glslang::TShader>(language);
    glslang::TShader& shader = *parsed.shader;
    const char* text = request.source.c_str();
    const int length = static_cast<int>(request.source.size());
    const char* name = request.file.c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setPreamble(preamble.c_str());
    shader.setEntryPoint(request.entryPoint.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Keeps every input's and output's semantic as a UserSemantic decoration.
    shader.setEnvTargetHlslFunctionality1();

    Includer includer(sources);
    const bool parsedOk = shader.parse(GetDefaultResources(), 100, false, kMessages, includer);
    if (includer.LimitError()) {
        parsed.errors.push_back(*includer.LimitError());
        return parsed;
    }
    if (!parsedOk) {
        parsed.errors = ParseGlslangLog(shader.getInfoLog(), request.file, sources.Lookup());
        ExplainUnsupportedSyntax(parsed.errors, sources.Lookup());
        ExplainRefusedOperations(parsed.errors, sources);
        if (parsed.errors.empty())
            parsed.errors.push_back(MakeDiagnostic({request.file, 1, 1}, "the source does not compile"));
        return parsed;
    }
    parsed.intermediate = shader.getIntermediate();
    if (parsed.intermediate->getNumEntryPoints() == 0)
        parsed.errors.push_back(
            MakeDiagnostic({request.file, 1, 1}, "entry point " + Quoted(request.entryPoint) + " not found"));
    return parsed;
}

// The calls in one function, with their places.
class CallFinder final : public glslang::TIntermTraverser {
public:
    std::vector<std::pair<std::string, glslang::TSourceLoc>> calls;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        if (node->getOp() == glslang::EOpFunctionCall)
            calls.emplace_back(node->getName().c_str(), node->getLoc());
        return true;
    }
};

// glslang's link reports recursion without a place; HLSL has none, and the
// error goes to the call that closes the cycle.
std::optional<Diagnostic> FindRecursion(const glslang::TIntermediate& intermediate, const SourceSet& sources)
{
    const glslang::TIntermAggregate* root =
        intermediate.getTreeRoot() ? intermediate.getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return std::nullopt;
    std::map<std::string, std::vector<std::pair<std::string, glslang::TSourceLoc>>> calls;
    for (TIntermNode* node : root->getSequence())
        if (glslang::TIntermAggregate* function = node->getAsAggregate())
            if (function->getOp() == glslang::EOpFunction) {
                CallFinder finder;
                function->traverse(&finder);
                calls[function->getName().c_str()] = std::move(finder.calls);
            }
    // Depth-first, with the functions on the current path marked.
    std::map<std::string, int> state; // 1: on the path, 2: done
    std::optional<Diagnostic> found;
    const std::function<void(const std::string&)> visit = [&](const std::string& name) {
        state[name] = 1;
        for (const auto& [callee, loc] : calls[name]) {
            if (found)
                return;
            if (state[callee] == 1) {
                const char* file = loc.getFilename();
                const std::string plain = callee.substr(0, callee.find('('));
                const SourcePosition at = sources.NamePosition(loc, plain, 0);
                found = MakeDiagnostic({file && *file ? file : at.file, at.line, at.column},
                                       "recursive call of " + Quoted(plain)
                                           + ": HLSL does not allow recursion");
                return;
            }
            if (state[callee] == 0 && calls.count(callee))
                visit(callee);
        }
        state[name] = 2;
    };
    for (const auto& [name, list] : calls)
        if (!found && state[name] == 0)
            visit(name);
    return found;
}

// Links the parsed stage on its own, which completes its intermediate code.
void Link(const CompileRequest& request, Parsed& parsed, const SourceSet& sources)
{
    parsed.program = std::make_unique<glslang::TProgram>();
    parsed.program->addShader(parsed.shader.get());
    if (!parsed.program->link(kMessages)) {
        if (std::string_view(parsed.program->getInfoLog()).find("Recursion detected") != std::string_view::npos)
            if (std::optional<Diagnostic> recursion = FindRecursion(*parsed.intermediate, sources)) {
                parsed.errors.push_back(std::move(*recursion));
                return;
            }
        parsed.errors = ParseGlslangLog(parsed.program->getInfoLog(), request.file, sources.Lookup());
        if (parsed.errors.empty())
            parsed.errors.push_back(MakeDiagnostic({request.file, 1, 1}, "the entry point does not link"));
    }
}

// Lines between an entry point's name and the body glslang places it at.
constexpr int kSignatureLines = 16;

// The entry point's own definition: glslang wraps it in a generated function
// of the same name and renames the original "@name".
const glslang::TIntermAggregate* FindEntryFunction(const glslang::TIntermediate& intermediate,
                                                   const std::string& entryPoint)
{
    const glslang::TIntermAggregate* root =
        intermediate.getTreeRoot() ? intermediate.getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return nullptr;
    const glslang::TIntermAggregate* wrapper = nullptr;
    for (TIntermNode* node : root->getSequence()) {
        const glslang::TIntermAggregate* function = node->getAsAggregate();
        if (!function || function->getOp() != glslang::EOpFunction)
            continue;
        const std::string_view name(function->getName().c_str());
        if (name.starts_with("@" + entryPoint + "("))
            return function;
        if (name.starts_with(entryPoint + "("))
            wrapper = function;
    }
    return wrapper;
}

std::vector<const glslang::TIntermSymbol*> Parameters(const glslang::TIntermAggregate* function)
{
    std::vector<const glslang::TIntermSymbol*> parameters;
    if (!function || function->getSequence().empty())
        return parameters;
    const glslang::TIntermAggregate* list = function->getSequence()[0]->getAsAggregate();
    if (!list)
        return parameters;
    for (TIntermNode* node : list->getSequence())
        if (const glslang::TIntermSymbol* symbol = node->getAsSymbolNode())
            parameters.push_back(symbol);
    return parameters;
}

bool IsGeometryEntry(const glslang::TIntermediate& intermediate)
{
    return intermediate.getVertices() != glslang::TQualifier::layoutNotSet
           || intermediate.getInputPrimitive() != glslang::ElgNone;
}

SourcePosition EntryPosition(const CompileRequest& request, const Parsed& parsed, const SourceSet& sources)
{
    const glslang::TIntermAggregate* function = FindEntryFunction(*parsed.intermediate, request.entryPoint);
    return function ? sources.NamePosition(function->getLoc(), request.entryPoint, kSignatureLines)
                    : SourcePosition{request.file};
}

// glslang crashes on SV_ClipDistance or SV_CullDistance in a structure that
// a geometry shader takes as input, and reads a plain array parameter with
// that semantic from the wrong variable; either is refused where it is
// declared. The probe's types keep the semantic, upper case, but not yet
// the built-in.
std::optional<Diagnostic> ClipOrCullInput(const glslang::TType& type, const SourcePosition& at)
{
    const char* semanticName = type.getQualifier().semanticName;
    const std::string semantic = semanticName ? semanticName : "";
    if (!semantic.starts_with("SV_CLIPDISTANCE") && !semantic.starts_with("SV_CULLDISTANCE"))
        return std::nullopt;
    return MakeDiagnostic(at, semantic + " in a geometry shader's input is not supported by this compiler");
}

std::optional<Diagnostic> CheckClipAndCullInputs(const glslang::TTypeList& members, const SourceSet& sources)
{
    for (const glslang::TTypeLoc& member : members) {
        if (std::optional<Diagnostic> error = ClipOrCullInput(
                *member.type, sources.NamePosition(member.loc, member.type->getFieldName().c_str(), 0)))
            return error;
        if (member.type->isStruct() && member.type->getStruct())
            if (std::optional<Diagnostic> error = CheckClipAndCullInputs(*member.type->getStruct(), sources))
                return error;
    }
    return std::nullopt;
}

// glslang's geometry front end crashes on an entry point that takes a
// structure other than as a per-vertex array, so the shape is checked on a
// parse for the vertex stage first, which reads any entry point safely.
std::optional<Diagnostic> CheckGeometryShape(const CompileRequest& request, const Parsed& probe,
                                             const SourceSet& sources)
{
    const glslang::TIntermAggregate* function = FindEntryFunction(*probe.intermediate, request.entryPoint);
    const SourcePosition at = EntryPosition(request, probe, sources);
    const std::string entry = Quoted(request.entryPoint);
    if (probe.intermediate->getVertices() == glslang::TQualifier::layoutNotSet)
        return MakeDiagnostic(at, entry + " is not a geometry shader: it has no [maxvertexcount(n)] attribute");
    if (probe.intermediate->getInputPrimitive() == glslang::ElgNone)
        return MakeDiagnostic(at, entry + " is not a geometry shader: no parameter is declared point, line, "
                                          "triangle, lineadj or triangleadj");
    for (const glslang::TIntermSymbol* parameter : Parameters(function)) {
        const glslang::TType& type = parameter->getType();
        const glslang::TStorageQualifier storage = type.getQualifier().storage;
        if (storage != glslang::EvqIn && storage != glslang::EvqConstReadOnly)
            continue;
        if (type.isStruct() && !type.isArray())
            return MakeDiagnostic(sources.NamePosition(parameter->getLoc(), parameter->getName().c_str(),
                                                       kSignatureLines),
                                  "geometry shader input " + Quoted(parameter->getName().c_str())
                                      + " must be an array with one element per vertex");
        if (type.isStruct() && type.getStruct())
            if (std::optional<Diagnostic> error = CheckClipAndCullInputs(*type.getStruct(), sources))
                return error;
        if (std::optional<Diagnostic> error = ClipOrCullInput(
                type, sources.NamePosition(parameter->getLoc(), parameter->getName().c_str(), kSignatureLines)))
            return error;
    }
    return std::nullopt;
}

std::optional<Diagnostic> CheckStageKind(const CompileRequest& request, ShaderStage stage, const Parsed& parsed,
                                         const SourceSet& sources)
{
    const SourcePosition at = EntryPosition(request, parsed, sources);
    if (stage != ShaderStage::Geometry && IsGeometryEntry(*parsed.intermediate))
        return MakeDiagnostic(at, Quoted(request.entryPoint) + " is a geometry shader; " + request.profile
                                      + " compiles a " + StageName(stage) + " shader");
    if (stage == ShaderStage::Geometry && parsed.intermediate->getOutputPrimitive() == glslang::ElgNone)
        return MakeDiagnostic(at, Quoted(request.entryPoint)
                                      + " has no PointStream, LineStream or TriangleStream parameter");
    return std::nullopt;
}

bool PixelOnly(glslang::TOperator op)
{
    switch (op) {
    case glslang::EOpTexture: // Sample, SampleBias, SampleCmp: level from derivatives
    case glslang::EOpTextureProj:
    case glslang::EOpTextureOffset:
    case glslang::EOpTextureProjOffset:
    case glslang::EOpSparseTexture:
    case glslang::EOpSparseTextureOffset:
    case glslang::EOpTextureQueryLod:
    case glslang::EOpMethodSample:
    case glslang::EOpMethodSampleBias:
    case glslang::EOpMethodSampleCmp:
    case glslang::EOpMethodCalculateLevelOfDetail:
    case glslang::EOpMethodCalculateLevelOfDetailUnclamped:
    case glslang::EOpDPdx:
    case glslang::EOpDPdy:
    case glslang::EOpFwidth:
    case glslang::EOpDPdxFine:
    case glslang::EOpDPdyFine:
    case glslang::EOpFwidthFine:
    case glslang::EOpDPdxCoarse:
    case glslang::EOpDPdyCoarse:
    case glslang::EOpFwidthCoarse:
    case glslang::EOpKill:
    case glslang::EOpTerminateInvocation:
    case glslang::EOpDemote:
        return true;
    default:
        return false;
    }
}

// Finds the first pixel-only operation in one function, and the functions
// it calls.
class PixelOnlyFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;
    std::vector<std::string> calls;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        if (node->getOp() == glslang::EOpFunctionCall)
            calls.emplace_back(node->getName().c_str());
        return Check(node->getOp(), node->getLoc());
    }
    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* node) override
    {
        return Check(node->getOp(), node->getLoc());
    }
    bool visitBranch(glslang::TVisit, glslang::TIntermBranch* node) override
    {
        return Check(node->getFlowOp(), node->getLoc());
    }

private:
    bool Check(glslang::TOperator op, const glslang::TSourceLoc& loc)
    {
        if (!found && PixelOnly(op))
            found = loc;
        return !found;
    }
};

// Sample, derivatives and discard exist only in pixel shaders. glslang gives
// Sample level 0 in other stages without a word, so the entry point's code,
// and that of the functions it calls, is searched for them.
std::optional<Diagnostic> CheckPixelOnlyOperations(const CompileRequest& request, ShaderStage stage,
                                                   const Parsed& parsed, const SourceSet& sources)
{
    if (stage == ShaderStage::Pixel)
        return std::nullopt;
    const glslang::TIntermAggregate* root =
        parsed.intermediate->getTreeRoot() ? parsed.intermediate->getTreeRoot()->getAsAggregate() : nullptr;
    const glslang::TIntermAggregate* entry = FindEntryFunction(*parsed.intermediate, request.entryPoint);
    if (!root || !entry)
        return std::nullopt;
    std::map<std::string, glslang::TIntermAggregate*> functions;
    for (TIntermNode* node : root->getSequence())
        if (glslang::TIntermAggregate* function = node->getAsAggregate())
            if (function->getOp() == glslang::EOpFunction)
                functions.emplace(function->getName().c_str(), function);

    std::vector<std::string> pending{entry->getName().c_str()};
    std::set<std::string> visited;
    while (!pending.empty()) {
        const std::string name = std::move(pending.back());
        pending.pop_back();
        const auto function = functions.find(name);
        if (function == functions.end() || !visited.insert(name).second)
            continue;
        PixelOnlyFinder finder;
        function->second->traverse(&finder);
        if (finder.found) {
            const char* file = finder.found->getFilename();
            const SourcePosition at{file && *file ? file : sources.MainFile(), std::max(finder.found->line, 1),
                                    std::max(finder.found->column, 1)};
            return MakeDiagnostic(at,
                                  Quoted(request.entryPoint)
                                      + " uses Sample, a derivative or discard, which only a pixel shader may; "
                                      + request.profile + " compiles a " + StageName(stage) + " shader");
        }
        pending.insert(pending.end(), finder.calls.begin(), finder.calls.end());
    }
    return std::nullopt;
}

// Finds the first multi-element matrix swizzle left in the tree.
class MatrixSwizzleFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;

    bool visitBinary(glslang::TVisit, glslang::TIntermBinary* node) override
    {
        if (!found && node->getOp() == glslang::EOpMatrixSwizzle)
            found = node->getLoc();
        return !found;
    }
};

// A call's out or inout argument that is a matrix swizzle of several
// elements: glslang passes a copy it never writes back.
class SwizzleArgumentFinder final : public glslang::TIntermTraverser {
public:
    std::optional<glslang::TSourceLoc> found;

    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* node) override
    {
        const glslang::TQualifierList& qualifiers = node->getQualifierList();
        const glslang::TIntermSequence& arguments = node->getSequence();
        for (std::size_t i = 0; i < arguments.size() && i < qualifiers.size() && !found; ++i) {
            const glslang::TIntermBinary* argument = arguments[i]->getAsBinaryNode();
            if (argument && argument->getOp() == glslang::EOpMatrixSwizzle
                && (qualifiers[i] == glslang::EvqOut || qualifiers[i] == glslang::EvqInOut))
                found = argument->getLoc();
        }
        return !found;
    }
};

std::optional<Diagnostic> CheckSwizzleArguments(glslang::TIntermediate& intermediate, const SourceSet& sources)
{
    SwizzleArgumentFinder finder;
    if (intermediate.getTreeRoot())
        intermediate.getTreeRoot()->traverse(&finder);
    if (!finder.found)
        return std::nullopt;
    const char* file = finder.found->getFilename();
    return MakeDiagnostic({file && *file ? file : sources.MainFile(), std::max(finder.found->line, 1),
                           std::max(finder.found->column, 1)},
                          "a matrix swizzle of several elements as an out or inout argument is not supported by "
                          "this compiler; pass a variable and assign the swizzle from it");
}

// GlslangToSpv reports what it cannot translate as "Missing functionality:
// <what>" and goes on, leaving code out; the compile fails instead. A matrix
// swizzle is placed at the swizzle, anything else at the entry point.
std::optional<Diagnostic> MissingFunctionality(const std::string& log, glslang::TIntermediate& intermediate,
                                               const SourceSet& sources, const SourcePosition& entry)
{
    constexpr std::string_view kMarker = "Missing functionality: ";
    const std::size_t at = log.find(kMarker);
    if (at == std::string::npos)
        return std::nullopt;
    std::string what = log.substr(at + kMarker.size());
    what = what.substr(0, what.find_first_of("\r\n"));
    SourcePosition position = entry;
    if (what == "matrix swizzle") {
        what = "this use of a matrix swizzle of several elements";
        MatrixSwizzleFinder finder;
        if (intermediate.getTreeRoot())
            intermediate.getTreeRoot()->traverse(&finder);
        if (finder.found) {
            const char* file = finder.found->getFilename();
            position = {file && *file ? file : sources.MainFile(), std::max(finder.found->line, 1),
                        std::max(finder.found->column, 1)};
        }
    } else {
        what = Quoted(what);
    }
    return MakeDiagnostic(position, what + " is not supported by this compiler");
}

std::vector<MemberDeclaration> Members(const glslang::TTypeList& list, const SourceSet& sources)
{
    std::vector<MemberDeclaration> members;
    for (const glslang::TTypeLoc& entry : list) {
        MemberDeclaration member;
        member.name = entry.type->getFieldName().c_str();
        member.position = sources.NamePosition(entry.loc, member.name, 0);
        const glslang::TQualifier& qualifier = entry.type->getQualifier();
        if (qualifier.hasOffset())
            member.packOffset = static_cast<std::uint64_t>(qualifier.layoutOffset);
        if (entry.type->isStruct() && entry.type->getStruct())
            member.members = Members(*entry.type->getStruct(), sources);
        members.push_back(std::move(member));
    }
    return members;
}

// The globals, pipeline inputs and outputs included, in declaration order.
std::vector<const glslang::TIntermSymbol*> Globals(const glslang::TIntermediate& intermediate)
{
    std::vector<const glslang::TIntermSymbol*> globals;
    const glslang::TIntermAggregate* root =
        intermediate.getTreeRoot() ? intermediate.getTreeRoot()->getAsAggregate() : nullptr;
    if (!root)
        return globals;
    for (TIntermNode* node : root->getSequence()) {
        const glslang::TIntermAggregate* objects = node->getAsAggregate();
        if (!objects || objects->getOp() != glslang::EOpLinkerObjects)
            continue;
        for (TIntermNode* object : objects->getSequence())
            if (const glslang::TIntermSymbol* symbol = object->getAsSymbolNode())
                globals.push_back(symbol);
    }
    return globals;
}

std::vector<ResourceDeclaration> Resources(const glslang::TIntermediate& intermediate, const SourceSet& sources)
{
    std::vector<ResourceDeclaration> resources;
    for (const glslang::TIntermSymbol* symbol : Globals(intermediate)) {
        const glslang::TType& type = symbol->getType();
        const glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqUniform && qualifier.storage != glslang::EvqBuffer)
            continue;
        ResourceDeclaration resource;
        if (type.getBasicType() == glslang::EbtBlock) {
            resource.name = type.getTypeName().c_str();
            if (qualifier.storage == glslang::EvqUniform)
                resource.resourceClass = ResourceClass::ConstantBuffer;
            if (type.getStruct())
                resource.members = Members(*type.getStruct(), sources);
        } else {
            resource.name = symbol->getName().c_str();
            if (type.getBasicType() == glslang::EbtSampler) {
                const glslang::TSampler& sampler = type.getSampler();
                if (sampler.isPureSampler())
                    resource.resourceClass = ResourceClass::Sampler;
                else if (!sampler.isCombined() && !sampler.isImage())
                    resource.resourceClass = ResourceClass::Texture;
            }
        }
        if (qualifier.hasBinding())
            resource.slot = qualifier.layoutBinding;
        resource.position = sources.FindWord(resource.name);
        resources.push_back(std::move(resource));
    }
    return resources;
}

// Direct3D 11 feeds an SV_Position vertex input from the input layout like
// any other element; glslang makes it the Position built-in, which a vertex
// stage cannot read. Each such input becomes an ordinary one at the next
// free location, keeping its semantic.
class PositionInputsToAttributes final : public glslang::TIntermTraverser {
public:
    explicit PositionInputsToAttributes(const glslang::TIntermediate& intermediate)
    {
        for (const glslang::TIntermSymbol* symbol : Globals(intermediate)) {
            const glslang::TType& type = symbol->getType();
            const glslang::TQualifier& qualifier = type.getQualifier();
            if (qualifier.storage == glslang::EvqVaryingIn && qualifier.builtIn == glslang::EbvNone
                && qualifier.hasLocation())
                next_ = std::max(next_, static_cast<int>(qualifier.layoutLocation)
                                            + glslang::TIntermediate::computeTypeLocationSize(type, EShLangVertex));
        }
    }

    void visitSymbol(glslang::TIntermSymbol* symbol) override
    {
        glslang::TType& type = symbol->getWritableType();
        glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqVaryingIn || qualifier.builtIn != glslang::EbvPosition)
            return;
        const auto [assigned, added] = locations_.try_emplace(symbol->getId(), next_);
        if (added)
            next_ += glslang::TIntermediate::computeTypeLocationSize(type, EShLangVertex);
        qualifier.builtIn = glslang::EbvNone;
        // Locations end far below the 12 bits glslang keeps them in.
        qualifier.layoutLocation = static_cast<unsigned>(assigned->second) & 0xFFFu;
    }

private:
    std::map<long long, int> locations_; // by symbol id
    int next_ = 0;
};

ComponentType ComponentTypeOf(glslang::TBasicType type)
{
    switch (type) {
    case glslang::EbtInt:
    case glslang::EbtInt16:
    case glslang::EbtInt8:
        return ComponentType::Int;
    case glslang::EbtUint:
    case glslang::EbtUint16:
    case glslang::EbtUint8:
    case glslang::EbtBool:
        return ComponentType::Uint;
    default:
        return ComponentType::Float;
    }
}

// The entry point's inputs as glslang splits them out of its parameters,
// before the optimizer removes those never read.
std::vector<DeclaredInput> DeclaredInputs(const glslang::TIntermediate& intermediate)
{
    std::vector<DeclaredInput> inputs;
    for (const glslang::TIntermSymbol* symbol : Globals(intermediate)) {
        const glslang::TType& type = symbol->getType();
        const glslang::TQualifier& qualifier = type.getQualifier();
        if (qualifier.storage != glslang::EvqVaryingIn || qualifier.builtIn != glslang::EbvNone
            || !qualifier.semanticName || type.isStruct())
            continue;
        DeclaredInput input;
        input.semantic = qualifier.semanticName;
        input.componentType = ComponentTypeOf(type.getBasicType());
        input.componentCount = type.isMatrix() ? static_cast<std::uint32_t>(type.getMatrixRows())
                                               : static_cast<std::uint32_t>(std::max(type.getVectorSize(), 1));
        input.locationCount = type.isMatrix() ? static_cast<std::uint32_t>(type.getMatrixCols()) : 1;
        if (type.isSizedArray())
            input.locationCount *= static_cast<std::uint32_t>(type.getCumulativeArraySize());
        inputs.push_back(std::move(input));
    }
    return inputs;
}

// glslang's geometry stage crashes on a file with two geometry shaders
// whose streams carry different types, the usual effect file with several
// passes. For the geometry parse, a geometry shader other than the entry
// point is blanked out, attributes and body, keeping every line break so
// that positions stay; the probe parse has checked its syntax. Nothing calls
// one: its stream parameter has no other use.
std::string BlankOtherGeometryShaders(std::string text, const std::string& entryPoint)
{
    const std::vector<SourceToken> tokens = ScanTokens(text);
    const auto word = [&](std::size_t i) {
        return std::string_view(text).substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
    };
    const auto is = [&](std::size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == TokenKind::Punctuation && text[tokens[i].begin] == c;
    };
    std::vector<std::pair<std::size_t, std::size_t>> blanks; // byte ranges
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (is(i, '{'))
            ++depth;
        else if (is(i, '}'))
            --depth;
        if (depth != 0 || !is(i, '[') || i + 1 >= tokens.size() || word(i + 1) != "maxvertexcount")
            continue;
        // Earlier attributes ([instance(n)]) go with it.
        std::size_t first = i;
        while (first > 0 && is(first - 1, ']')) {
            std::size_t open = first - 1;
            while (open > 0 && !is(open, '['))
                --open;
            if (!is(open, '['))
                break;
            first = open;
        }
        // The function's name: the identifier before the first '(' at
        // bracket depth 0 after the attributes.
        std::size_t at = i;
        int brackets = 0;
        std::string_view name;
        for (; at < tokens.size(); ++at) {
            if (is(at, '['))
                ++brackets;
            else if (is(at, ']'))
                --brackets;
            else if (brackets == 0 && is(at, '(') && at > 0 && tokens[at - 1].kind == TokenKind::Identifier) {
                name = word(at - 1);
                break;
            } else if (brackets == 0 && (is(at, ';') || is(at, '{')))
                break;
        }
        if (name.empty() || name == entryPoint)
            continue;
        std::size_t body = at;
        while (body < tokens.size() && !is(body, '{') && !is(body, ';'))
            ++body;
        if (!is(body, '{'))
            continue;
        int inner = 0;
        std::size_t end = body;
        for (; end < tokens.size(); ++end) {
            if (is(end, '{'))
                ++inner;
            else if (is(end, '}') && --inner == 0)
                break;
        }
        if (end >= tokens.size())
            continue;
        blanks.emplace_back(tokens[first].begin, tokens[end].end);
        i = end;
    }
    for (const auto& [from, to] : blanks)
        for (std::size_t c = from; c < to; ++c)
            if (text[c] != '\n' && text[c] != '\r')
                text[c] = ' ';
    return text;
}

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
    const std::vector<SourceToken> tokens = ScanTokens(text);
    const auto word = [&](std::size_t i) { return text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin); };
    for (std::size_t i = 1; i < tokens.size(); ++i)
        if (tokens[i].kind == TokenKind::Identifier && word(i) == name
            && tokens[i - 1].kind == TokenKind::Identifier && word(i - 1) != "return")
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

std::string Preamble(const CompileRequest& request)
{
    std::string preamble;
    for (const Macro& macro : request.macros)
        preamble += "#define " + macro.name + " " + macro.definition + "\n";
    // A file, or a caller's macro, that declares its own fmod or sign keeps it.
    static const std::string helpers = IntrinsicHelpers();
    const auto ours = [&](std::string_view name) {
        return !DeclaresName(request.source, name)
               && std::none_of(request.macros.begin(), request.macros.end(),
                               [&](const Macro& macro) { return macro.name == name; });
    };
    const bool fmod = ours("fmod"), sign = ours("sign");
    if (fmod || sign)
        preamble += helpers;
    if (fmod)
        preamble += "#define fmod(x, y) fxdemo_fmod(x, y)\n";
    if (sign)
        preamble += "#define sign(x) fxdemo_sign(x)\n";
    return preamble;
}

std::optional<Diagnostic> CheckMacros(const CompileRequest& request)
{
    for (const Macro& macro : request.macros) {
        const bool identifier =
            !macro.name.empty() && !std::isdigit(static_cast<unsigned char>(macro.name[0]))
            && std::all_of(macro.name.begin(), macro.name.end(),
                           [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
        if (!identifier)
            return MakeDiagnostic({request.file, 1, 1}, "macro name " + Quoted(macro.name) + " is not an identifier");
        if (macro.definition.find_first_of("\r\n") != std::string::npos)
            return MakeDiagnostic({request.file, 1, 1},
                                  "the definition of macro " + Quoted(macro.name) + " spans several lines");
    }
    return std::nullopt;
}

} // namespace

void InitializeGlslang()
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

FrontEndResult CompileToSpirv(const CompileRequest& original, ShaderStage stage)
{
    InitializeGlslang();
    FrontEndResult result;
    if (std::optional<Diagnostic> error = CheckMacros(original)) {
        result.errors.push_back(std::move(*error));
        return result;
    }
    if (std::optional<Diagnostic> error = CheckSourceLimits(original.source, original.file)) {
        result.errors.push_back(std::move(*error));
        return result;
    }
    CompileRequest request = original;
    request.source = StripEffectSyntax(original.source);
    if (std::optional<Diagnostic> error = FindUnsupportedSyntax(request.source, request.file)) {
        result.errors.push_back(std::move(*error));
        return result;
    }
    const std::string preamble = Preamble(request);

    SourceSet sources(request);
    if (stage == ShaderStage::Geometry) {
        Parsed probe = Parse(request, preamble, EShLangVertex, sources);
        if (probe.errors.empty())
            if (std::optional<Diagnostic> error = CheckGeometryShape(request, probe, sources))
                probe.errors.push_back(std::move(*error));
        if (!probe.errors.empty()) {
            result.errors = std::move(probe.errors);
            return result;
        }
        // The probe has read every function; the geometry parse reads the
        // entry point's.
        request.source = BlankOtherGeometryShaders(request.source, request.entryPoint);
    }

    // The stage's kind is checked before linking: glslang's link refuses a
    // geometry stage without a stream in words of its own, at no position.
    Parsed parsed = Parse(request, preamble, GlslangLanguage(stage), sources);
    if (parsed.errors.empty())
        if (std::optional<Diagnostic> error = CheckStageKind(request, stage, parsed, sources))
            parsed.errors.push_back(std::move(*error));
    if (parsed.errors.empty())
        Link(request, parsed, sources);
    if (!parsed.errors.empty()) {
        result.errors = std::move(parsed.errors);
        return result;
    }

    glslang::TIntermediate& linked = *parsed.program->getIntermediate(GlslangLanguage(stage));
    if (stage == ShaderStage::Vertex && linked.getTreeRoot()) {
        PositionInputsToAttributes positions(linked);
        linked.getTreeRoot()->traverse(&positions);
    }

    SpirvModule module;
    module.stage = stage;
    module.profile = request.profile;
    module.entryPoint = request.entryPoint;
    module.entryPosition = EntryPosition(request, parsed, sources);
    module.resources = Resources(*parsed.intermediate, sources);
    if (stage == ShaderStage::Vertex)
        module.declaredInputs = DeclaredInputs(*parsed.intermediate);
    module.pixelOnlyUse = CheckPixelOnlyOperations(request, stage, parsed, sources);

    if (std::optional<Diagnostic> error = CheckSwizzleArguments(linked, sources)) {
        result.errors.push_back(std::move(*error));
        return result;
    }
    ApplyHlslTreeSemantics(linked, sources.Lookup(), sources.MainFile());
    // HLSL's meaning goes in before the optimizer folds constants; then
    // the legalization GlslangToSpv runs for HLSL: without it a texture or
    // sampler passed to a function loses its binding.
    spv::SpvBuildLogger logger;
    const auto generate = [&](std::vector<std::uint32_t>& words, bool lineNumbers) {
        glslang::SpvOptions options;
        options.disableOptimizer = true;
        options.validate = false;
        options.generateDebugInfo = lineNumbers;
        glslang::GlslangToSpv(linked, words, &logger, &options);
        // What GlslangToSpv left out can crash the optimizer: reported below.
        if (logger.getAllMessages().find("Missing functionality") != std::string::npos)
            return;
        LowerRemainders(words);
        LowerFloatToIntConversions(words);
        LowerFloatLdexp(words);
        if (!words.empty())
            LegalizeSpirv(linked, words, &logger);
    };
    generate(module.words, false);
    const std::string log = logger.getAllMessages();
    if (std::optional<Diagnostic> error = MissingFunctionality(log, linked, sources, module.entryPosition)) {
        result.errors.push_back(std::move(*error));
        return result;
    }
    if (module.words.empty() || log.find("error") != std::string::npos) {
        result.errors.push_back(MakeDiagnostic(module.entryPosition, "SPIR-V generation failed: " + log));
        return result;
    }
    // GLSL needs constant texture offsets: unroll the loops that feed them,
    // on a module made again with line numbers to place what stays variable.
    if (HasNonConstantOffset(module.words)) {
        if (std::optional<Diagnostic> error = CheckUnrollLimit(linked, request.file)) {
            result.errors.push_back(std::move(*error));
            return result;
        }
        std::vector<std::uint32_t> lined;
        generate(lined, true);
        if (std::optional<Diagnostic> error = LowerOffsetsToConstants(
                lined, OffsetCallPositions(linked, request.file), module.entryPosition)) {
            result.errors.push_back(std::move(*error));
            return result;
        }
        module.words = std::move(lined);
    }
    result.module = std::move(module);
    return result;
}

} // namespace hlsl
