#pragma once

// Base of every object a device creates: reference counted and counted as
// live under its interface name, and holding the device's GL context so the
// context outlives every GL object in it.

#include "platform/d3d11/gl_context.h"
#include "platform/diagnostics/ref_counted.h"

#include <memory>
#include <utility>

namespace d3d11 {

template <class Interface>
class DeviceChild : public diagnostics::RefCounted<Interface> {
public:
    using InterfaceType = Interface;

    GlContext& Gl() const { return *gl_; }
    const std::shared_ptr<GlContext>& SharedGl() const { return gl_; }

protected:
    DeviceChild(const char* interfaceName, std::shared_ptr<GlContext> gl)
        : diagnostics::RefCounted<Interface>(interfaceName), gl_(std::move(gl))
    {
    }

    std::shared_ptr<GlContext> gl_;
};

} // namespace d3d11
