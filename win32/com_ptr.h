// Owning COM interface pointer.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace win {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference on p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ~ComPtr() { reset(); }

    // Adopts a reference the caller already owns.
    static ComPtr attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    void reset() noexcept {
        if (T* old = std::exchange(p_, nullptr)) old->Release();
    }
    T* detach() noexcept { return std::exchange(p_, nullptr); }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    template <class U>
    HRESULT queryInterface(REFIID iid, ComPtr<U>* out) const noexcept {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out->putVoid());
    }

    // Hands a new reference out through an out-parameter.
    HRESULT copyTo(T** out) const noexcept {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }

private:
    T* p_ = nullptr;
};

}  // namespace win
