// Owners for BSTR and VARIANT.
#pragma once
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <utility>

namespace win {

class Bstr {
public:
    Bstr() noexcept = default;
    // Allocation failure leaves the Bstr empty; check valid() where it matters.
    explicit Bstr(const wchar_t* text) : b_(text ? ::SysAllocString(text) : nullptr) {}
    explicit Bstr(const std::wstring& text)
        : b_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr& other) : b_(other.b_ ? ::SysAllocStringLen(other.b_, other.length()) : nullptr) {}
    Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
    Bstr& operator=(Bstr other) noexcept {
        std::swap(b_, other.b_);
        return *this;
    }
    ~Bstr() { ::SysFreeString(b_); }

    static Bstr attach(BSTR b) noexcept {
        Bstr result;
        result.b_ = b;
        return result;
    }

    BSTR get() const noexcept { return b_; }
    bool valid() const noexcept { return b_ != nullptr; }
    UINT length() const noexcept { return ::SysStringLen(b_); }
    bool empty() const noexcept { return length() == 0; }
    std::wstring str() const { return b_ ? std::wstring(b_, length()) : std::wstring(); }

    BSTR detach() noexcept { return std::exchange(b_, nullptr); }
    BSTR* put() noexcept {
        ::SysFreeString(std::exchange(b_, nullptr));
        return &b_;
    }
    // A new copy for an [out] BSTR*; E_OUTOFMEMORY when it cannot be made.
    HRESULT copyTo(BSTR* out) const noexcept {
        if (!out) return E_POINTER;
        *out = ::SysAllocStringLen(b_ ? b_ : L"", length());
        return *out ? S_OK : E_OUTOFMEMORY;
    }

private:
    BSTR b_ = nullptr;
};

// A NULL or empty BSTR both count as "no string" at interfaces that take handles.
inline bool IsEmptyBstr(BSTR b) { return b == nullptr || ::SysStringLen(b) == 0; }

class Variant {
public:
    Variant() noexcept { ::VariantInit(&v_); }
    explicit Variant(long value) noexcept {
        ::VariantInit(&v_);
        v_.vt = VT_I4;
        v_.lVal = value;
    }
    explicit Variant(short value) noexcept {
        ::VariantInit(&v_);
        v_.vt = VT_I2;
        v_.iVal = value;
    }
    explicit Variant(bool value) noexcept {
        ::VariantInit(&v_);
        v_.vt = VT_BOOL;
        v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // Copies the text; an allocation failure leaves VT_EMPTY.
    explicit Variant(const wchar_t* text) noexcept {
        ::VariantInit(&v_);
        if (BSTR b = ::SysAllocString(text ? text : L"")) {
            v_.vt = VT_BSTR;
            v_.bstrVal = b;
        }
    }
    Variant(const Variant& other) noexcept {
        ::VariantInit(&v_);
        ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
    }
    Variant& operator=(const Variant& other) noexcept {
        if (this != &other) ::VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
        return *this;
    }
    ~Variant() { ::VariantClear(&v_); }

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARTYPE type() const noexcept { return v_.vt; }
    VARIANT* put() noexcept {
        ::VariantClear(&v_);
        return &v_;
    }
    // Converted copy; false when the value does not convert.
    bool toLong(long* out) const noexcept {
        VARIANT tmp;
        ::VariantInit(&tmp);
        if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT*>(&v_), 0, VT_I4))) return false;
        *out = tmp.lVal;
        return true;
    }
    std::wstring toString() const {
        VARIANT tmp;
        ::VariantInit(&tmp);
        if (FAILED(::VariantChangeType(&tmp, const_cast<VARIANT*>(&v_), 0, VT_BSTR))) return {};
        Bstr owner = Bstr::attach(tmp.bstrVal);
        return owner.str();
    }

private:
    VARIANT v_;
};

}  // namespace win
