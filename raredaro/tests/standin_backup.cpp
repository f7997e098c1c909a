// A stand-in backup application for the agent's tests: one top-level window
// of a known class, titled with the folder it was started in. WM_CLOSE ends
// it with exit code 7, which the agent must not mind; just before it exits it
// leaves a file "ended" beside itself. It gives up by itself after a minute.
#include <windows.h>

#include <string>

namespace {

const char kClassName[] = "KeepmarkStandinBackup";
constexpr UINT kGiveUpMs = 60000;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(7);
            return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (!::RegisterClassA(&wc)) return 1;
    char folder[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, folder);
    HWND window = ::CreateWindowA(kClassName, folder, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 240, 120,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ::ShowWindow(window, show);
    ::SetTimer(window, 1, kGiveUpMs, nullptr);
    MSG msg = {};
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    // Late on purpose: an agent that did not wait for the process would
    // look for this file too early.
    ::Sleep(300);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string marker = self;
    marker = marker.substr(0, marker.find_last_of('\\') + 1) + "ended";
    HANDLE file = ::CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return static_cast<int>(msg.wParam);
}
