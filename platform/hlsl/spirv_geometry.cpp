// Geometry-stage rules that Direct3D states and GL leaves undefined.

#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

#include <map>

namespace hlsl {

using spirv::Instruction;
using spirv::Module;

void LowerExtraVertices(std::vector<std::uint32_t>& words)
{
    Module module(words);
    if (!module.Complete())
        return;
    std::uint32_t maxVertices = 0;
    bool emits = false;
    for (const Instruction& instruction : module.Instructions()) {
        if (instruction.Op() == spv::OpExecutionMode && instruction.Word(2) == spv::ExecutionModeOutputVertices)
            maxVertices = instruction.Word(3);
        emits = emits || instruction.Op() == spv::OpEmitVertex;
    }
    if (!emits)
        return;

    std::uint32_t uintType = module.FindType(spv::OpTypeInt, 32, 0);
    if (!uintType) {
        uintType = module.NewId();
        module.AddGlobal(Instruction(spv::OpTypeInt, {uintType, 32, 0}));
    }
    const std::uint32_t boolType = module.BoolType(1);
    const std::uint32_t pointer = module.NewId();
    module.AddGlobal(Instruction(spv::OpTypePointer, {pointer, spv::StorageClassPrivate, uintType}));
    const std::uint32_t count = module.NewId();
    module.AddGlobal(Instruction(spv::OpVariable, {pointer, count, spv::StorageClassPrivate,
                                                   module.Constant(uintType, 0)}));
    const std::uint32_t limit = module.Constant(uintType, maxVertices);
    const std::uint32_t one = module.Constant(uintType, 1);

    // Each emit becomes "if (count < limit) { emit; ++count; }", the block
    // split around it; the rest of the block takes a new label, which the
    // phis of its successors then name.
    std::vector<Instruction> rewritten;
    std::map<std::uint32_t, std::uint32_t> renamed; // old block label -> label of its last part
    std::uint32_t block = 0;
    for (const Instruction& instruction : module.Instructions()) {
        if (instruction.Op() == spv::OpLabel)
            block = instruction.Result();
        if (instruction.Op() != spv::OpEmitVertex) {
            rewritten.push_back(instruction);
            continue;
        }
        const std::uint32_t value = module.NewId(), below = module.NewId(), emit = module.NewId(),
                            next = module.NewId(), merge = module.NewId();
        rewritten.push_back(Instruction(spv::OpLoad, {uintType, value, count}));
        rewritten.push_back(Instruction(spv::OpULessThan, {boolType, below, value, limit}));
        rewritten.push_back(Instruction(spv::OpSelectionMerge, {merge, spv::SelectionControlMaskNone}));
        rewritten.push_back(Instruction(spv::OpBranchConditional, {below, emit, merge}));
        rewritten.push_back(Instruction(spv::OpLabel, {emit}));
        rewritten.push_back(instruction);
        rewritten.push_back(Instruction(spv::OpIAdd, {uintType, next, value, one}));
        rewritten.push_back(Instruction(spv::OpStore, {count, next}));
        rewritten.push_back(Instruction(spv::OpBranch, {merge}));
        rewritten.push_back(Instruction(spv::OpLabel, {merge}));
        renamed[block] = merge;
    }
    for (Instruction& instruction : rewritten)
        if (instruction.Op() == spv::OpPhi)
            for (std::size_t w = 4; w < instruction.Size(); w += 2)
                if (const auto it = renamed.find(instruction.Word(w)); it != renamed.end())
                    instruction.WordAt(w) = it->second;
    module.SetInstructions(std::move(rewritten));
    words = module.Serialize();
}

} // namespace hlsl
