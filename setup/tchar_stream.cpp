#include "tchar_stream.h"

#include <climits>
#include <cstring>
#include <cwchar>

namespace {

constexpr std::size_t kBlockSize = 256;
constexpr char kMarker[] = ";~^#";

unsigned UnitAt(const std::string& bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
}

void PutUnit(std::string& out, unsigned unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

// UTF-16LE bytes to the C run-time's multibyte set, one character at a time.
bool UnicodeToMultibyte(const std::string& bytes, std::string& out) {
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        unsigned long code = UnitAt(bytes, i);
        if constexpr (sizeof(wchar_t) >= 4) {
            // A wide wchar_t holds whole code points: join surrogate pairs.
            if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
                const unsigned low = UnitAt(bytes, i + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
        }
        const std::size_t n = std::wcrtomb(buffer, static_cast<wchar_t>(code), &state);
        if (n == static_cast<std::size_t>(-1)) return false;
        out.append(buffer, n);
    }
    return true;
}

bool MultibyteToUnicode(std::string_view text, std::string& out) {
    std::mbstate_t state{};
    std::size_t i = 0;
    while (i < text.size()) {
        wchar_t wide = 0;
        std::size_t n = std::mbrtowc(&wide, text.data() + i, text.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) return false;
        if (n == 0) n = 1;  // an embedded NUL
        i += n;
        unsigned long code = static_cast<unsigned long>(wide);
        if constexpr (sizeof(wchar_t) < 4) code &= 0xFFFF;
        if (code > 0x10FFFF) return false;
        if (code > 0xFFFF) {
            code -= 0x10000;
            PutUnit(out, 0xD800 + static_cast<unsigned>(code >> 10));
            PutUnit(out, 0xDC00 + static_cast<unsigned>(code & 0x3FF));
        } else {
            PutUnit(out, static_cast<unsigned>(code));
        }
    }
    return true;
}

unsigned long MarkerNumber(const std::string& line) {
    unsigned long value = 0;
    for (std::size_t i = sizeof kMarker - 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c < '0' || c > '9') break;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (ULONG_MAX - digit) / 10) return ULONG_MAX;  // saturate, never wrap
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

bool CTCharStream::OpenStream(const std::string& path, int mode) {
    Close();
    pending_.clear();
    scanned_ = 0;
    atEnd_ = false;
    error_ = 0;
    if (mode != kModeRead && mode != kModeWriteAnsi && mode != kModeWriteUnicode) {
        error_ = winerror::kInvalidParameter;
        return false;
    }
    const auto access = mode == kModeRead ? RawFile::Access::Read : RawFile::Access::Write;
    if (!file_.Open(path, access)) {
        error_ = file_.LastError();
        return false;
    }
    mode_ = mode;
    form_ = mode == kModeWriteUnicode ? kFormUnicode : kFormAnsi;
    if (mode == kModeWriteUnicode) {
        static const unsigned char kMark[] = {0xFF, 0xFE};
        if (!file_.Write(kMark, sizeof kMark)) {
            error_ = file_.LastError();
            file_.Close();
            return false;
        }
    } else if (mode == kModeRead) {
        while (pending_.size() < 2 && !atEnd_)
            if (!Fill()) {
                file_.Close();
                return false;
            }
        if (pending_.size() >= 2 && static_cast<unsigned char>(pending_[0]) == 0xFF &&
            static_cast<unsigned char>(pending_[1]) == 0xFE) {
            form_ = kFormUnicode;
            pending_.erase(0, 2);
        }
    }
    return true;
}

bool CTCharStream::Fill() {
    char block[kBlockSize];
    const long n = file_.Read(block, sizeof block);
    if (n < 0) {
        error_ = file_.LastError();
        return false;
    }
    if (n == 0) atEnd_ = true;
    pending_.append(block, static_cast<std::size_t>(n));
    return true;
}

bool CTCharStream::ReadLine(char* buffer, long& size, unsigned long& marker) {
    error_ = 0;
    if (!IsOpen() || mode_ != kModeRead) {
        error_ = winerror::kInvalidParameter;
        return false;
    }
    const std::size_t unit = form_ == kFormUnicode ? 2 : 1;

    // Find the line feed, reading blocks as needed.
    std::size_t feed = std::string::npos;
    for (;;) {
        for (std::size_t i = scanned_; i + unit <= pending_.size(); i += unit) {
            if (pending_[i] == '\n' && (unit == 1 || pending_[i + 1] == '\0')) {
                feed = i;
                break;
            }
        }
        if (feed != std::string::npos || atEnd_) break;
        scanned_ = pending_.size() - pending_.size() % unit;
        if (!Fill()) return false;
    }
    if (feed == std::string::npos && pending_.empty()) {
        size = -1;
        return false;
    }
    std::string raw = pending_.substr(0, feed == std::string::npos ? pending_.size() : feed);
    const std::size_t consumed = feed == std::string::npos ? pending_.size() : feed + unit;
    if (raw.size() % unit != 0) {  // half a UTF-16 character at the end of the file
        error_ = winerror::kInvalidData;
        return false;
    }
    if (raw.size() >= unit && raw[raw.size() - unit] == '\r' && (unit == 1 || raw.back() == '\0'))
        raw.resize(raw.size() - unit);

    std::string text;
    if (unit == 2) {
        if (!UnicodeToMultibyte(raw, text)) {
            error_ = winerror::kInvalidData;
            return false;
        }
    } else {
        text.swap(raw);
    }

    const long length = static_cast<long>(text.size());
    if (size <= length) {
        size = length;
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    size = length;
    if (text.compare(0, sizeof kMarker - 1, kMarker) == 0) marker = MarkerNumber(text);
    pending_.erase(0, consumed);
    scanned_ = 0;
    return true;
}

bool CTCharStream::WriteLine(std::string_view text) {
    error_ = 0;
    if (!IsOpen() || mode_ == kModeRead) {
        error_ = winerror::kInvalidParameter;
        return false;
    }
    std::string bytes;
    if (form_ == kFormUnicode) {
        if (!MultibyteToUnicode(text, bytes)) {
            error_ = winerror::kInvalidData;
            return false;
        }
        PutUnit(bytes, '\r');
        PutUnit(bytes, '\n');
    } else {
        bytes.reserve(text.size() + 2);
        bytes.append(text);
        bytes += "\r\n";
    }
    if (!file_.Write(bytes.data(), bytes.size())) {
        error_ = file_.LastError();
        return false;
    }
    return true;
}

bool CTCharStream::Close() {
    if (!file_.IsOpen()) return true;
    if (file_.Close()) return true;
    error_ = file_.LastError();
    return false;
}
