// Each load from a constant buffer that LowerConstantBufferPacking lowered:
// the registers at the member's HLSL offset are read and bit-cast back to the
// member's type, element by element for arrays, matrices and structures.

#include "platform/hlsl/spirv_constant_buffers.h"

namespace hlsl::spirv {

// Reads the register value at `at` in the block: a uint scalar or vector of
// `shadowType`. A flattened block is read a register at a time, so a
// component that a variable index picks is taken from its register once
// that is read (`vectorSize` is the register's, where the last index picks
// a component).
std::uint32_t PackingLowering::Read(std::uint32_t shadowType, std::vector<std::uint32_t> at, std::uint32_t vectorSize,
                                    std::vector<Instruction>& code)
{
    std::uint32_t picked = 0;
    if (vectorSize > 1 && !module_.IsConstant(at.back())) {
        picked = at.back();
        at.pop_back();
    }
    const std::uint32_t loadedType = picked ? Uint(vectorSize) : shadowType;
    const std::uint32_t pointer = module_.NewId();
    Instruction chain(spv::OpAccessChain, {Pointer(loadedType), pointer, variable_});
    for (std::uint32_t index : at)
        chain.Append(index);
    code.push_back(std::move(chain));
    std::uint32_t id = module_.NewId();
    code.push_back(Instruction(spv::OpLoad, {loadedType, id, pointer}));
    if (picked) {
        const std::uint32_t vector = id;
        id = module_.NewId();
        code.push_back(Instruction(spv::OpVectorExtractDynamic, {shadowType, id, vector, picked}));
    }
    return id;
}

// Code that reads the whole value of `type` at `at`, one register read at a
// time, into the id `result`.
std::uint32_t PackingLowering::ReadValue(std::uint32_t type, bool rowMajor, const std::vector<std::uint32_t>& at,
                                         std::uint32_t result, std::vector<Instruction>& code)
{
    const Instruction* definition = module_.Definition(type);
    const auto index = [&](std::uint32_t i) { return module_.Constant(Uint(1), i); };
    const auto below = [&](std::initializer_list<std::uint32_t> indices) {
        std::vector<std::uint32_t> path = at;
        for (std::uint32_t i : indices)
            path.push_back(index(i));
        return path;
    };
    Instruction construct(spv::OpCompositeConstruct, {type, result});
    switch (definition->Op()) {
    case spv::OpTypeInt:
    case spv::OpTypeFloat:
    case spv::OpTypeVector: {
        const std::uint32_t shadow = ShadowOf(type, false);
        const std::uint32_t bits = Read(shadow, at, 0, code);
        code.push_back(Instruction(shadow == type ? spv::OpCopyObject : spv::OpBitcast, {type, result, bits}));
        return result;
    }
    case spv::OpTypeMatrix: {
        const std::uint32_t columnType = definition->Word(2);
        const std::uint32_t columns = definition->Word(3);
        const std::uint32_t rows = module_.Definition(columnType)->Word(3);
        std::vector<std::uint32_t> registers;
        for (std::uint32_t r = 0; rowMajor && r < rows; ++r)
            registers.push_back(Read(Uint(columns), below({r}), 0, code));
        for (std::uint32_t c = 0; c < columns; ++c) {
            std::uint32_t bits = 0;
            if (rowMajor) {
                Instruction column(spv::OpCompositeConstruct, {Uint(rows), module_.NewId()});
                for (std::uint32_t r = 0; r < rows; ++r) {
                    const std::uint32_t id = module_.NewId();
                    code.push_back(Instruction(spv::OpCompositeExtract, {Uint(1), id, registers[r], c}));
                    column.Append(id);
                }
                bits = column.Result();
                code.push_back(std::move(column));
            } else {
                bits = Read(Uint(rows), below({c}), 0, code);
            }
            const std::uint32_t id = module_.NewId();
            code.push_back(Instruction(spv::OpBitcast, {columnType, id, bits}));
            construct.Append(id);
        }
        break;
    }
    case spv::OpTypeArray:
        for (std::uint32_t i = 0; i < ConstantValue(definition->Word(3)); ++i)
            construct.Append(ReadValue(definition->Word(2), rowMajor, below({i}), module_.NewId(), code));
        break;
    default:
        for (std::uint32_t i = 0; i + 2 < definition->Size(); ++i)
            construct.Append(ReadValue(definition->Word(2 + i), RowMajor(type, i), below({i}), module_.NewId(), code));
        break;
    }
    code.push_back(std::move(construct));
    return result;
}

// The load through `indices` from the block, as reads of its shadow. A
// row-major matrix keeps its rows in registers, so a column of one is read
// component by component.
void PackingLowering::ReplaceLoad(const Instruction& load, const std::vector<std::uint32_t>& indices,
                                  std::uint32_t blockType, std::vector<Instruction>& code)
{
    std::uint32_t type = blockType;
    bool rowMajor = false;
    std::vector<std::uint32_t> path;
    std::uint32_t vectorSize = 0; // of the vector the last index picks a component of
    for (std::size_t k = 0; k < indices.size(); ++k) {
        const Instruction* definition = module_.Definition(type);
        vectorSize = 0;
        if (definition->Op() == spv::OpTypeStruct) {
            const std::uint32_t member = ConstantValue(indices[k]);
            rowMajor = RowMajor(type, member);
            type = definition->Word(2 + member);
        } else if (definition->Op() == spv::OpTypeMatrix && rowMajor) {
            const std::uint32_t columnType = definition->Word(2);
            const std::uint32_t columns = definition->Word(3);
            const std::uint32_t rows = module_.Definition(columnType)->Word(3);
            const std::uint32_t component = module_.Definition(columnType)->Word(2);
            const auto element = [&](std::uint32_t row) {
                std::vector<std::uint32_t> at = path;
                at.push_back(row);
                at.push_back(indices[k]);
                return Read(Uint(1), at, columns, code);
            };
            if (k + 1 < indices.size()) {
                const std::uint32_t bits = element(indices[k + 1]);
                code.push_back(Instruction(component == Uint(1) ? spv::OpCopyObject : spv::OpBitcast,
                                           {component, load.Result(), bits}));
                return;
            }
            Instruction column(spv::OpCompositeConstruct, {Uint(rows), module_.NewId()});
            for (std::uint32_t r = 0; r < rows; ++r)
                column.Append(element(module_.Constant(Uint(1), r)));
            const std::uint32_t bits = column.Result();
            code.push_back(std::move(column));
            code.push_back(Instruction(spv::OpBitcast, {columnType, load.Result(), bits}));
            return;
        } else {
            vectorSize = definition->Op() == spv::OpTypeVector ? definition->Word(3) : 0;
            type = definition->Word(2);
        }
        path.push_back(indices[k]);
    }
    if (vectorSize) {
        const std::uint32_t shadow = ShadowOf(type, false);
        const std::uint32_t bits = Read(shadow, path, vectorSize, code);
        code.push_back(Instruction(shadow == type ? spv::OpCopyObject : spv::OpBitcast, {type, load.Result(), bits}));
        return;
    }
    ReadValue(type, rowMajor, path, load.Result(), code);
}

} // namespace hlsl::spirv
