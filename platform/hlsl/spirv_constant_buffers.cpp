// Constant buffers as HLSL packs them. glslang follows HLSL's packing only
// for plain scalars and vectors; a member in the tail of an array's last
// register, or a buffer that mixes basic types at offsets a GLSL uniform
// block cannot take, is rewritten here: the block becomes a tree of uint
// registers with HLSL's offsets (SPIRV-Cross then flattens it into an array
// of uvec4), and every load from it reads the registers and bit-casts them
// back to the member's type. The bytes the program uploads do not change.

#include "platform/hlsl/spirv.h"

#include "platform/hlsl/constant_buffer_layout.h"
#include "platform/hlsl/spirv_module.h"

#include <map>
#include <optional>

namespace hlsl {

namespace {

using spirv::Instruction;
using spirv::Module;

using MemberKey = std::pair<std::uint32_t, std::uint32_t>; // struct type, member

class PackingLowering {
public:
    explicit PackingLowering(Module& module);

    // Rewrites the buffer `variable` (a Uniform block) where its layout needs
    // it; false where it does not, or where it holds a type or a use this
    // pass does not handle (the GLSL stage then judges it as it stands).
    bool Lower(std::uint32_t variable, const ResourceDeclaration* declaration);
    // Places the names and decorations of the new types.
    void Finish();

private:
    std::optional<PackedType> Packed(std::uint32_t type, bool rowMajor, const std::vector<MemberDeclaration>* declared);
    bool Matches(std::uint32_t type, const PackedType& packed, bool& mixed, std::uint32_t& basic, bool& misaligned) const;
    std::uint32_t Uint(std::uint32_t count);
    std::uint32_t Pointer(std::uint32_t type);
    std::uint32_t Shadow(std::uint32_t type, bool rowMajor, const PackedType& packed);
    std::uint32_t ShadowOf(std::uint32_t type, bool rowMajor);
    std::uint32_t Read(std::uint32_t shadowType, std::vector<std::uint32_t> at, std::uint32_t vectorSize,
                       std::vector<Instruction>& code);
    std::uint32_t ReadValue(std::uint32_t type, bool rowMajor, const std::vector<std::uint32_t>& at,
                            std::uint32_t result, std::vector<Instruction>& code);
    std::uint32_t ConstantValue(std::uint32_t id) const;
    bool RowMajor(std::uint32_t structType, std::uint32_t member) const { return rowMajor_.count({structType, member}); }
    void ReplaceLoad(const Instruction& load, const std::vector<std::uint32_t>& indices, std::uint32_t blockType,
                     std::vector<Instruction>& code);

    Module& module_;
    std::uint32_t variable_ = 0; // the block being lowered
    std::map<MemberKey, std::uint32_t> offsets_;
    std::map<MemberKey, std::uint32_t> matrixStrides_;
    std::set<MemberKey> rowMajor_;
    std::map<std::uint32_t, std::uint32_t> arrayStrides_;
    std::map<std::uint32_t, std::uint32_t> uints_;
    std::map<std::uint32_t, std::uint32_t> pointers_;
    std::map<std::pair<std::uint32_t, bool>, std::uint32_t> shadows_; // original type, row-major -> shadow
    std::vector<Instruction> names_;
    std::vector<Instruction> decorations_;
};

PackingLowering::PackingLowering(Module& module) : module_(module)
{
    for (const Instruction& instruction : module.Instructions()) {
        if (instruction.Op() == spv::OpMemberDecorate) {
            const MemberKey key{instruction.Word(1), instruction.Word(2)};
            switch (instruction.Word(3)) {
            case spv::DecorationOffset: offsets_[key] = instruction.Word(4); break;
            case spv::DecorationMatrixStride: matrixStrides_[key] = instruction.Word(4); break;
            case spv::DecorationRowMajor: rowMajor_.insert(key); break;
            default: break;
            }
        } else if (instruction.Op() == spv::OpDecorate && instruction.Word(2) == spv::DecorationArrayStride) {
            arrayStrides_[instruction.Word(1)] = instruction.Word(3);
        }
    }
}

std::uint32_t PackingLowering::ConstantValue(std::uint32_t id) const
{
    const Instruction* definition = module_.Definition(id);
    return definition && definition->Op() == spv::OpConstant ? definition->Word(3) : 0;
}

// HLSL's packing of a SPIR-V type; nullopt for a type HLSL packing is not
// computed for here (64- and 16-bit components, sizes from specialization).
std::optional<PackedType> PackingLowering::Packed(std::uint32_t type, bool rowMajor,
                                                  const std::vector<MemberDeclaration>* declared)
{
    const Instruction* definition = module_.Definition(type);
    if (!definition)
        return std::nullopt;
    PackedType packed;
    switch (definition->Op()) {
    case spv::OpTypeInt:
    case spv::OpTypeFloat:
        if (definition->Word(2) != 32)
            return std::nullopt;
        return packed;
    case spv::OpTypeVector: {
        std::optional<PackedType> component = Packed(definition->Word(2), false, nullptr);
        if (!component)
            return std::nullopt;
        packed.kind = PackedType::Kind::Vector;
        packed.components = definition->Word(3);
        return packed;
    }
    case spv::OpTypeMatrix: {
        const Instruction* column = module_.Definition(definition->Word(2));
        if (!column || !Packed(column->Word(2), false, nullptr))
            return std::nullopt;
        packed.kind = PackedType::Kind::Matrix;
        packed.registers = rowMajor ? column->Word(3) : definition->Word(3);
        packed.components = rowMajor ? definition->Word(3) : column->Word(3);
        return packed;
    }
    case spv::OpTypeArray: {
        const Instruction* length = module_.Definition(definition->Word(3));
        if (!length || length->Op() != spv::OpConstant)
            return std::nullopt;
        std::optional<PackedType> element = Packed(definition->Word(2), rowMajor, declared);
        if (!element)
            return std::nullopt;
        element->arraySizes.insert(element->arraySizes.begin(), length->Word(3));
        return element;
    }
    case spv::OpTypeStruct: {
        packed.kind = PackedType::Kind::Struct;
        const std::size_t count = definition->Size() - 2;
        if (declared && declared->size() != count)
            declared = nullptr;
        for (std::uint32_t i = 0; i < count; ++i) {
            const MemberDeclaration* declaration = declared ? &(*declared)[i] : nullptr;
            std::optional<PackedType> member =
                Packed(definition->Word(2 + i), RowMajor(type, i), declaration ? &declaration->members : nullptr);
            if (!member)
                return std::nullopt;
            packed.members.push_back({declaration ? declaration->name : "", std::move(*member),
                                      declaration ? declaration->packOffset : std::nullopt});
        }
        return packed;
    }
    default:
        return std::nullopt;
    }
}

// A uniform block places a member only at a multiple of its std140
// alignment, even with explicit offsets.
std::uint64_t Std140Alignment(const PackedType& type)
{
    if (!type.arraySizes.empty() || type.kind == PackedType::Kind::Matrix || type.kind == PackedType::Kind::Struct)
        return kRegisterBytes;
    if (type.kind == PackedType::Kind::Vector)
        return type.components == 2 ? 8 : 16;
    return 4;
}

// Whether the module's layout of `type` is HLSL's; `basic` gathers the
// basic types met, `mixed` whether they differ, `misaligned` whether a
// member lies where a uniform block cannot place it.
bool PackingLowering::Matches(std::uint32_t type, const PackedType& packed, bool& mixed, std::uint32_t& basic,
                              bool& misaligned) const
{
    const Instruction* definition = module_.Definition(type);
    switch (definition->Op()) {
    case spv::OpTypeInt:
    case spv::OpTypeFloat:
        mixed = mixed || (basic != 0 && basic != type);
        basic = type;
        return true;
    case spv::OpTypeVector:
    case spv::OpTypeMatrix:
        return Matches(definition->Word(2), packed, mixed, basic, misaligned);
    case spv::OpTypeArray: {
        const auto stride = arrayStrides_.find(type);
        PackedType inner = packed;
        inner.arraySizes.erase(inner.arraySizes.begin());
        return stride != arrayStrides_.end() && stride->second == HlslArrayStride(packed, 0)
               && Matches(definition->Word(2), inner, mixed, basic, misaligned);
    }
    default:
        break;
    }
    const std::vector<std::uint64_t> offsets = HlslOffsets(packed.members);
    bool matches = true;
    for (std::uint32_t i = 0; i < packed.members.size(); ++i) {
        const PackedType& member = packed.members[i].type;
        const auto offset = offsets_.find({type, i});
        matches = matches && offset != offsets_.end() && offset->second == offsets[i];
        misaligned = misaligned || offsets[i] % Std140Alignment(member) != 0;
        if (member.kind == PackedType::Kind::Matrix) {
            const auto stride = matrixStrides_.find({type, i});
            matches = matches && stride != matrixStrides_.end() && stride->second == kRegisterBytes;
        }
        matches = Matches(definition->Word(2 + i), member, mixed, basic, misaligned) && matches;
    }
    return matches;
}

std::uint32_t PackingLowering::Uint(std::uint32_t count)
{
    if (const auto it = uints_.find(count); it != uints_.end())
        return it->second;
    std::uint32_t id = count == 1 ? module_.FindType(spv::OpTypeInt, 32, 0)
                                  : module_.FindType(spv::OpTypeVector, Uint(1), count);
    if (!id) {
        id = module_.NewId();
        if (count == 1)
            module_.AddGlobal(Instruction(spv::OpTypeInt, {id, 32, 0}));
        else
            module_.AddGlobal(Instruction(spv::OpTypeVector, {id, Uint(1), count}));
    }
    uints_[count] = id;
    return id;
}

std::uint32_t PackingLowering::Pointer(std::uint32_t type)
{
    if (const auto it = pointers_.find(type); it != pointers_.end())
        return it->second;
    const std::uint32_t id = module_.NewId();
    module_.AddGlobal(Instruction(spv::OpTypePointer, {id, spv::StorageClassUniform, type}));
    pointers_[type] = id;
    return id;
}

// The words of a function's instruction that may hold ids of pointers: all
// operands but literals, for the instructions that have them.
std::pair<std::size_t, std::size_t> IdOperands(const Instruction& instruction)
{
    const std::size_t end = instruction.Size();
    switch (instruction.Op()) {
    case spv::OpLoad: return {4, 4}; // its pointer is a use this pass rewrites
    case spv::OpLine:
    case spv::OpSelectionMerge:
    case spv::OpLoopMerge: return {end, end};
    case spv::OpSwitch: return {1, 2};
    case spv::OpExtInst: return {5, end};
    case spv::OpCompositeExtract: return {3, 4};
    case spv::OpCompositeInsert:
    case spv::OpVectorShuffle: return {3, 5};
    default: return {1, end};
    }
}

// The words of a literal string, nul-terminated.
std::vector<std::uint32_t> StringWords(const std::string& text)
{
    std::vector<std::uint32_t> words(text.size() / 4 + 1, 0);
    for (std::size_t c = 0; c < text.size(); ++c)
        words[c / 4] |= std::uint32_t{static_cast<unsigned char>(text[c])} << (8 * (c % 4));
    return words;
}

// The uint form of `type` with HLSL's offsets and strides: scalars and
// vectors become uint ones, a matrix an array of its registers, arrays and
// structures keep their shape. `rowMajor` is the member's majority, for a
// matrix or an array of them.
std::uint32_t PackingLowering::Shadow(std::uint32_t type, bool rowMajor, const PackedType& packed)
{
    const std::pair key{type, rowMajor};
    if (const auto it = shadows_.find(key); it != shadows_.end())
        return it->second;
    const Instruction* definition = module_.Definition(type);
    std::uint32_t id = 0;
    switch (definition->Op()) {
    case spv::OpTypeInt:
    case spv::OpTypeFloat:
    case spv::OpTypeVector:
        id = Uint(packed.components);
        break;
    case spv::OpTypeMatrix:
        id = module_.NewId();
        module_.AddGlobal(Instruction(spv::OpTypeArray,
                                      {id, Uint(packed.components), module_.Constant(Uint(1), packed.registers)}));
        decorations_.push_back(
            Instruction(spv::OpDecorate, {id, spv::DecorationArrayStride, std::uint32_t{kRegisterBytes}}));
        break;
    case spv::OpTypeArray: {
        PackedType element = packed;
        element.arraySizes.erase(element.arraySizes.begin());
        const std::uint32_t shadow = Shadow(definition->Word(2), rowMajor, element);
        id = module_.NewId();
        module_.AddGlobal(Instruction(spv::OpTypeArray, {id, shadow, definition->Word(3)}));
        decorations_.push_back(Instruction(
            spv::OpDecorate, {id, spv::DecorationArrayStride, static_cast<std::uint32_t>(HlslArrayStride(packed, 0))}));
        break;
    }
    default: {
        const std::vector<std::uint64_t> offsets = HlslOffsets(packed.members);
        Instruction structure(spv::OpTypeStruct, {0});
        for (std::uint32_t i = 0; i < packed.members.size(); ++i)
            structure.Append(Shadow(definition->Word(2 + i), RowMajor(type, i), packed.members[i].type));
        id = module_.NewId();
        structure.WordAt(1) = id;
        module_.AddGlobal(std::move(structure));
        for (std::uint32_t i = 0; i < packed.members.size(); ++i)
            decorations_.push_back(Instruction(spv::OpMemberDecorate,
                                               {id, i, spv::DecorationOffset, static_cast<std::uint32_t>(offsets[i])}));
        Instruction name(spv::OpName, {id});
        for (std::uint32_t word : StringWords(module_.Name(type)))
            name.Append(word);
        names_.push_back(std::move(name));
        break;
    }
    }
    shadows_[key] = id;
    return id;
}

// The shadow Shadow made of `type`.
std::uint32_t PackingLowering::ShadowOf(std::uint32_t type, bool rowMajor)
{
    const auto [component, count] = module_.Components(type);
    const spv::Op op = module_.Definition(component)->Op();
    if (op == spv::OpTypeInt || op == spv::OpTypeFloat)
        return Uint(count);
    return shadows_.at({type, rowMajor});
}

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

bool PackingLowering::Lower(std::uint32_t variable, const ResourceDeclaration* declaration)
{
    const Instruction* definition = module_.Definition(variable);
    const Instruction* pointer = module_.Definition(definition->ResultType());
    const std::uint32_t blockType = pointer->Word(3);
    const std::optional<PackedType> packed =
        Packed(blockType, false, declaration ? &declaration->members : nullptr);
    if (!packed)
        return false;
    bool mixed = false;
    std::uint32_t basic = 0;
    // Where the offsets are HLSL's, SPIRV-Cross reads a buffer of one basic
    // type at any of them; a uniform block holds the others only at offsets
    // std140 allows.
    bool misaligned = false;
    if (Matches(blockType, *packed, mixed, basic, misaligned) && !(mixed && misaligned))
        return false;

    // Every pointer into the block, with the indices from the block down;
    // only loads and access chains may use one.
    std::map<std::uint32_t, std::vector<std::uint32_t>> chains{{variable, {}}};
    const std::vector<Instruction>& instructions = module_.Instructions();
    for (std::size_t i = module_.FirstFunction(); i < instructions.size(); ++i) {
        const Instruction& instruction = instructions[i];
        const spv::Op op = instruction.Op();
        if ((op == spv::OpAccessChain || op == spv::OpInBoundsAccessChain) && chains.count(instruction.Word(3))) {
            std::vector<std::uint32_t> indices = chains[instruction.Word(3)];
            for (std::size_t w = 4; w < instruction.Size(); ++w)
                indices.push_back(instruction.Word(w));
            chains[instruction.Result()] = std::move(indices);
            continue;
        }
        const auto [first, last] = IdOperands(instruction);
        for (std::size_t w = first; w < last; ++w)
            if (chains.count(instruction.Word(w)))
                return false;
    }
    const std::uint32_t shadow = Shadow(blockType, false, *packed);
    variable_ = variable;
    decorations_.push_back(Instruction(spv::OpDecorate, {shadow, spv::DecorationBlock}));

    std::vector<Instruction> rewritten;
    for (const Instruction& instruction : module_.Instructions()) {
        const spv::Op op = instruction.Op();
        if (op == spv::OpLoad && chains.count(instruction.Word(3))) {
            ReplaceLoad(instruction, chains[instruction.Word(3)], blockType, rewritten);
        } else if (instruction.Result() == 0 || !chains.count(instruction.Result())) {
            rewritten.push_back(instruction);
        }
    }
    module_.AddGlobal(Instruction(spv::OpVariable, {Pointer(shadow), variable, spv::StorageClassUniform}));
    module_.SetInstructions(std::move(rewritten));
    return true;
}

void PackingLowering::Finish()
{
    std::vector<Instruction> instructions;
    bool named = false, decorated = false;
    for (const Instruction& instruction : module_.Instructions()) {
        const spv::Op op = instruction.Op();
        if (!named && (op == spv::OpDecorate || op == spv::OpMemberDecorate)) {
            instructions.insert(instructions.end(), names_.begin(), names_.end());
            named = true;
        }
        if (!decorated && op != spv::OpDecorate && op != spv::OpMemberDecorate && named) {
            instructions.insert(instructions.end(), decorations_.begin(), decorations_.end());
            decorated = true;
        }
        instructions.push_back(instruction);
    }
    module_.SetInstructions(std::move(instructions));
}

} // namespace

void LowerConstantBufferPacking(std::vector<std::uint32_t>& words, const std::vector<ResourceDeclaration>& declarations)
{
    Module module(words);
    if (!module.Complete())
        return;
    std::vector<std::uint32_t> blocks;
    for (const Instruction& instruction : module.Instructions()) {
        if (instruction.Op() != spv::OpVariable || instruction.Word(3) != spv::StorageClassUniform)
            continue;
        const Instruction* pointer = module.Definition(instruction.ResultType());
        if (pointer && module.Decorated(pointer->Word(3), spv::DecorationBlock))
            blocks.push_back(instruction.Result());
    }
    PackingLowering lowering(module);
    bool changed = false;
    for (std::uint32_t variable : blocks) {
        const std::string name = module.Name(module.Definition(module.TypeOf(variable))->Word(3));
        const ResourceDeclaration* declaration = nullptr;
        for (const ResourceDeclaration& candidate : declarations)
            if (candidate.name == name && candidate.resourceClass == ResourceClass::ConstantBuffer)
                declaration = &candidate;
        changed = lowering.Lower(variable, declaration) || changed;
    }
    if (!changed)
        return;
    lowering.Finish();
    words = module.Serialize();
}

} // namespace hlsl
