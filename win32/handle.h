// RAII owners for Windows handles: one template, one traits struct per kind.
#pragma once
#include <windows.h>

#include <utility>

namespace win {

template <class Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : value_(Traits::invalid()) {}
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Type get() const noexcept { return value_; }
    bool valid() const noexcept { return Traits::isValid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    Type release() noexcept { return std::exchange(value_, Traits::invalid()); }
    void reset(Type value = Traits::invalid()) noexcept {
        Type old = std::exchange(value_, value);
        if (Traits::isValid(old)) Traits::close(old);
    }
    // For out-parameters: closes what is held, then hands out the slot.
    Type* put() noexcept {
        reset();
        return &value_;
    }

private:
    Type value_;
};

// Kernel handles: both NULL and INVALID_HANDLE_VALUE mean "none", since
// CreateFile and CreateEvent disagree on the failure value.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Type h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Type = HANDLE;
    static Type invalid() { return INVALID_HANDLE_VALUE; }
    static bool isValid(Type h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(Type h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Type = HKEY;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static void close(Type h) { ::RegCloseKey(h); }
};
struct ModuleTraits {
    using Type = HMODULE;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static void close(Type h) { ::FreeLibrary(h); }
};
struct WindowTraits {
    using Type = HWND;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static void close(Type h) { ::DestroyWindow(h); }
};
template <class T>
struct GdiObjectTraits {
    using Type = T;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static void close(Type h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    using Type = HDC;
    static Type invalid() { return nullptr; }
    static bool isValid(Type h) { return h != nullptr; }
    static void close(Type h) { ::DeleteDC(h); }
};

using Handle = UniqueHandle<KernelHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using RegKey = UniqueHandle<RegKeyTraits>;
using Module = UniqueHandle<ModuleTraits>;
using Window = UniqueHandle<WindowTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
template <class T>
using GdiObject = UniqueHandle<GdiObjectTraits<T>>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Font = GdiObject<HFONT>;
using Region = GdiObject<HRGN>;
using Palette = GdiObject<HPALETTE>;

// Selects a GDI object into a DC for a scope.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~SelectObjectScope() { ::SelectObject(dc_, old_); }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace win
