#pragma once

// Reference counting shared by every object of the Linux platform layer:
// Release frees the object at zero, and each object is counted as live under
// its interface name while it exists.

#include "platform/diagnostics/diagnostics.h"

#include <atomic>

namespace diagnostics {

template <class Interface>
class RefCounted : public Interface {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    ULONG AddRef() { return ++references_; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG remaining = --references_;
        if (remaining == 0)
            delete this;
        return remaining;
    }

protected:
    explicit RefCounted(const char* interfaceName) : interfaceName_(interfaceName)
    {
        ObjectCreated(interfaceName_);
        NameObject(static_cast<Interface*>(this), interfaceName_);
    }

    virtual ~RefCounted()
    {
        ForgetObject(static_cast<Interface*>(this));
        ObjectDestroyed(interfaceName_);
    }

private:
    std::atomic<ULONG> references_{1};
    const char* interfaceName_;
};

// Adds a reference to a layer object seen through its interface; null is fine.
template <class Implementation, class Interface>
Implementation* AddRefAs(Interface* object)
{
    auto* implementation = static_cast<Implementation*>(object);
    if (implementation)
        implementation->AddRef();
    return implementation;
}

} // namespace diagnostics
