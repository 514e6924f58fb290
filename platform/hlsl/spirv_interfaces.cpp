// The interface uniform of dynamic linkage: LowerDynamicLinkage (source.h)
// declares it as a static array, which glslang's HLSL front end keeps out of
// $Global; here it becomes the plain uniform the layer sets.

#include "platform/hlsl/spirv.h"

#include "platform/hlsl/spirv_module.h"

#include <map>

namespace hlsl {

using spirv::Instruction;
using spirv::Module;

void LowerInterfaceUniform(std::vector<std::uint32_t>& words, ShaderStage stage)
{
    Module module(words);
    if (!module.Complete())
        return;
    const std::string name = InterfaceUniformName(stage);
    std::size_t at = module.Instructions().size();
    for (std::size_t i = 0; i < module.FirstFunction(); ++i) {
        const Instruction& instruction = module.Instructions()[i];
        if (instruction.Op() == spv::OpVariable && instruction.Word(3) == spv::StorageClassPrivate
            && module.Name(instruction.Result()) == name)
            at = i;
    }
    if (at == module.Instructions().size())
        return;
    const std::uint32_t variable = module.Instructions()[at].Result();

    // Pointers to UniformConstant storage, one per pointee, declared after
    // every global there is and before the variable, which moves after them.
    std::map<std::uint32_t, std::uint32_t> pointers; // pointee -> pointer type
    const auto pointer = [&](std::uint32_t privatePointer) {
        const std::uint32_t pointee = module.Definition(privatePointer)->Word(3);
        if (!pointers.count(pointee)) {
            pointers[pointee] = module.NewId();
            module.AddGlobal(Instruction(spv::OpTypePointer, {pointers[pointee], spv::StorageClassUniformConstant, pointee}));
        }
        return pointers[pointee];
    };
    const std::uint32_t type = pointer(module.Instructions()[at].ResultType());
    std::vector<Instruction> instructions;
    for (std::size_t i = 0; i < module.Instructions().size(); ++i) {
        Instruction instruction = module.Instructions()[i];
        if (i == at)
            continue;
        const spv::Op op = instruction.Op();
        if ((op == spv::OpAccessChain || op == spv::OpInBoundsAccessChain) && instruction.Word(3) == variable)
            instruction.WordAt(1) = pointer(instruction.ResultType());
        instructions.push_back(std::move(instruction));
    }
    module.AddGlobal(Instruction(spv::OpVariable, {type, variable, spv::StorageClassUniformConstant}));
    // GLSL for GL SPIR-V asks a location of a plain uniform; uniform
    // locations are the program's, so each stage has its own range.
    std::size_t annotations = 0;
    while (annotations < instructions.size() && instructions[annotations].Op() != spv::OpDecorate
           && instructions[annotations].Op() != spv::OpMemberDecorate
           && !(instructions[annotations].Op() >= spv::OpTypeVoid && instructions[annotations].Op() <= spv::OpTypeForwardPointer))
        ++annotations;
    instructions.insert(instructions.begin() + static_cast<std::ptrdiff_t>(annotations),
                        Instruction(spv::OpDecorate, {variable, spv::DecorationLocation, InterfaceUniformLocation(stage)}));
    module.SetInstructions(std::move(instructions));
    words = module.Serialize();
}

} // namespace hlsl
