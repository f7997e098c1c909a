// Windows-side runner for the test bench: starts a command line, waits for it
// and writes its full 32-bit exit code to a file, since wine's own exit status
// keeps only the low 8 bits.
//   kmrun.exe STATUSFILE COMMAND [ARGS...]
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

// Skips one command-line token the way the C runtime splits argv[0]-style tokens.
const wchar_t* SkipToken(const wchar_t* p) {
    while (*p == L' ' || *p == L'\t') ++p;
    bool quoted = false;
    while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
        if (*p == L'"') quoted = !quoted;
        ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        fwprintf(stderr, L"usage: kmrun STATUSFILE COMMAND [ARGS...]\n");
        return 2;
    }
    const wchar_t* rest = SkipToken(SkipToken(::GetCommandLineW()));
    wchar_t* commandLine = _wcsdup(rest);

    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        fwprintf(stderr, L"kmrun: cannot start %ls (error %lu)\n", commandLine, ::GetLastError());
        return 2;
    }
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);

    if (FILE* f = _wfopen(argv[1], L"w")) {
        std::fprintf(f, "%lu\n", code);
        std::fclose(f);
    }
    return code == 0 ? 0 : 1;
}
