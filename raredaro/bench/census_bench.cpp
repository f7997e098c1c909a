// Benchmark, not a test: the census walk against a plain FindFirstFileW walk
// of the same volume in the same run, and the CPU an idle trigger uses.
//   census_bench DRIVE: [ROUNDS]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "raredaro.h"  // made by widl
#include "raredaro/volume_census.h"
#include "win32/bstr.h"
#include "win32/com_ptr.h"

namespace {

double Seconds() {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::uint64_t PlainWalk(const std::wstring& dir) {
    std::uint64_t files = 0;
    WIN32_FIND_DATAW data;
    HANDLE h = ::FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L".."))
                files += PlainWalk(dir + L"\\" + data.cFileName);
        } else {
            ++files;
        }
    } while (::FindNextFileW(h, &data));
    ::FindClose(h);
    return files;
}

class QuietHost : public raredaro::CensusHost {
public:
    bool cancelled() override { return false; }
    HRESULT reportProgress(std::int16_t) override { return S_OK; }
    bool exclusionsActive() override { return false; }
    bool directoryExcluded(const std::string&) override { return false; }
    bool fileExcluded(const std::string&, const std::string&) override { return false; }
};

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto v = [](FILETIME f) { return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(v(kernel) + v(user)) / 1e7;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: census_bench DRIVE: [ROUNDS]\n");
        return 2;
    }
    const std::wstring root = {static_cast<wchar_t>(argv[1][0]), L':'};
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    double bestPlain = 1e9, bestCensus = 1e9;
    std::uint64_t plainFiles = 0, censusFiles = 0;
    for (int i = 0; i < rounds; ++i) {
        double t = Seconds();
        plainFiles = PlainWalk(root);
        bestPlain = std::min(bestPlain, Seconds() - t);

        raredaro::Win32DirectoryLister lister;
        QuietHost host;
        raredaro::CensusState census;
        raredaro::VolumeCounts counts;
        census.reset(1ull << 40, 4096);
        t = Seconds();
        raredaro::WalkVolume(root, lister, host, census, &counts);
        bestCensus = std::min(bestCensus, Seconds() - t);
        censusFiles = counts.files;
    }
    std::printf("plain FindFirstFileW walk: %llu files, %.2f s, %.0f files/s\n",
                static_cast<unsigned long long>(plainFiles), bestPlain, plainFiles / bestPlain);
    std::printf("census walk:               %llu files, %.2f s, %.0f files/s\n",
                static_cast<unsigned long long>(censusFiles), bestCensus, censusFiles / bestCensus);
    std::printf("ratio (census speed / plain speed): %.2f\n", bestPlain / bestCensus);

    // The whole engine through COM, and what it costs while idle.
    ::CoInitialize(nullptr);
    {
        win::ComPtr<IOKMTrigger> trigger;
        win::ComPtr<IOKMStorageVolume> volume;
        if (FAILED(::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER, IID_IOKMTrigger,
                                      trigger.putVoid())) ||
            FAILED(trigger.queryInterface(IID_IOKMStorageVolume, &volume))) {
            std::fprintf(stderr, "engine not registered\n");
            return 1;
        }
        const wchar_t drive[] = {root[0], L':', L'\\', 0};
        win::Bstr d(drive), handle;
        volume->SetVolume(d.get(), nullptr);
        double t = Seconds();
        trigger->TStart(handle.put(), TRUE, FALSE);
        unsigned char known = 0;
        while (known != 100) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            volume->Raredaro(handle.get(), nullptr, &known, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        }
        const double engine = Seconds() - t;
        std::printf("engine through COM (TStart to complete): %.2f s, %.0f files/s\n", engine, censusFiles / engine);
        const double cpu = ProcessCpuSeconds();
        ::Sleep(10000);
        std::printf("idle trigger, 10 s: %.3f s of CPU\n", std::max(0.0, ProcessCpuSeconds() - cpu));
    }
    ::CoUninitialize();
    return 0;
}
