#pragma once

// Where HLSL places constant buffer members, computed independently of the
// compiler that generates the code, so that the two can be compared.
//
// HLSL packs into 16-byte registers: a scalar or vector goes at the next
// 4-byte boundary unless it would straddle a register, then at the next
// register; arrays, matrices and structures start a register; every array
// element starts a register, and the last one is not padded; the member after
// a structure starts a register.

#include "platform/include/d3d11_limits.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hlsl {

constexpr std::uint64_t kRegisterBytes = 16;
constexpr std::uint64_t kMaxConstantBufferRegisters = D3D11_REQ_CONSTANT_BUFFER_ELEMENT_COUNT;

struct PackedMember;

struct PackedType {
    enum class Kind { Scalar, Vector, Matrix, Struct };
    Kind kind = Kind::Scalar;
    std::uint32_t componentBytes = 4;
    std::uint32_t components = 1;          // vector length; for a matrix, components per register
    std::uint32_t registers = 1;           // for a matrix, the registers it spans
    std::vector<std::uint64_t> arraySizes; // outermost first; empty when not an array
    std::vector<PackedMember> members;     // for a structure
};

struct PackedMember {
    std::string name;
    PackedType type;
    std::optional<std::uint64_t> packOffset; // packoffset(), in bytes
};

std::uint64_t RoundToRegister(std::uint64_t bytes);

// Bytes of one element, the array dimensions left aside.
std::uint64_t HlslElementSize(const PackedType& type);

// Bytes between consecutive elements of array dimension `dimension`
// (0 = outermost).
std::uint64_t HlslArrayStride(const PackedType& type, std::size_t dimension);

// Bytes the member occupies, up to the end of its last element.
std::uint64_t HlslSize(const PackedType& type);

// Each member's offset from the start of the structure or buffer.
std::vector<std::uint64_t> HlslOffsets(const std::vector<PackedMember>& members);

// A constant buffer's size in bytes: the end of its last member, rounded up
// to a whole register.
std::uint64_t HlslBufferSize(const std::vector<PackedMember>& members);

} // namespace hlsl
