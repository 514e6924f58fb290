#pragma once

// An owning pointer to a layer object: one reference, released when the
// pointer is reset, replaced or destroyed. The context keeps everything bound
// to it in these, so an object the program releases while bound stays alive.

#include <cstddef>
#include <utility>

namespace d3d11 {

template <class T>
class Ref {
public:
    Ref() = default;
    Ref(std::nullptr_t) {}

    // Takes over a reference the caller already owns (a new object's first).
    static Ref Adopt(T* object)
    {
        Ref ref;
        ref.object_ = object;
        return ref;
    }

    // Adds a reference of its own.
    static Ref Share(T* object)
    {
        if (object)
            object->AddRef();
        return Adopt(object);
    }

    Ref(const Ref& other) : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    Ref& operator=(Ref other) noexcept
    {
        std::swap(object_, other.object_);
        return *this;
    }
    ~Ref()
    {
        if (object_)
            object_->Release();
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // Hands the reference to the caller.
    T* Detach() { return std::exchange(object_, nullptr); }

private:
    T* object_ = nullptr;
};

} // namespace d3d11
