#include "foundation/cstring.h"

#include <cstring>
#include <utility>

namespace foundation {

namespace {

char* copyText(const char* text, std::size_t length) {
    if (length == 0) return nullptr;
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

}  // namespace

cstring::cstring() : text_(nullptr), length_(0) {}

cstring::cstring(const char* text) : text_(nullptr), length_(text ? std::strlen(text) : 0) {
    text_ = copyText(text, length_);
}

cstring::cstring(const cstring& other)
    : text_(copyText(other.text_, other.length_)), length_(other.length_) {}

cstring::cstring(cstring&& other) noexcept : text_(other.text_), length_(other.length_) {
    other.text_ = nullptr;
    other.length_ = 0;
}

// Copy first, then swap: a failed allocation leaves the target unchanged.
cstring& cstring::operator=(const cstring& other) {
    cstring copy(other);
    swap(copy);
    return *this;
}

cstring& cstring::operator=(cstring&& other) noexcept {
    cstring taken(std::move(other));
    swap(taken);
    return *this;
}

cstring& cstring::operator=(const char* text) {
    cstring copy(text);
    swap(copy);
    return *this;
}

cstring::~cstring() { delete[] text_; }

const char* cstring::c_str() const noexcept { return text_ ? text_ : ""; }

void cstring::swap(cstring& other) noexcept {
    std::swap(text_, other.text_);
    std::swap(length_, other.length_);
}

bool operator==(const cstring& a, const cstring& b) noexcept {
    return a.length() == b.length() && std::memcmp(a.c_str(), b.c_str(), a.length()) == 0;
}

}  // namespace foundation
