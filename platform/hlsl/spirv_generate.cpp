// SPIR-V from glslang's tree.

#include "platform/hlsl/spirv.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/SPIRV/GlslangToSpv.h>

namespace hlsl {

std::vector<std::uint32_t> GenerateSpirv(const Tree& tree, bool lineNumbers, std::string& log)
{
    // Unoptimized: HLSL's meaning goes in before the optimizer folds
    // constants (LegalizeSpirv runs it).
    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    options.disableOptimizer = true;
    options.validate = false;
    options.generateDebugInfo = lineNumbers;
    std::vector<std::uint32_t> words;
    glslang::GlslangToSpv(*tree.linked, words, &logger, &options);
    log += logger.getAllMessages();
    return words;
}

void CheckGeneratedSpirv(const std::vector<std::uint32_t>& words, const std::string& log, const SourcePosition& entry)
{
    if (words.empty() || log.find("error") != std::string::npos)
        Refuse(entry, "SPIR-V generation failed: " + log);
}

} // namespace hlsl
