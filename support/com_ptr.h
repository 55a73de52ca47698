// An owning COM interface pointer: released on every exit path.
#pragma once

#include <unknwn.h>

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
    }
    // For out-parameters: releases what it held first.
    Interface** put() {
        reset();
        return &pointer_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }

    // Another interface of the same object; empty when the object lacks it.
    template <typename Other>
    ComPtr<Other> As() const {
        ComPtr<Other> other;
        if (pointer_) pointer_->QueryInterface(__uuidof(Other), other.put_void());
        return other;
    }

private:
    Interface* pointer_ = nullptr;
};
