// foundation::cstring: an owned, NUL-terminated narrow text. Modules pass it
// by value or by reference; each copy owns its own characters.
#pragma once
#include <cstddef>

namespace foundation {

class cstring {
public:
    cstring();
    // A null pointer reads as the empty text.
    cstring(const char* text);  // NOLINT: converting on purpose, callers pass literals
    cstring(const cstring& other);
    cstring(cstring&& other) noexcept;
    cstring& operator=(const cstring& other);
    cstring& operator=(cstring&& other) noexcept;
    cstring& operator=(const char* text);
    ~cstring();

    // Never null; valid until the next change of this object.
    const char* c_str() const noexcept;
    std::size_t length() const noexcept { return length_; }
    bool empty() const noexcept { return length_ == 0; }

    void swap(cstring& other) noexcept;

private:
    char* text_;  // null for the empty text
    std::size_t length_;
};

bool operator==(const cstring& a, const cstring& b) noexcept;
inline bool operator!=(const cstring& a, const cstring& b) noexcept { return !(a == b); }

}  // namespace foundation
