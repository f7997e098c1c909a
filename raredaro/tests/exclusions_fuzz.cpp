// Any value name and data, then any folder and file name: the compile and
// both tests must neither crash nor read or write out of bounds, in a
// double-byte code page too.
#include <cstddef>
#include <cstdint>
#include <string>

#include "raredaro/core/exclusion_compile.h"

namespace {

bool Lead(unsigned char c) { return c >= 0x81 && c <= 0x9F; }

class Macros : public raredaro::MacroSource {
public:
    std::string expand(raredaro::PathMacro m) override {
        switch (m) {
            case raredaro::PathMacro::AnyDir: return "*";
            case raredaro::PathMacro::Temp: return "C:\\TEMP\\%TEMP%";
            case raredaro::PathMacro::ProgDir: return "";
            default: return "C:\\WINDOWS";
        }
    }
};

class Reader : public raredaro::ListReader {
public:
    explicit Reader(const std::string& text) : text_(text) {}
    bool next(raredaro::ListValue* v) override {
        // Values are "name\ndata\n" records.
        if (pos_ >= text_.size()) return false;
        auto field = [&] {
            const std::size_t end = text_.find('\n', pos_);
            std::string f = text_.substr(pos_, end == std::string::npos ? std::string::npos : end - pos_);
            pos_ = end == std::string::npos ? text_.size() : end + 1;
            return f;
        };
        v->isString = true;
        v->name = field();
        v->data = field();
        return true;
    }

private:
    std::string text_;
    std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool dbcs = data[0] & 1;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = text.find('\x01');
    raredaro::CharSet chars;
    if (dbcs) chars.isLeadByte = &Lead;
    raredaro::ExclusionList list(chars);
    Reader reader(text.substr(0, split));
    Macros macros;
    raredaro::CompileApplicationList(list, reader, macros);
    if (split == std::string::npos) return 0;
    // The rest: folder '\x02' name.
    const std::string query = text.substr(split + 1);
    const std::size_t cut = query.find('\x02');
    const std::string folder = query.substr(0, cut);
    const std::string name = cut == std::string::npos ? std::string() : query.substr(cut + 1);
    list.directoryTest(folder.c_str(), name.empty() ? nullptr : name.c_str());
    list.fileTest(name.c_str(), folder.c_str());
    list.fileTest(name.c_str(), nullptr);
    return 0;
}
