// glslang's parse and link of one stage, with every #include read through
// the text passes, and glslang's errors in the user's terms.

#include "platform/hlsl/tree.h"

#include "platform/hlsl/source_tokens.h"

#include "platform/hlsl/glslang_stage.h"
#include "platform/hlsl/tree_nodes.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

namespace hlsl {

namespace {

// Resolves #include "x" and #include <x> relative to the including file,
// reading with the same checks as the main file, and refuses cycles.
class Includer final : public glslang::TShader::Includer {
public:
    Includer(SourceSet& sources, const ParseRequest& request)
        : sources_(sources), linkage_(request.linkage), root_(request.root)
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
    const std::optional<Refusal>& Refused() const { return refused_; }

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
        const std::string name =
            IncludePath(includerName ? includerName : sources_.MainFile(), headerName ? headerName : "");

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
        PreparedText text;
        try {
            text = PrepareText(file.text, name, root_);
            if (linkage_)
                text.text = LowerDynamicLinkage(text.text, name, *linkage_, false, text.insertions);
        } catch (const Refusal& refusal) {
            // glslang's C++ is not unwound through: the refusal is raised
            // again once the parse has returned.
            if (!refused_)
                refused_ = refusal;
            return Failure(name + " cannot be compiled");
        }
        chain_.push_back(identity);
        // Two line breaks after the text: when an error inside a nested
        // include is followed straight by the end of the including file,
        // glslang otherwise also reports the line marker it puts after the
        // include as a misplaced '#'.
        const std::string& kept = sources_.Add(name, std::move(text.text) + "\n\n", std::move(text.insertions));
        names_.push_back(name);
        return new IncludeResult(names_.back(), kept.data(), kept.size(), nullptr);
    }

    SourceSet& sources_;
    const DynamicLinkage* linkage_;
    const IncludeRoot& root_;
    std::vector<std::string> chain_;
    std::deque<std::string> messages_;
    std::deque<std::string> names_;
    std::optional<Refusal> refused_;
};

// glslang refuses `*` between two matrices of one non-square shape, which
// HLSL multiplies per component, with a message that names no operator, at
// the end of the expression. The error goes to the last `*` before it.
void ExplainRefusedOperations(std::vector<Diagnostic>& errors, const SourceSet& sources,
                              const std::string& entryPoint)
{
    for (Diagnostic& error : errors) {
        // glslang gives no place: the entry point that has no stream is it.
        if (error.message.find("unable to find output symbol for Append()") != std::string::npos) {
            const TokenView tokens(sources.MainText());
            for (std::size_t i = 1; i + 1 < tokens.Size(); ++i)
                if (tokens.Text(i) == entryPoint && tokens.IsIdentifier(i - 1) && tokens.Is(i + 1, '(')) {
                    const TextPosition at = tokens.Position(i);
                    error.position = {sources.MainFile(), at.line, at.column};
                    break;
                }
            error.message = "the geometry entry point " + Quoted(entryPoint)
                            + " has no output stream (an inout PointStream, LineStream or TriangleStream "
                              "parameter); this compiler takes Append() only on the entry point's own stream";
            continue;
        }
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
// error goes to the call that closes the cycle. Nothing where no cycle is
// found.
void PlaceRecursion(const glslang::TIntermediate& intermediate, const SourceSet& sources)
{
    std::map<std::string, std::vector<std::pair<std::string, glslang::TSourceLoc>>> calls;
    for (glslang::TIntermAggregate* function : Functions(intermediate)) {
        CallFinder finder;
        function->traverse(&finder);
        calls[function->getName().c_str()] = std::move(finder.calls);
    }
    // Depth-first, with the functions on the current path marked.
    std::map<std::string, int> state; // 1: on the path, 2: done
    const std::function<void(const std::string&)> visit = [&](const std::string& name) {
        state[name] = 1;
        for (const auto& [callee, loc] : calls[name]) {
            if (state[callee] == 1) {
                const std::string plain = callee.substr(0, callee.find('('));
                Refuse(PlaceName(loc, plain, 0, sources),
                       "recursive call of " + Quoted(plain) + ": HLSL does not allow recursion");
            }
            if (state[callee] == 0 && calls.count(callee))
                visit(callee);
        }
        state[name] = 2;
    };
    for (const auto& [name, list] : calls)
        if (state[name] == 0)
            visit(name);
}

} // namespace

void InitializeGlslang()
{
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

Tree ParseHlsl(const ParseRequest& request, SourceSet& sources)
{
    InitializeGlslang();
    Tree tree;
    const EShLanguage language = GlslangLanguage(request.stage);
    tree.shader = std::make_unique<glslang::TShader>(language);
    glslang::TShader& shader = *tree.shader;
    const char* text = request.text.c_str();
    const int length = static_cast<int>(request.text.size());
    const char* name = sources.MainFile().c_str();
    shader.setStringsWithLengthsAndNames(&text, &length, &name, 1);
    shader.setPreamble(request.preamble.c_str());
    shader.setEntryPoint(request.entryPoint.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    // Keeps every input's and output's semantic as a UserSemantic decoration.
    shader.setEnvTargetHlslFunctionality1();
    // The pixel stage's SV_Position.w is the clip-space w, where GL's
    // gl_FragCoord.w is 1/w.
    shader.setDxPositionW(true);

    Includer includer(sources, request);
    const bool parsed = shader.parse(GetDefaultResources(), 100, false, kMessages, includer);
    if (includer.Refused())
        throw *includer.Refused();
    if (!parsed) {
        std::vector<Diagnostic> errors = ReadGlslangLog(shader.getInfoLog(), sources.MainFile(), sources.Lookup());
        ExplainUnsupportedSyntax(errors, sources.Lookup());
        ExplainRefusedOperations(errors, sources, request.entryPoint);
        if (errors.empty())
            Refuse({sources.MainFile(), 1, 1}, "the source does not compile");
        throw Refusal{std::move(errors)};
    }
    tree.parsed = shader.getIntermediate();
    if (tree.parsed->getNumEntryPoints() == 0)
        Refuse({sources.MainFile(), 1, 1}, "entry point " + Quoted(request.entryPoint) + " not found");
    return tree;
}

void LinkStage(Tree& tree, const SourceSet& sources)
{
    tree.program = std::make_unique<glslang::TProgram>();
    tree.program->addShader(tree.shader.get());
    if (tree.program->link(kMessages)) {
        tree.linked = tree.program->getIntermediate(tree.shader->getStage());
        return;
    }
    if (std::string_view(tree.program->getInfoLog()).find("Recursion detected") != std::string_view::npos)
        PlaceRecursion(*tree.parsed, sources);
    std::vector<Diagnostic> errors = ReadGlslangLog(tree.program->getInfoLog(), sources.MainFile(), sources.Lookup());
    if (errors.empty())
        Refuse({sources.MainFile(), 1, 1}, "the entry point does not link");
    throw Refusal{std::move(errors)};
}

} // namespace hlsl
