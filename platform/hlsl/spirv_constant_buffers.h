#pragma once

// The pass behind LowerConstantBufferPacking (spirv.h), shared by its two
// files: spirv_constant_buffers.cpp works out the layout and the register
// types, spirv_constant_loads.cpp rewrites each load.

#include "platform/hlsl/constant_buffer_layout.h"
#include "platform/hlsl/spirv.h"
#include "platform/hlsl/spirv_module.h"

#include <map>
#include <optional>
#include <set>

namespace hlsl::spirv {

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

} // namespace hlsl::spirv
