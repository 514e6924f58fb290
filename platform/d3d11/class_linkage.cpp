#include "platform/d3d11/class_linkage.h"

#include "platform/d3d11/journal.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace d3d11 {

namespace {

std::uint64_t NextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

// A name into the caller's buffer: with no buffer, *length becomes the size
// the name needs with its terminating zero; with one, as much of the name as
// fits before a terminating zero, and *length the size the whole name needs.
void CopyName(const std::string& name, LPSTR buffer, SIZE_T* length)
{
    if (!length)
        return;
    if (buffer && *length > 0) {
        const std::size_t copied = std::min<std::size_t>(name.size(), *length - 1);
        std::memcpy(buffer, name.data(), copied);
        buffer[copied] = '\0';
    }
    *length = name.size() + 1;
}

// What GetDesc reports where a member has no value: Direct3D's defaults.
constexpr D3D11_CLASS_INSTANCE_DESC kDefaultDesc = {0, 0, 0, 0, 0, 127, 15, FALSE};

// Journals the call (the name and the instance index or constant buffer it
// was given) and returns its result.
HRESULT Finish(const char* operation, HRESULT result, const char* error, const char* name, const char* numberKey,
               UINT number, ID3D11ClassInstance* instance)
{
    Journal(operation, [&](Fields& fields) {
        fields.Add("name", name).Add(numberKey, number);
        fields.Result(result).Object("object", instance);
        if (error)
            fields.Add("error", error);
    });
    return result;
}

} // namespace

ClassLinkage::ClassLinkage(std::shared_ptr<GlContext> gl)
    : DeviceChild("ID3D11ClassLinkage", std::move(gl)), serial_(NextSerial())
{
}

void ClassLinkage::Learn(const hlsl::ShaderContainer& container)
{
    for (const hlsl::ClassInstanceRecord& record : container.classInstances) {
        TypeId(record.typeName);
        if (record.instanceName.empty())
            continue;
        const bool known = std::any_of(declared_.begin(), declared_.end(), [&](const Declared& d) {
            return d.instanceName == record.instanceName && d.instanceIndex == record.instanceIndex;
        });
        if (!known)
            declared_.push_back({record.typeName, record.instanceName, record.instanceIndex});
    }
}

UINT ClassLinkage::TypeId(const std::string& typeName)
{
    const auto found = std::find(typeNames_.begin(), typeNames_.end(), typeName);
    if (found != typeNames_.end())
        return static_cast<UINT>(found - typeNames_.begin());
    typeNames_.push_back(typeName);
    return static_cast<UINT>(typeNames_.size() - 1);
}

HRESULT ClassLinkage::GetClassInstance(LPCSTR classInstanceName, UINT instanceIndex, ID3D11ClassInstance** instance)
{
    constexpr const char* kOperation = "GetClassInstance";
    if (instance)
        *instance = nullptr;
    HRESULT result = S_OK;
    if (diagnostics::ShouldFail(kOperation, &result))
        return Finish(kOperation, result, "injected fault", classInstanceName, "index", instanceIndex, nullptr);
    if (!classInstanceName || !instance)
        return Finish(kOperation, E_INVALIDARG, "no name or no out-pointer", classInstanceName, "index",
                      instanceIndex, nullptr);
    const auto found = std::find_if(declared_.begin(), declared_.end(), [&](const Declared& d) {
        return d.instanceName == classInstanceName && d.instanceIndex == instanceIndex;
    });
    if (found == declared_.end())
        return Finish(kOperation, E_INVALIDARG, "no shader created with this linkage declares the instance",
                      classInstanceName, "index", instanceIndex, nullptr);
    // Only InstanceIndex describes an instance a shader declares.
    D3D11_CLASS_INSTANCE_DESC desc = kDefaultDesc;
    desc.InstanceIndex = instanceIndex;
    *instance = new ClassInstance(this, found->typeName, found->instanceName, desc);
    return Finish(kOperation, S_OK, nullptr, classInstanceName, "index", instanceIndex, *instance);
}

HRESULT ClassLinkage::CreateClassInstance(LPCSTR classTypeName, UINT constantBufferOffset, UINT constantVectorOffset,
                                          UINT textureOffset, UINT samplerOffset, ID3D11ClassInstance** instance)
{
    constexpr const char* kOperation = "CreateClassInstance";
    if (instance)
        *instance = nullptr;
    HRESULT result = S_OK;
    if (diagnostics::ShouldFail(kOperation, &result))
        return Finish(kOperation, result, "injected fault", classTypeName, "cb", constantBufferOffset, nullptr);
    if (!classTypeName || !*classTypeName || !instance)
        return Finish(kOperation, E_INVALIDARG, "no type name or no out-pointer", classTypeName, "cb",
                      constantBufferOffset, nullptr);
    // InstanceId numbers the linkage's created instances from 0, TypeId its
    // classes in the order their names were first seen; the rest are the
    // arguments. Binding decides whether a shader has code for the class.
    D3D11_CLASS_INSTANCE_DESC desc = {created_++,          0,
                                      TypeId(classTypeName), constantBufferOffset,
                                      constantVectorOffset, textureOffset,
                                      samplerOffset,        TRUE};
    *instance = new ClassInstance(this, classTypeName, std::string(), desc);
    return Finish(kOperation, S_OK, nullptr, classTypeName, "cb", constantBufferOffset, *instance);
}

ClassInstance::ClassInstance(ClassLinkage* linkage, std::string typeName, std::string instanceName,
                             const D3D11_CLASS_INSTANCE_DESC& desc)
    : DeviceChild("ID3D11ClassInstance", linkage->SharedGl()), linkage_(Ref<ClassLinkage>::Share(linkage)),
      typeName_(std::move(typeName)), instanceName_(std::move(instanceName)), desc_(desc)
{
}

void ClassInstance::GetClassLinkage(ID3D11ClassLinkage** linkage)
{
    if (linkage) {
        linkage_->AddRef();
        *linkage = linkage_.get();
    }
}

void ClassInstance::GetDesc(D3D11_CLASS_INSTANCE_DESC* desc)
{
    if (desc)
        *desc = desc_;
}

void ClassInstance::GetInstanceName(LPSTR instanceName, SIZE_T* bufferLength)
{
    CopyName(instanceName_, instanceName, bufferLength);
}

void ClassInstance::GetTypeName(LPSTR typeName, SIZE_T* bufferLength)
{
    CopyName(typeName_, typeName, bufferLength);
}

} // namespace d3d11
