#pragma once

// A SPIR-V module read into instructions, for the passes that rewrite what
// glslang generates: lookups by id (result type, definition, name,
// decorations) and additions (ids, types, constants), written back to words
// with Serialize. The opcodes and enumerants are spirv.hpp's.

#include <glslang/SPIRV/spirv.hpp>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace spvtools {
class Optimizer;
}

namespace hlsl::spirv {

using Words = std::vector<std::uint32_t>;

// One instruction as it is encoded: word 0 holds the word count and the
// opcode, the operands follow (for an instruction with a result, the result
// type, if any, then the result id).
class Instruction {
public:
    Instruction(spv::Op op, std::initializer_list<std::uint32_t> operands);
    Instruction(Words::const_iterator begin, Words::const_iterator end) : words_(begin, end) {}

    spv::Op Op() const { return static_cast<spv::Op>(words_[0] & spv::OpCodeMask); }
    void SetOp(spv::Op op);
    std::size_t Size() const { return words_.size(); }
    // Word `index` from the instruction's start; 0 past its end.
    std::uint32_t Word(std::size_t index) const { return index < words_.size() ? words_[index] : 0; }
    std::uint32_t& WordAt(std::size_t index) { return words_.at(index); }
    void Append(std::uint32_t word);
    // The literal string that starts at word `index`.
    std::string String(std::size_t index) const;
    // The result id and result type, 0 where the opcode has none.
    std::uint32_t Result() const;
    std::uint32_t ResultType() const;
    const Words& Encoded() const { return words_; }

private:
    Words words_;
};

class Module {
public:
    explicit Module(const Words& words);

    // Whether the words were a header and whole instructions.
    bool Complete() const { return complete_; }
    std::vector<Instruction>& Instructions() { return instructions_; }
    const std::vector<Instruction>& Instructions() const { return instructions_; }
    // Replaces the instruction list and reads the lookups again.
    void SetInstructions(std::vector<Instruction> instructions);
    // Index of the first OpFunction: the declarations lie before it.
    std::size_t FirstFunction() const { return firstFunction_; }

    // Lookups on the module as read (or as last set).
    const Instruction* Definition(std::uint32_t id) const;
    std::uint32_t TypeOf(std::uint32_t id) const;
    // An OpName's name, or empty.
    std::string Name(std::uint32_t id) const;
    bool Decorated(std::uint32_t id, spv::Decoration decoration) const;
    // The members of a struct that carry a decoration.
    std::set<std::uint32_t> DecoratedMembers(std::uint32_t type, spv::Decoration decoration) const;
    // The id of an OpExtInstImport of a set, or 0.
    std::uint32_t ImportedSet(const std::string& name) const;
    bool IsConstant(std::uint32_t id) const;
    // The component type and count of a type: count 1 for a scalar.
    std::pair<std::uint32_t, std::uint32_t> Components(std::uint32_t type) const;
    // Whether a type is a 32-bit float scalar or vector.
    bool IsFloat32(std::uint32_t type) const
    {
        const std::uint32_t component = Components(type).first;
        return component != 0 && component == FindType(spv::OpTypeFloat, 32);
    }
    // The id of a scalar or vector type (OpTypeInt width and signedness,
    // OpTypeFloat width, OpTypeVector component and count), or 0.
    std::uint32_t FindType(spv::Op op, std::uint32_t a = 0, std::uint32_t b = 0) const;

    // Additions. Types and constants go before the first function.
    std::uint32_t NewId() { return header_[kBoundWord]++; }
    std::uint32_t BoolType(std::uint32_t count);
    // 32-bit integers, signed or not, scalar (count 1) or vector.
    std::uint32_t IntType(bool isSigned, std::uint32_t count);
    // A constant of a scalar or vector type, every component the same bits.
    std::uint32_t Constant(std::uint32_t type, std::uint32_t bits);
    std::uint32_t NullConstant(std::uint32_t type);
    // A type, constant or variable, placed after every global already there.
    void AddGlobal(Instruction instruction);

    Words Serialize() const;

private:
    static constexpr std::size_t kHeaderWords = 5;
    static constexpr std::size_t kBoundWord = 3;

    void Read();
    // The scalar (already declared) or the vector of `count` of it.
    std::uint32_t VectorType(std::uint32_t scalar, std::uint32_t count);

    Words header_;
    bool complete_ = true;
    std::vector<Instruction> instructions_;
    std::vector<Instruction> globals_;
    std::size_t firstFunction_ = 0;
    std::map<std::uint32_t, std::size_t> definitions_; // result id -> instruction index
    std::map<std::uint32_t, std::string> names_;
    std::set<std::pair<std::uint32_t, std::uint32_t>> decorations_; // id, decoration
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::set<std::uint32_t>> memberDecorations_;
    std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::uint32_t> types_;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::uint32_t>> vectors_; // type -> component, count
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> constants_;
    std::map<std::uint32_t, std::uint32_t> nulls_;
};

// Runs the SPIRV-Tools passes `add` registers, quietly and without the
// validator (glslang's modules list only inputs and outputs as interface
// variables, as SPIR-V 1.0 allows, which its newer rules refuse). False,
// with the words as they were, where SPIRV-Tools fails.
bool RunOptimizer(Words& words, const std::function<void(spvtools::Optimizer&)>& add);

} // namespace hlsl::spirv
