// Constant buffers: the layout the generated code reads, held against HLSL
// packing, and the uniform block each becomes.

#include "platform/hlsl/glsl.h"

#include "platform/hlsl/constant_buffer_layout.h"

#include <algorithm>

namespace hlsl {

namespace {

// Where the generated code reads each member.
struct ActualMember {
    std::uint64_t offset = 0;
    std::uint64_t arrayStride = 0;  // outermost dimension; 0 when not an array
    std::uint64_t matrixStride = 0; // 0 when not a matrix
    std::vector<ActualMember> members;
};

struct StructLayout {
    std::vector<PackedMember> packed;
    std::vector<ActualMember> actual;
};

StructLayout ReadStruct(spvc_compiler compiler, spvc_type_id structId, const std::vector<MemberDeclaration>* declared,
                        const SourcePosition& at);

PackedType ReadMemberType(spvc_compiler compiler, spvc_type_id typeId, bool rowMajor,
                          const std::vector<MemberDeclaration>* declaredMembers, const SourcePosition& at,
                          ActualMember& actual)
{
    const spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    PackedType packed;
    const unsigned dimensions = spvc_type_get_num_array_dimensions(type);
    // SPIRV-Cross lists dimensions innermost first.
    for (unsigned d = dimensions; d-- > 0;) {
        if (!spvc_type_array_dimension_is_literal(type, d))
            Refuse(at, "constant buffer arrays sized by specialization constants are not supported");
        packed.arraySizes.push_back(spvc_type_get_array_dimension(type, d));
    }
    const spvc_basetype base = spvc_type_get_basetype(type);
    if (base == SPVC_BASETYPE_STRUCT) {
        packed.kind = PackedType::Kind::Struct;
        const spvc_type_id elementId = spvc_type_get_base_type_id(type);
        StructLayout layout = ReadStruct(compiler, elementId, declaredMembers, at);
        packed.members = std::move(layout.packed);
        actual.members = std::move(layout.actual);
        return packed;
    }
    packed.componentBytes = std::max(spvc_type_get_bit_width(type) / 8, 1u);
    const unsigned vectorSize = spvc_type_get_vector_size(type);
    const unsigned columns = spvc_type_get_columns(type);
    if (columns > 1) {
        // A SPIR-V matrix is `columns` vectors; row-major storage keeps each
        // of its rows in a register.
        packed.kind = PackedType::Kind::Matrix;
        packed.registers = rowMajor ? vectorSize : columns;
        packed.components = rowMajor ? columns : vectorSize;
    } else if (vectorSize > 1) {
        packed.kind = PackedType::Kind::Vector;
        packed.components = vectorSize;
    }
    return packed;
}

StructLayout ReadStruct(spvc_compiler compiler, spvc_type_id structId, const std::vector<MemberDeclaration>* declared,
                        const SourcePosition& at)
{
    const spvc_type type = spvc_compiler_get_type_handle(compiler, structId);
    const unsigned count = spvc_type_get_num_member_types(type);
    if (declared && declared->size() != count)
        declared = nullptr;
    StructLayout layout;
    for (unsigned i = 0; i < count; ++i) {
        const MemberDeclaration* declaration = declared ? &(*declared)[i] : nullptr;
        const SourcePosition& memberAt = declaration ? declaration->position : at;
        ActualMember actual;
        unsigned value = 0;
        if (spvc_compiler_type_struct_member_offset(compiler, type, i, &value) == SPVC_SUCCESS)
            actual.offset = value;
        const spvc_type_id memberId = spvc_type_get_member_type(type, i);
        const spvc_type memberType = spvc_compiler_get_type_handle(compiler, memberId);
        if (spvc_type_get_num_array_dimensions(memberType) > 0
            && spvc_compiler_type_struct_member_array_stride(compiler, type, i, &value) == SPVC_SUCCESS)
            actual.arrayStride = value;
        if (spvc_type_get_columns(memberType) > 1
            && spvc_compiler_type_struct_member_matrix_stride(compiler, type, i, &value) == SPVC_SUCCESS)
            actual.matrixStride = value;
        const bool rowMajor = spvc_compiler_has_member_decoration(compiler, structId, i, SpvDecorationRowMajor);

        PackedMember member;
        const char* name = spvc_compiler_get_member_name(compiler, structId, i);
        member.name = declaration ? declaration->name : (name ? name : "");
        if (declaration)
            member.packOffset = declaration->packOffset;
        member.type = ReadMemberType(compiler, memberId, rowMajor, declaration ? &declaration->members : nullptr,
                                     memberAt, actual);
        layout.packed.push_back(std::move(member));
        layout.actual.push_back(std::move(actual));
    }
    return layout;
}

struct Mismatch {
    std::vector<std::size_t> path; // member indices, outermost first
    std::string message;
};

std::optional<Mismatch> FindMismatch(const std::vector<PackedMember>& packed, const std::vector<ActualMember>& actual,
                                     const std::string& prefix)
{
    const std::vector<std::uint64_t> offsets = HlslOffsets(packed);
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const PackedMember& member = packed[i];
        const std::string name = prefix + member.name;
        if (offsets[i] != actual[i].offset)
            return Mismatch{{i}, "member " + Quoted(name) + " is at byte " + std::to_string(offsets[i])
                                     + " under HLSL packing, but the generated code would read it at byte "
                                     + std::to_string(actual[i].offset)};
        if (!member.type.arraySizes.empty() && actual[i].arrayStride != HlslArrayStride(member.type, 0))
            return Mismatch{{i}, "the elements of " + Quoted(name) + " are "
                                     + std::to_string(HlslArrayStride(member.type, 0))
                                     + " bytes apart under HLSL packing, but the generated code would read them "
                                     + std::to_string(actual[i].arrayStride) + " bytes apart"};
        if (member.type.kind == PackedType::Kind::Matrix && actual[i].matrixStride != kRegisterBytes)
            return Mismatch{{i}, "the registers of matrix " + Quoted(name)
                                     + " are 16 bytes apart under HLSL packing, but the generated code would read "
                                       "them "
                                     + std::to_string(actual[i].matrixStride) + " bytes apart"};
        if (member.type.kind == PackedType::Kind::Struct)
            if (std::optional<Mismatch> inner = FindMismatch(member.type.members, actual[i].members, name + ".")) {
                inner->path.insert(inner->path.begin(), i);
                return inner;
            }
    }
    return std::nullopt;
}

// A uniform block places a member only at a multiple of its std140
// alignment, even with explicit offsets.
std::uint64_t UniformBlockAlignment(const PackedType& type)
{
    if (!type.arraySizes.empty() || type.kind == PackedType::Kind::Matrix || type.kind == PackedType::Kind::Struct)
        return kRegisterBytes;
    if (type.kind == PackedType::Kind::Vector)
        return (type.components == 2 ? 2u : 4u) * std::uint64_t{type.componentBytes};
    return type.componentBytes;
}

std::optional<Mismatch> FindMisalignment(const std::vector<PackedMember>& packed, const std::string& prefix)
{
    const std::vector<std::uint64_t> offsets = HlslOffsets(packed);
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const PackedMember& member = packed[i];
        const std::string name = prefix + member.name;
        if (offsets[i] % UniformBlockAlignment(member.type) != 0)
            return Mismatch{{i}, "member " + Quoted(name) + " at byte " + std::to_string(offsets[i])
                                     + " cannot be placed there in a GLSL uniform block, whose rules align a member "
                                       "of its type further; this compiler reads members at HLSL's offsets only "
                                       "where they are 32-bit values (float, int, uint, bool), not 16- or 64-bit ones"};
        if (member.type.kind == PackedType::Kind::Struct)
            if (std::optional<Mismatch> inner = FindMisalignment(member.type.members, name + ".")) {
                inner->path.insert(inner->path.begin(), i);
                return inner;
            }
    }
    return std::nullopt;
}

SourcePosition MemberPosition(const ResourceDeclaration* declaration, const std::vector<std::size_t>& path,
                              const SourcePosition& fallback)
{
    if (!declaration)
        return fallback;
    const std::vector<MemberDeclaration>* members = &declaration->members;
    SourcePosition position = fallback;
    for (std::size_t index : path) {
        if (index >= members->size())
            break;
        position = (*members)[index].position;
        members = &(*members)[index].members;
    }
    return position;
}

// Flattening turns the block into an array of 4-component rows, which GLSL
// can address at any HLSL offset; it needs one basic type throughout.
bool SingleBasicType(spvc_compiler compiler, spvc_type_id typeId, spvc_basetype* basicType)
{
    const spvc_type type = spvc_compiler_get_type_handle(compiler, typeId);
    const spvc_basetype base = spvc_type_get_basetype(type);
    if (base == SPVC_BASETYPE_STRUCT) {
        const unsigned count = spvc_type_get_num_member_types(type);
        for (unsigned i = 0; i < count; ++i)
            if (!SingleBasicType(compiler, spvc_type_get_member_type(type, i), basicType))
                return false;
        return true;
    }
    if (base != SPVC_BASETYPE_FP32 && base != SPVC_BASETYPE_INT32 && base != SPVC_BASETYPE_UINT32)
        return false;
    if (*basicType == SPVC_BASETYPE_UNKNOWN)
        *basicType = base;
    return *basicType == base;
}

// True when every member has one basic type, all float, all int or all
// uint: the block can then be flattened into rows of four components, which
// GLSL reads at any HLSL offset.
bool HasOneBasicType(spvc_compiler compiler, spvc_type_id type)
{
    spvc_basetype basicType = SPVC_BASETYPE_UNKNOWN;
    return SingleBasicType(compiler, type, &basicType);
}

struct ConstantBufferToCheck {
    spvc_type_id blockType = 0;
    std::string name;
    SourcePosition position;
    const ResourceDeclaration* declaration = nullptr; // for member names, places and packoffset
};

// Refuses a buffer over 4096 registers, one whose members the code would
// read anywhere but at their HLSL offsets (naming the member), and, unless
// it is flattened, one that a GLSL uniform block cannot hold. Returns the
// buffer's HLSL size in bytes.
std::uint32_t CheckConstantBufferLayout(spvc_compiler compiler, const ConstantBufferToCheck& buffer, bool flattened)
{
    const std::vector<MemberDeclaration>* declared = buffer.declaration ? &buffer.declaration->members : nullptr;
    const StructLayout layout = ReadStruct(compiler, buffer.blockType, declared, buffer.position);
    const std::string name = "constant buffer " + Quoted(buffer.name);

    // The size limit first: everything else is moot for a buffer that big.
    const std::vector<std::uint64_t> offsets = HlslOffsets(layout.packed);
    for (std::size_t i = 0; i < layout.packed.size(); ++i) {
        const std::uint64_t end = offsets[i] + HlslSize(layout.packed[i].type);
        if (end > kMaxConstantBufferRegisters * kRegisterBytes)
            Refuse(MemberPosition(buffer.declaration, {i}, buffer.position),
                   name + " takes " + std::to_string(RoundToRegister(end) / kRegisterBytes)
                       + " registers or more; the limit is " + std::to_string(kMaxConstantBufferRegisters)
                       + " registers of 16 bytes");
    }
    if (std::optional<Mismatch> mismatch = FindMismatch(layout.packed, layout.actual, ""))
        Refuse(MemberPosition(buffer.declaration, mismatch->path, buffer.position), name + ": " + mismatch->message);
    if (!flattened)
        if (std::optional<Mismatch> misaligned = FindMisalignment(layout.packed, ""))
            Refuse(MemberPosition(buffer.declaration, misaligned->path, buffer.position),
                   name + ": " + misaligned->message);

    const std::uint64_t size = HlslBufferSize(layout.packed);
    std::size_t declaredSize = 0;
    if (spvc_compiler_get_declared_struct_size(compiler, spvc_compiler_get_type_handle(compiler, buffer.blockType),
                                               &declaredSize)
            == SPVC_SUCCESS
        && RoundToRegister(declaredSize) > size)
        Refuse(buffer.position, name + " is " + std::to_string(size) + " bytes under HLSL packing, but the generated "
                                       "code would read " + std::to_string(RoundToRegister(declaredSize)));
    return static_cast<std::uint32_t>(size);
}

} // namespace

std::vector<std::pair<std::string, std::uint32_t>> LowerConstantBuffers(const CrossCompiler& cross,
                                                                        const std::vector<BoundResource>& resources,
                                                                        ShaderContainer& container)
{
    const spvc_compiler compiler = cross.Get();
    const ShaderStage stage = cross.Module().stage;
    std::vector<std::pair<std::string, std::uint32_t>> flattened;
    for (const BoundResource& resource : resources) {
        if (resource.resourceClass != ResourceClass::ConstantBuffer)
            continue;
        const bool flatten = HasOneBasicType(compiler, resource.baseType);
        ConstantBuffer buffer;
        buffer.name = resource.name;
        buffer.slot = resource.slot;
        buffer.byteSize = CheckConstantBufferLayout(
            compiler, {resource.baseType, resource.name, resource.position, resource.declaration}, flatten);
        buffer.binding = ConstantBufferBinding(stage, resource.slot);
        const std::string glslName = UniformPrefix(stage) + "cb" + std::to_string(buffer.slot);
        spvc_compiler_set_name(compiler, resource.baseType, glslName.c_str());
        spvc_compiler_set_name(compiler, resource.variable, (glslName + "_").c_str());
        spvc_compiler_unset_decoration(compiler, resource.variable, SpvDecorationDescriptorSet);
        spvc_compiler_set_decoration(compiler, resource.variable, SpvDecorationBinding, buffer.binding);
        if (flatten) {
            spvc_compiler_flatten_buffer_block(compiler, resource.variable);
            flattened.emplace_back(glslName, buffer.binding);
        }
        container.constantBuffers.push_back(std::move(buffer));
    }
    std::sort(container.constantBuffers.begin(), container.constantBuffers.end(),
              [](const ConstantBuffer& a, const ConstantBuffer& b) { return a.slot < b.slot; });
    return flattened;
}

} // namespace hlsl
