// kmscan: the engine's console client, for administrators and scripts. It
// drives the trigger through COM as the tray program does and prints each
// drive's figures.
//   kmscan [--json] [--force] [DRIVE...]
//   kmscan --exclusions [--json]
// Exit code: 0 when no drive asked for an advise, 1 when one did, 2 on error.
// --exclusions prints the compiled exclusion lists instead (exit 0, or 2).
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <cstdio>
#include <cctype>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "raredaro.h"  // made by widl
#include "raredaro/exclusions.h"
#include "win32/bstr.h"
#include "win32/com_ptr.h"
#include "win32/event_sink.h"
#include "win32/strings.h"

using win::Bstr;
using win::ComPtr;

namespace {

constexpr HRESULT kGroupDone = 0x2000A001;

struct DriveResult {
    std::wstring handle;
    bool done = false;
    HRESULT result = S_OK;
    bool started = false;
    long adviseFlags = 0;
    bool advised = false;
};

// Receives the trigger's events. TEEnd comes on the engine's worker thread;
// everything else on this thread.
class EventSink final : public win::EventSink {
public:
    EventSink() : win::EventSink(DIID__IOKMTriggerEvents) {}

    std::map<std::wstring, DriveResult> drives;
    int restarts = 0;
    volatile LONG ended = 0;

private:
    void onEvent(DISPID id, WORD, const DISPPARAMS& p) override {
        auto text = [&](UINT i) { return std::wstring(argument(p, i).bstrVal ? argument(p, i).bstrVal : L""); };
        switch (id) {
            case 1:  // TEAdvise(handle, advise class, priority, flags)
                if (p.cArgs == 4) {
                    DriveResult& d = drives[text(0)];
                    d.advised = true;
                    d.adviseFlags |= argument(p, 3).lVal;
                }
                break;
            case 2:  // TEDone(handle, result)
                if (p.cArgs == 2) {
                    DriveResult& d = drives[text(0)];
                    if (!d.done) d.result = argument(p, 1).lVal;  // not the probe's report below
                    d.done = true;
                }
                break;
            case 4:  // TEStart(handle)
                if (p.cArgs == 1) {
                    DriveResult& d = drives[text(0)];
                    if (d.done) ++restarts;  // the probe below
                    d.started = true;
                }
                break;
            case 5:  // TEEnd
                ::InterlockedExchange(&ended, 1);
                break;
        }
    }
};

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

template <class Done>
void PumpUntil(Done done) {
    while (!done()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Pump();
    }
}

int Usage(FILE* out) {
    std::fputs(
        "usage: kmscan [--json] [--force] [DRIVE...]\n"
        "       kmscan --exclusions [--json]\n"
        "Counts, per fixed drive, the files whose archive attribute is still set\n"
        "(not backed up yet). Without DRIVE, every fixed drive is scanned.\n"
        "  --json        print a JSON array instead of a table\n"
        "  --force       scan even when the schedule says the figures are current\n"
        "  --exclusions  print what the backup applications' exclusion lists exclude,\n"
        "                one compiled record a line: flags, drive, path, pattern.\n"
        "                Flags: 01 folder and all below, 02 names a folder, 04 file\n"
        "                pattern, 08 whole volume, 10 has a drive, 20 wildcards,\n"
        "                40 pattern applies below the folder too. A path without a\n"
        "                drive is relative to the root of every volume.\n"
        "Exit code: 0 no drive over a threshold, 1 a drive asked for an advise, 2 error.\n",
        out);
    return out == stdout ? 0 : 2;
}

std::uint64_t Unscale(long value, TNumberType unit) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(value)) << (10 * static_cast<int>(unit));
}

struct Row {
    std::string drive;
    long files = 0, filesProtected = 0;
    std::uint64_t bytes = 0, bytesProtected = 0;
    double unprotectedPercent = 0;
    long adviseFlags = 0;
    HRESULT result = S_OK;
};

int Fail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "kmscan: %s failed (0x%08lX)\n", what, static_cast<unsigned long>(hr));
    return 2;
}

std::string JsonText(const std::string& ansi) {
    const std::string utf8 = win::ToNarrow(win::ToWide(ansi), CP_UTF8);
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

int ShowExclusions(bool json) {
    raredaro::ExclusionList list(raredaro::AnsiCharSet());
    const std::int32_t result = raredaro::CompileExclusionList(&list);
    if (result < 0) return Fail("compiling the exclusion lists", result);
    if (result == 1) std::fputs("kmscan: no backup application's exclusion list was found\n", stderr);
    if (json) std::printf("[");
    bool first = true;
    for (const raredaro::ExclusionRecord& r : list.records()) {
        const bool drive = (r.flags & raredaro::ExclHasDrive) != 0;
        const std::string letter = drive ? r.path.substr(0, 2) : std::string();
        if (json) {
            std::printf("%s\n  {\"flags\": %u, \"drive\": %s, \"path\": %s, \"pattern\": %s}", first ? "" : ",",
                        r.flags, drive ? JsonText(letter).c_str() : "null",
                        r.hasPath ? JsonText(r.path).c_str() : "null",
                        r.hasPattern ? JsonText(r.pattern).c_str() : "null");
        } else {
            if (first) std::printf("%-5s %-5s %-40s %s\n", "Flags", "Drive", "Path", "Pattern");
            std::printf("0x%02X  %-5s %-40s %s\n", r.flags, drive ? letter.c_str() : "-",
                        r.hasPath ? r.path.c_str() : "-", r.hasPattern ? r.pattern.c_str() : "-");
        }
        first = false;
    }
    if (json) std::printf("%s]\n", first ? "" : "\n");
    return 0;
}

int Run(int argc, char** argv) {
    bool json = false, force = false, exclusions = false;
    std::vector<char> letters;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--json")) {
            json = true;
        } else if (!std::strcmp(a, "--force")) {
            force = true;
        } else if (!std::strcmp(a, "--exclusions")) {
            exclusions = true;
        } else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h") || !std::strcmp(a, "/?")) {
            return Usage(stdout);
        } else if (std::isalpha(static_cast<unsigned char>(a[0])) &&
                   (a[1] == 0 || (a[1] == ':' && (a[2] == 0 || (a[2] == '\\' && a[3] == 0))))) {
            letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(a[0]))));
        } else {
            std::fprintf(stderr, "kmscan: unknown argument %s\n", a);
            return Usage(stderr);
        }
    }

    if (exclusions) {
        if (force || !letters.empty()) {
            std::fputs("kmscan: --exclusions scans nothing: no drive, no --force\n", stderr);
            return Usage(stderr);
        }
        return ShowExclusions(json);
    }

    ComPtr<IOKMTrigger> trigger;
    HRESULT hr = ::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER, IID_IOKMTrigger,
                                    trigger.putVoid());
    if (FAILED(hr)) return Fail("creating the engine (is raredaro.dll registered?)", hr);
    ComPtr<IOKMStorageVolume> volumes;
    if (FAILED(hr = trigger.queryInterface(IID_IOKMStorageVolume, &volumes))) return Fail("IOKMStorageVolume", hr);
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (FAILED(hr = trigger.queryInterface(IID_IConnectionPointContainer, &container)) ||
        FAILED(hr = container->FindConnectionPoint(DIID__IOKMTriggerEvents, point.put())))
        return Fail("finding the event connection point", hr);
    EventSink sink;
    DWORD cookie = 0;
    if (FAILED(hr = point->Advise(&sink, &cookie))) return Fail("connecting to the events", hr);

    std::vector<std::wstring> handles;
    if (letters.empty()) {
        // Every fixed drive, as the tray program does; the group ends with TEEnd.
        char root[] = "A:\\";
        for (char c = 'A'; c <= 'Z'; ++c) {
            root[0] = c;
            if (::GetDriveTypeA(root) == DRIVE_FIXED) letters.push_back(c);
        }
        if (!letters.empty()) {
            if (FAILED(hr = trigger->TInitialize(0, force ? 1 : 0))) return Fail("TInitialize", hr);
            PumpUntil([&] { return sink.ended != 0; });
        }
    } else {
        for (char c : letters) {
            const wchar_t root[] = {static_cast<wchar_t>(c), L':', L'\\', 0};
            Bstr volume(root);
            Bstr handle;
            if (FAILED(hr = volumes->SetVolume(volume.get(), nullptr))) return Fail("SetVolume", hr);
            if (FAILED(hr = trigger->TStart(handle.put(), force ? 1 : 0, TRUE))) return Fail("TStart", hr);
            handles.push_back(handle.str());
        }
        PumpUntil([&] {
            for (const auto& h : handles)
                if (!sink.drives[h].done) return false;
            return true;
        });
        // An advise is posted after its TEDone and may still be on its way.
        // The worker handles records one after another, so once it reports
        // the last record again (disabled, so from its stored figures), every
        // earlier advise is already queued here.
        Bstr last(handles.back());
        trigger->TDisable(last.get(), TRUE);
        const wchar_t root[] = {static_cast<wchar_t>(letters.back()), L':', L'\\', 0};
        Bstr volume(root);
        volumes->SetVolume(volume.get(), nullptr);
        trigger->TStart(nullptr, 0, FALSE);
        PumpUntil([&] { return sink.restarts > 0; });
    }
    Pump();

    // Gather the figures of every record the events named.
    std::vector<Row> rows;
    bool advised = false, failed = false;
    for (char c : letters) {
        const wchar_t rootText[] = {static_cast<wchar_t>(c), L':', L'\\', 0};
        Bstr root(rootText);
        Bstr handle;
        if (FAILED(hr = volumes->SetVolume(root.get(), handle.put()))) return Fail("SetVolume", hr);
        Row row;
        row.drive = std::string(1, c) + ":";
        unsigned char known = 0;
        long bytes = 0, bytesProtected = 0;
        TNumberType bytesUnit = NTBytes, protectedUnit = NTBytes;
        if (FAILED(hr = volumes->Raredaro(handle.get(), nullptr, &known, &row.files, &row.filesProtected, &bytes,
                                          &bytesUnit, &bytesProtected, &protectedUnit)))
            return Fail("Raredaro", hr);
        row.bytes = Unscale(bytes, bytesUnit);
        row.bytesProtected = Unscale(bytesProtected, protectedUnit);
        if (row.files > 0) row.unprotectedPercent = 100.0 * (row.files - row.filesProtected) / row.files;
        const DriveResult& d = sink.drives[handle.str()];
        row.adviseFlags = d.adviseFlags;
        row.result = d.result == kGroupDone ? S_OK : d.result;
        advised |= d.advised;
        failed |= FAILED(row.result);
        rows.push_back(row);
    }
    point->Unadvise(cookie);

    if (json) {
        std::printf("[");
        for (size_t i = 0; i < rows.size(); ++i) {
            const Row& r = rows[i];
            std::printf(
                "%s\n  {\"drive\": \"%s\", \"files\": %ld, \"files_protected\": %ld, \"bytes\": %llu, "
                "\"bytes_protected\": %llu, \"unprotected_percent\": %.1f, \"advise_flags\": %ld, \"result\": %ld}",
                i ? "," : "", r.drive.c_str(), r.files, r.filesProtected, static_cast<unsigned long long>(r.bytes),
                static_cast<unsigned long long>(r.bytesProtected), r.unprotectedPercent, r.adviseFlags,
                static_cast<long>(r.result));
        }
        std::printf("%s]\n", rows.empty() ? "" : "\n");
    } else {
        std::printf("%-6s %10s %10s %16s %16s %12s %7s\n", "Drive", "Files", "Protected", "Bytes", "ProtectedBytes",
                    "Unprotected", "Advise");
        for (const Row& r : rows) {
            std::printf("%-6s %10ld %10ld %16llu %16llu %11.1f%% %7ld", r.drive.c_str(), r.files, r.filesProtected,
                        static_cast<unsigned long long>(r.bytes), static_cast<unsigned long long>(r.bytesProtected),
                        r.unprotectedPercent, r.adviseFlags);
            if (FAILED(r.result)) std::printf("  scan failed (0x%08lX)", static_cast<unsigned long>(r.result));
            std::printf("\n");
        }
    }
    if (failed) return 2;
    return advised ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(::CoInitialize(nullptr))) return 2;
    int code;
    try {
        code = Run(argc, argv);
    } catch (...) {
        std::fputs("kmscan: unexpected failure\n", stderr);
        code = 2;
    }
    ::CoUninitialize();
    return code;
}
