#pragma once

// Releases an owner's interface pointer and sets it to null.
template <typename T>
void releaseInterface(T*& pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

// Holds one COM reference for a scope and releases it on every path out,
// unless detach() hands it on to its owner.
template <typename T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* pointer) : pointer_(pointer) {}
    ~ComRef() { releaseInterface(pointer_); }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    // The slot a creating call fills; any reference held before is released.
    T** out()
    {
        releaseInterface(pointer_);
        return &pointer_;
    }
    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    T* detach()
    {
        T* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }

private:
    T* pointer_ = nullptr;
};
