#pragma once

// ID3D11ClassLinkage and ID3D11ClassInstance: dynamic shader linkage.
//
// A linkage is a repository of names: each shader created with it adds the
// class instances its code declares (hlsl::ClassInstanceRecord), and
// GetClassInstance finds one of them by instance name and array index, also
// after the shader is gone. CreateClassInstance makes an instance of a class
// by type name alone; it needs no shader, since instances may be made before
// the shaders that use them. Whether a shader can use an instance is decided
// when both are bound (validation.h, ChooseClassInstances).
//
// A linkage is named by a serial number that no later linkage reuses, so a
// shader keeps its linkage's identity without keeping it alive; an instance
// keeps its linkage alive.

#include "platform/d3d11/device_child.h"
#include "platform/d3d11/ref.h"
#include "platform/hlsl/shader_container.h"
#include "platform/include/d3d11.h"

#include <cstdint>
#include <string>
#include <vector>

namespace d3d11 {

class ClassLinkage final : public DeviceChild<ID3D11ClassLinkage> {
public:
    explicit ClassLinkage(std::shared_ptr<GlContext> gl);

    HRESULT STDMETHODCALLTYPE GetClassInstance(LPCSTR classInstanceName, UINT instanceIndex,
                                               ID3D11ClassInstance** instance) override;
    HRESULT STDMETHODCALLTYPE CreateClassInstance(LPCSTR classTypeName, UINT constantBufferOffset,
                                                  UINT constantVectorOffset, UINT textureOffset, UINT samplerOffset,
                                                  ID3D11ClassInstance** instance) override;

    // Unique for the process's lifetime; 0 names no linkage.
    std::uint64_t Serial() const { return serial_; }
    // Adds the class instances a shader created with this linkage declares.
    void Learn(const hlsl::ShaderContainer& container);

private:
    ~ClassLinkage() override = default;

    // The linkage's number for a class: its place among the type names seen.
    UINT TypeId(const std::string& typeName);

    struct Declared {
        std::string typeName;
        std::string instanceName;
        std::uint32_t instanceIndex;
    };
    std::uint64_t serial_;
    std::vector<Declared> declared_;
    std::vector<std::string> typeNames_;
    UINT created_ = 0;
};

class ClassInstance final : public DeviceChild<ID3D11ClassInstance> {
public:
    ClassInstance(ClassLinkage* linkage, std::string typeName, std::string instanceName,
                  const D3D11_CLASS_INSTANCE_DESC& desc);

    void STDMETHODCALLTYPE GetClassLinkage(ID3D11ClassLinkage** linkage) override;
    void STDMETHODCALLTYPE GetDesc(D3D11_CLASS_INSTANCE_DESC* desc) override;
    void STDMETHODCALLTYPE GetInstanceName(LPSTR instanceName, SIZE_T* bufferLength) override;
    void STDMETHODCALLTYPE GetTypeName(LPSTR typeName, SIZE_T* bufferLength) override;

    std::uint64_t LinkageSerial() const { return linkage_->Serial(); }
    const std::string& TypeName() const { return typeName_; }
    // Empty for an instance CreateClassInstance made.
    const std::string& InstanceName() const { return instanceName_; }
    UINT InstanceIndex() const { return desc_.InstanceIndex; }
    bool Created() const { return desc_.Created != FALSE; }

private:
    ~ClassInstance() override = default;

    Ref<ClassLinkage> linkage_;
    std::string typeName_;
    std::string instanceName_;
    D3D11_CLASS_INSTANCE_DESC desc_;
};

inline ClassInstance* Impl(ID3D11ClassInstance* instance)
{
    return static_cast<ClassInstance*>(instance);
}
inline ClassLinkage* Impl(ID3D11ClassLinkage* linkage)
{
    return static_cast<ClassLinkage*>(linkage);
}

} // namespace d3d11
