#pragma once
// Reference-counted smart pointer of the browser engine. Holds one reference
// to an object that has AddRef()/Release().
#include <cstddef>
#include <utility>

template <class T>
class CefRefPtr {
public:
    CefRefPtr() noexcept = default;
    CefRefPtr(std::nullptr_t) noexcept {}
    CefRefPtr(T* p) noexcept : ptr_(p) { if (ptr_) ptr_->AddRef(); }
    CefRefPtr(const CefRefPtr& r) noexcept : CefRefPtr(r.ptr_) {}
    CefRefPtr(CefRefPtr&& r) noexcept : ptr_(r.ptr_) { r.ptr_ = nullptr; }
    template <class U>
    CefRefPtr(const CefRefPtr<U>& r) noexcept : CefRefPtr(r.get()) {}
    ~CefRefPtr() { if (ptr_) ptr_->Release(); }

    CefRefPtr& operator=(T* p) noexcept {
        if (p) p->AddRef();
        T* old = ptr_;
        ptr_ = p;
        if (old) old->Release();
        return *this;
    }
    CefRefPtr& operator=(const CefRefPtr& r) noexcept { return *this = r.ptr_; }
    CefRefPtr& operator=(CefRefPtr&& r) noexcept {
        if (this != &r) { T* old = ptr_; ptr_ = r.ptr_; r.ptr_ = nullptr; if (old) old->Release(); }
        return *this;
    }
    template <class U>
    CefRefPtr& operator=(const CefRefPtr<U>& r) noexcept { return *this = r.get(); }

    T* get() const noexcept { return ptr_; }
    operator T*() const noexcept { return ptr_; }
    T& operator*() const noexcept { return *ptr_; }
    T* operator->() const noexcept { return ptr_; }
    void swap(CefRefPtr& r) noexcept { std::swap(ptr_, r.ptr_); }

private:
    T* ptr_ = nullptr;
};
