#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

#include <spirv-tools/optimizer.hpp>

#include <algorithm>
#include <map>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

// The word (from the instruction's start) of an image instruction's operand
// mask, and whether GLSL needs its offset to be constant. Gathers take any
// offset in GLSL 4.50; reads and writes take none.
struct ImageInstruction {
    spv::Op op;
    std::uint16_t maskWord;
    bool constantOffset;
};

constexpr ImageInstruction kImageInstructions[] = {
    {spv::OpImageSampleImplicitLod, 5, true},
    {spv::OpImageSampleExplicitLod, 5, true},
    {spv::OpImageSampleDrefImplicitLod, 6, true},
    {spv::OpImageSampleDrefExplicitLod, 6, true},
    {spv::OpImageSampleProjImplicitLod, 5, true},
    {spv::OpImageSampleProjExplicitLod, 5, true},
    {spv::OpImageSampleProjDrefImplicitLod, 6, true},
    {spv::OpImageSampleProjDrefExplicitLod, 6, true},
    {spv::OpImageFetch, 5, true},
    {spv::OpImageGather, 6, false},
    {spv::OpImageDrefGather, 6, false},
    {spv::OpImageSparseSampleImplicitLod, 5, true},
    {spv::OpImageSparseSampleExplicitLod, 5, true},
    {spv::OpImageSparseSampleDrefImplicitLod, 6, true},
    {spv::OpImageSparseSampleDrefExplicitLod, 6, true},
    {spv::OpImageSparseSampleProjImplicitLod, 5, true},
    {spv::OpImageSparseSampleProjExplicitLod, 5, true},
    {spv::OpImageSparseSampleProjDrefImplicitLod, 6, true},
    {spv::OpImageSparseSampleProjDrefExplicitLod, 6, true},
    {spv::OpImageSparseFetch, 5, true},
    {spv::OpImageSparseGather, 6, false},
    {spv::OpImageSparseDrefGather, 6, false},
};

const ImageInstruction* FindImageInstruction(spv::Op op)
{
    for (const ImageInstruction& entry : kImageInstructions)
        if (entry.op == op)
            return &entry;
    return nullptr;
}

bool Has(std::uint32_t mask, spv::ImageOperandsMask bit)
{
    return (mask & static_cast<std::uint32_t>(bit)) != 0;
}

// The word of the Offset operand of an image instruction that needs a
// constant one, or 0 when it has none.
std::size_t OffsetWord(const Instruction& instruction)
{
    const ImageInstruction* entry = FindImageInstruction(instruction.Op());
    if (!entry || !entry->constantOffset || instruction.Size() <= entry->maskWord)
        return 0;
    const std::uint32_t mask = instruction.Word(entry->maskWord);
    if (!Has(mask, spv::ImageOperandsOffsetMask))
        return 0;
    // Operands follow the mask in bit order: Bias, Lod, Grad (two), ConstOffset.
    const std::size_t before = Has(mask, spv::ImageOperandsBiasMask) + Has(mask, spv::ImageOperandsLodMask)
                               + 2 * Has(mask, spv::ImageOperandsGradMask)
                               + Has(mask, spv::ImageOperandsConstOffsetMask);
    const std::size_t word = entry->maskWord + 1 + before;
    return word < instruction.Size() ? word : 0;
}

// Indices of the image instructions whose offset is not constant.
std::vector<std::size_t> NonConstantOffsets(const Module& module)
{
    std::vector<std::size_t> found;
    const std::vector<Instruction>& list = module.Instructions();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (const std::size_t word = OffsetWord(list[i]); word && !module.IsConstant(list[i].Word(word)))
            found.push_back(i);
    return found;
}

// An Offset operand whose id is a constant becomes a ConstOffset, which
// sits at the same place among the operands.
void MakeConstantOffsetsConst(Module& module)
{
    for (Instruction& instruction : module.Instructions()) {
        const std::size_t word = OffsetWord(instruction);
        if (!word || !module.IsConstant(instruction.Word(word)))
            continue;
        std::uint32_t& mask = instruction.WordAt(FindImageInstruction(instruction.Op())->maskWord);
        if (!Has(mask, spv::ImageOperandsConstOffsetMask))
            mask = (mask & ~static_cast<std::uint32_t>(spv::ImageOperandsOffsetMask))
                   | static_cast<std::uint32_t>(spv::ImageOperandsConstOffsetMask);
    }
}

// Marks for full unrolling every loop that holds one of the instructions.
// A loop's blocks lie between its header's OpLoopMerge and its merge block's
// label, as structured control flow is laid out.
bool MarkLoopsForUnrolling(Module& module, const std::vector<std::size_t>& instructions)
{
    std::vector<Instruction>& list = module.Instructions();
    std::map<std::uint32_t, std::size_t> labels;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].Op() == spv::OpLabel && list[i].Size() >= 2)
            labels.emplace(list[i].Word(1), i);
    bool marked = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].Op() != spv::OpLoopMerge || list[i].Size() < 4)
            continue;
        const auto merge = labels.find(list[i].Word(1));
        const std::size_t end = merge == labels.end() ? list.size() : merge->second;
        const bool holds = std::any_of(instructions.begin(), instructions.end(),
                                       [&](std::size_t index) { return index > i && index < end; });
        if (!holds)
            continue;
        std::uint32_t& control = list[i].WordAt(3);
        control = (control & ~static_cast<std::uint32_t>(spv::LoopControlDontUnrollMask))
                  | static_cast<std::uint32_t>(spv::LoopControlUnrollMask);
        marked = true;
    }
    return marked;
}

bool UnrollForConstantOffsets(std::vector<std::uint32_t>& words)
{
    std::vector<std::uint32_t> working = words;
    // Each round unrolls the loops that hold such an instruction; a nest of
    // loops may take one round per level.
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        Module module(working);
        if (!module.Complete())
            break;
        const std::vector<std::size_t> offsets = NonConstantOffsets(module);
        if (offsets.empty() || !MarkLoopsForUnrolling(module, offsets))
            break;
        const std::vector<std::uint32_t> marked = module.Serialize();
        std::vector<std::uint32_t> unrolled = marked;
        const bool ran = spirv::RunOptimizer(unrolled, [](spvtools::Optimizer& optimizer) {
            optimizer.RegisterPass(spvtools::CreateLoopUnrollPass(true))
                .RegisterPass(spvtools::CreateSSARewritePass())
                .RegisterPass(spvtools::CreateCCPPass())
                .RegisterPass(spvtools::CreateSimplificationPass())
                .RegisterPass(spvtools::CreateDeadBranchElimPass())
                .RegisterPass(spvtools::CreateBlockMergePass())
                .RegisterPass(spvtools::CreateAggressiveDCEPass());
        });
        if (!ran)
            return false;
        // A loop the unroller cannot count is left as it was: stop there.
        const bool same = unrolled == marked;
        working = std::move(unrolled);
        if (same)
            break;
    }
    Module module(working);
    if (module.Complete()) {
        MakeConstantOffsetsConst(module);
        working = module.Serialize();
    }
    words = std::move(working);
    return true;
}

struct SpirvLine {
    std::string file;
    int line = 0;
};

// The OpLine place of the first image instruction whose offset is still
// not constant.
std::optional<SpirvLine> FirstNonConstantOffsetLine(const Module& module)
{
    const std::vector<std::size_t> offsets = NonConstantOffsets(module);
    if (offsets.empty())
        return std::nullopt;
    const std::vector<Instruction>& list = module.Instructions();
    std::map<std::uint32_t, std::string> strings;
    for (const Instruction& instruction : list)
        if (instruction.Op() == spv::OpString && instruction.Size() >= 3)
            strings[instruction.Word(1)] = instruction.String(2);
    // The OpLine in effect at the instruction: the last one before it in its
    // block.
    for (std::size_t i = offsets.front(); i-- > 0;) {
        const Instruction& instruction = list[i];
        if (instruction.Op() == spv::OpNoLine || instruction.Op() == spv::OpLabel)
            return std::nullopt;
        if (instruction.Op() == spv::OpLine && instruction.Size() >= 3) {
            const auto file = strings.find(instruction.Word(1));
            return SpirvLine{file == strings.end() ? std::string() : file->second,
                             static_cast<int>(instruction.Word(2))};
        }
    }
    return std::nullopt;
}

} // namespace

bool HasNonConstantOffset(const std::vector<std::uint32_t>& words)
{
    const Module module(words);
    return module.Complete() && !NonConstantOffsets(module).empty();
}

void LowerOffsetsToConstants(std::vector<std::uint32_t>& words, const std::vector<SourcePosition>& calls,
                             const SourcePosition& fallback)
{
    const std::string message = "the offset of this texture call must be a constant: it depends on a value known "
                                "only at run time, or on a loop that cannot be unrolled";
    if (!UnrollForConstantOffsets(words))
        Refuse(calls.empty() ? fallback : calls.front(), message);
    const Module module(words);
    if (!module.Complete() || NonConstantOffsets(module).empty())
        return;
    // The call on the OpLine's line, or the last one above it: a call's
    // arguments may run over several lines.
    SourcePosition at = calls.empty() ? fallback : calls.front();
    if (const std::optional<SpirvLine> line = FirstNonConstantOffsetLine(module)) {
        const SourcePosition* best = nullptr;
        for (const SourcePosition& call : calls)
            if ((line->file.empty() || call.file == line->file) && call.line <= line->line
                && (!best || call.line > best->line || (call.line == best->line && call.column < best->column)))
                best = &call;
        if (best)
            at = *best;
        else if (calls.empty())
            at = {line->file.empty() ? fallback.file : line->file, line->line, 1};
    }
    Refuse(at, message);
}

} // namespace hlsl
