#pragma once
// Owner of one COM interface pointer: Release on reset and destruction.
#include <unknwn.h>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return ptr_; }
    T* operator->() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }
    // For out-parameters: releases what is held and hands out the slot.
    T** AddressOf() {
        Reset();
        return &ptr_;
    }
    void** AddressOfVoid() { return reinterpret_cast<void**>(AddressOf()); }
    void Reset() {
        if (ptr_) ptr_->Release();
        ptr_ = nullptr;
    }

private:
    T* ptr_ = nullptr;
};
