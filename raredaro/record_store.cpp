#include "raredaro/record_store.h"

#include <objbase.h>

#include <cstring>
#include <vector>

#include "win32/handle.h"
#include "win32/strings.h"

namespace raredaro {

const wchar_t kTriggerClsidKey[] = L"CLSID\\{5DC98F2D-9109-11D3-9EC5-0050041C9F05}";
const wchar_t kDefaultAdviseClsid[] = L"{E2F2B592-B326-11D3-B22A-00C04F68FC09}";

namespace {

constexpr DWORD kMaxTextValue = 4000;  // bytes
constexpr DWORD kMaxAdviseClsid = 80;  // bytes

std::wstring SubKey(const wchar_t* name) { return std::wstring(kTriggerClsidKey) + L"\\" + name; }

bool OpenKey(const std::wstring& path, REGSAM access, win::RegKey* key) {
    return ::RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, access, key->put()) == ERROR_SUCCESS;
}

// A 4-byte value, whatever its registry type.
bool ReadDword(HKEY key, const wchar_t* name, std::uint32_t* out) {
    std::uint8_t data[4];
    DWORD size = sizeof data;
    if (::RegQueryValueExW(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size != 4) return false;
    *out = data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24);
    return true;
}

bool WriteDword(HKEY key, const wchar_t* name, std::uint32_t value) {
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4) == ERROR_SUCCESS;
}

// Exactly size bytes, little-endian.
bool ReadFixed(HKEY key, const wchar_t* name, DWORD size, std::uint64_t* out) {
    std::uint8_t data[8] = {};
    DWORD got = sizeof data;
    if (::RegQueryValueExW(key, name, nullptr, nullptr, data, &got) != ERROR_SUCCESS || got != size) return false;
    std::uint64_t v = 0;
    for (DWORD i = size; i-- > 0;) v = (v << 8) | data[i];
    *out = v;
    return true;
}

bool WriteFixed(HKEY key, const wchar_t* name, DWORD size, std::uint64_t value) {
    std::uint8_t data[8];
    for (DWORD i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return ::RegSetValueExW(key, name, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
}

// UTF-16 text of at most maxBytes, taken up to its first zero code unit.
bool ReadText(HKEY key, const wchar_t* name, DWORD maxBytes, std::wstring* out) {
    std::vector<std::uint8_t> data(maxBytes);
    DWORD size = maxBytes;
    if (::RegQueryValueExW(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) return false;
    std::wstring text;
    for (DWORD i = 0; i + 1 < size; i += 2) {
        const wchar_t c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    *out = text;
    return true;
}

bool WriteText(HKEY key, const wchar_t* name, const std::wstring& text) {
    return ::RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool IsGuidText(const std::wstring& text) {
    GUID guid;
    return text.size() == 38 && SUCCEEDED(::IIDFromString(const_cast<LPOLESTR>(text.c_str()), &guid));
}

std::unique_ptr<VolumeRecord> ReadRecord(HKEY key) {
    auto record = std::make_unique<VolumeRecord>();
    std::uint64_t status, index, attributes, basic;
    if (!ReadFixed(key, L"Status", 4, &status) || !ReadFixed(key, L"Index", 1, &index) ||
        !ReadFixed(key, L"Attributes", 4, &attributes) || !ReadFixed(key, L"BasicAttributes", 4, &basic) ||
        !ReadFixed(key, L"LastUpdateTime", 8, &record->lastUpdateTime) ||
        !ReadFixed(key, L"Bytes", 8, &record->counts.bytes) ||
        !ReadFixed(key, L"BytesRaredaro", 8, &record->counts.bytesProtected) ||
        !ReadFixed(key, L"Files", 8, &record->counts.files) ||
        !ReadFixed(key, L"FilesRaredaro", 8, &record->counts.filesProtected) ||
        !ReadText(key, L"ID", kMaxTextValue, &record->id) ||
        !ReadText(key, L"Volume", kMaxTextValue, &record->volume))
        return nullptr;
    // Figures that cannot be true mean a damaged record: start afresh.
    if (!IsGuidText(record->id) || record->counts.filesProtected > record->counts.files) return nullptr;
    record->index = static_cast<std::uint8_t>(index);
    record->attributes = static_cast<std::uint32_t>(attributes);
    record->basicAttributes = static_cast<std::uint32_t>(basic);
    record->status = StatusPending;  // nothing of an earlier run's status carries over
    return record;
}

}  // namespace

void LoadSettings(EngineSettings* settings, std::wstring* adviseClsid, bool* adviseSet) {
    win::RegKey key;
    if (OpenKey(SubKey(L"Volume"), KEY_READ, &key)) {
        std::wstring text;
        // The whole value must fit: a larger one is not trusted.
        DWORD size = 0;
        if (::RegQueryValueExW(key.get(), L"AdviseCLSID", nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS &&
            size <= kMaxAdviseClsid && ReadText(key.get(), L"AdviseCLSID", kMaxAdviseClsid, &text))
            *adviseClsid = text;
        else
            *adviseClsid = kDefaultAdviseClsid;
        *adviseSet = true;
    }
    std::uint32_t v;
    key.reset();
    if (OpenKey(SubKey(L"Schedule"), KEY_READ, &key)) {
        if (ReadDword(key.get(), L"ScheduleZone", &v)) settings->scheduleZone = static_cast<std::int32_t>(v);
        if (ReadDword(key.get(), L"ScheduleDays", &v)) settings->scheduleDays = static_cast<std::uint16_t>(v);
        if (ReadDword(key.get(), L"ScheduleHours", &v)) settings->scheduleHours = static_cast<std::uint16_t>(v);
    }
    key.reset();
    if (OpenKey(SubKey(L"Threshold"), KEY_READ, &key)) {
        if (ReadDword(key.get(), L"PercentFilesThreshold", &v))
            settings->percentFilesThreshold = static_cast<std::uint16_t>(v);
        if (ReadDword(key.get(), L"FilesThreshold", &v)) settings->filesThreshold = static_cast<std::uint16_t>(v);
        if (ReadDword(key.get(), L"MBThreshold", &v)) settings->mbThreshold = static_cast<std::uint16_t>(v);
    }
}

bool SaveSettings(const EngineSettings& s) {
    bool ok = true;
    win::RegKey key;
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, SubKey(L"Schedule").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == ERROR_SUCCESS) {
        ok &= WriteDword(key.get(), L"ScheduleZone", static_cast<std::uint32_t>(s.scheduleZone));
        ok &= WriteDword(key.get(), L"ScheduleDays", s.scheduleDays);
        ok &= WriteDword(key.get(), L"ScheduleHours", s.scheduleHours);
    } else {
        ok = false;
    }
    key.reset();
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, SubKey(L"Threshold").c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, key.put(), nullptr) == ERROR_SUCCESS) {
        ok &= WriteDword(key.get(), L"PercentFilesThreshold", s.percentFilesThreshold);
        ok &= WriteDword(key.get(), L"FilesThreshold", s.filesThreshold);
        ok &= WriteDword(key.get(), L"MBThreshold", s.mbThreshold);
    } else {
        ok = false;
    }
    return ok;
}

std::unique_ptr<VolumeRecord> LoadRecord(const std::wstring& volume) {
    win::RegKey volumes;
    if (!OpenKey(SubKey(L"Volume"), KEY_READ, &volumes)) return nullptr;
    DWORD count = 0;
    if (::RegQueryInfoKeyW(volumes.get(), nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return nullptr;
    for (DWORD i = count; i-- > 0;) {
        wchar_t name[39];
        DWORD length = 39;
        if (::RegEnumKeyExW(volumes.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            continue;  // also a name longer than a GUID
        win::RegKey key;
        if (::RegOpenKeyExW(volumes.get(), name, 0, KEY_READ, key.put()) != ERROR_SUCCESS) continue;
        std::wstring stored;
        if (!ReadText(key.get(), L"Volume", kMaxTextValue, &stored) || stored != volume) continue;
        return ReadRecord(key.get());  // the first match decides
    }
    return nullptr;
}

void SaveRecord(const VolumeRecord& r) {
    // The subkey is named by the ID in the ANSI code page.
    const std::string name = win::ToNarrow(r.id);
    if (name.empty() || name.size() >= 40) return;
    win::RegKey key;
    const std::wstring path = SubKey(L"Volume") + L"\\" + win::ToWide(name);
    if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                          key.put(), nullptr) != ERROR_SUCCESS)
        return;
    HKEY k = key.get();
    (void)(WriteFixed(k, L"Status", 4, r.status.load()) && WriteFixed(k, L"Index", 1, r.index) &&
           WriteFixed(k, L"Attributes", 4, r.attributes) && WriteFixed(k, L"BasicAttributes", 4, r.basicAttributes) &&
           WriteFixed(k, L"LastUpdateTime", 8, r.lastUpdateTime) && WriteFixed(k, L"Bytes", 8, r.counts.bytes) &&
           WriteFixed(k, L"BytesRaredaro", 8, r.counts.bytesProtected) && WriteFixed(k, L"Files", 8, r.counts.files) &&
           WriteFixed(k, L"FilesRaredaro", 8, r.counts.filesProtected) && WriteText(k, L"ID", r.id) &&
           WriteText(k, L"Volume", r.volume));
}

}  // namespace raredaro
