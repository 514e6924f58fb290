// Constant buffers as HLSL packs them. glslang follows HLSL's packing only
// for plain scalars and vectors; a member in the tail of an array's last
// register, or a buffer that mixes basic types at offsets a GLSL uniform
// block cannot take, is rewritten here: the block becomes a tree of uint
// registers with HLSL's offsets (SPIRV-Cross then flattens it into an array
// of uvec4), and every load from it reads the registers and bit-casts them
// back to the member's type. The bytes the program uploads do not change.

#include "platform/hlsl/spirv_constant_buffers.h"

namespace hlsl {

namespace spirv {

namespace {

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

} // namespace

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

} // namespace spirv

void LowerConstantBufferPacking(std::vector<std::uint32_t>& words, const std::vector<ResourceDeclaration>& declarations)
{
    using spirv::Instruction;
    spirv::Module module(words);
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
    spirv::PackingLowering lowering(module);
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
