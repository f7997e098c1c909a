// Shows the graph and the banner control in one dialog: the banner control
// gets the GIF files named on the command line, the graph steps through a
// list of percentages. For tests and for a person to look at.
//   controlhost [--quit-after=MS] [--percent=N] FILE.gif...
// Exit code 0 when both controls were created, 1 otherwise.
#include <windows.h>
#include <olectl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "resource.h"
#include "win32/control_host.h"
#include "win32/dialog.h"
#include "win32/hresult.h"

namespace {

const CLSID kGraph = {0xC6173BC5, 0x55C5, 0x11D3, {0x80, 0xB8, 0x00, 0x50, 0x04, 0xAD, 0x33, 0xD2}};
const CLSID kGifreel = {0xC8373FCA, 0xE31B, 0x11D3, {0xA0, 0x8C, 0x00, 0xC0, 0x4F, 0x68, 0xFC, 0x09}};
constexpr UINT_PTR kStepTimer = 1, kQuitTimer = 2;
const long kSteps[] = {-1, 0, 10, 25, 50, 51, 75, 90, 100};

class HostDialog final : public win::Dialog {
public:
    HostDialog(std::vector<std::wstring> files, DWORD quitAfter, long percent)
        : files_(std::move(files)), quitAfter_(quitAfter), fixedPercent_(percent) {}
    bool ok() const { return graphOk_ && bannerOk_; }

protected:
    BOOL onInitDialog() override {
        win::Ambient ambient;
        graphOk_ = SUCCEEDED(graph_.createInDialog(hwnd(), IDC_GRAPH, kGraph, ambient));
        bannerOk_ = SUCCEEDED(banner_.createInDialog(hwnd(), IDC_BANNER, kGifreel, ambient));
        if (graphOk_) {
            graph_.putLong(DISPID_BACKCOLOR, RGB(107, 125, 156));
            graph_.putLong(2, RGB(165, 176, 192));
            graph_.putLong(3, RGB(0, 101, 206));
            graph_.putLong(4, RGB(0, 64, 128));
        }
        if (bannerOk_) {
            banner_.putLong(DISPID_BACKCOLOR, RGB(192, 192, 192));
            banner_.putLong(3, 3000);
            for (const auto& f : files_) banner_.call(4, {win::Variant(f.c_str()), win::Variant(f.c_str())});
            banner_.setEventHandler([this](DISPID id, DISPPARAMS&) {
                if (id != DISPID_CLICK) return;
                std::wstring data;
                banner_.getString(1, &data);
                ::SetDlgItemTextW(hwnd(), IDC_CLICKED, (L"Clicked: " + data).c_str());
            });
        }
        if (fixedPercent_ != kNoPercent) {
            setPercent(fixedPercent_);
        } else {
            step();
            ::SetTimer(hwnd(), kStepTimer, 1000, nullptr);
        }
        if (quitAfter_) ::SetTimer(hwnd(), kQuitTimer, quitAfter_, nullptr);
        return TRUE;
    }
    bool onCommand(WORD id, WORD, HWND) override {
        if (id != IDC_STEP) return false;
        step();
        return true;
    }
    bool onMessage(UINT msg, WPARAM wp, LPARAM, INT_PTR*) override {
        if (msg != WM_TIMER) return false;
        if (wp == kStepTimer) step();
        if (wp == kQuitTimer) end(IDCANCEL);
        return true;
    }
    void onDestroy() override {
        graph_.destroy();
        banner_.destroy();
    }

private:
    static constexpr long kNoPercent = -1000;
    void step() {
        setPercent(kSteps[next_]);
        next_ = (next_ + 1) % (sizeof kSteps / sizeof kSteps[0]);
    }
    void setPercent(long percent) {
        graph_.putLong(1, percent);
        ::SetDlgItemTextW(hwnd(), IDC_PERCENT, (L"Percent: " + std::to_wstring(percent)).c_str());
    }

    std::vector<std::wstring> files_;
    DWORD quitAfter_;
    long fixedPercent_;
    win::ControlHost graph_, banner_;
    bool graphOk_ = false, bannerOk_ = false;
    std::size_t next_ = 0;

public:
    static long noPercent() { return kNoPercent; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> files;
    DWORD quitAfter = 0;
    long percent = HostDialog::noPercent();
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a.rfind(L"--quit-after=", 0) == 0)
            quitAfter = static_cast<DWORD>(std::wcstoul(a.c_str() + 13, nullptr, 10));
        else if (a.rfind(L"--percent=", 0) == 0)
            percent = std::wcstol(a.c_str() + 10, nullptr, 10);
        else
            files.push_back(a);
    }
    ::LocalFree(argv);
    if (FAILED(::OleInitialize(nullptr))) return 1;
    bool ok = false;
    {
        HostDialog dialog(files, quitAfter, percent);
        dialog.runModal(instance, IDD_HOST, nullptr);
        ok = dialog.ok();
    }
    ::OleUninitialize();
    return ok ? 0 : 1;
}
