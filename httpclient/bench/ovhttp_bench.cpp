// Downloads one URL into one file with DoGetIntoFile and prints the result,
// the bytes, the wall time and the process's CPU time.
//   ovhttp_bench URL FILE
#include <windows.h>

#include <cstdio>

#include "httpclient/ovhttp.h"

namespace {

double seconds(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return v.QuadPart / 1e7;
}

int lastDone = 0;
int lastRate = -1;

int progress(const char*, int, int done, int, int rate, int) {
    lastDone = done;
    lastRate = rate;
    return OVHTTP_CALLBACK_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ovhttp_bench URL FILE\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    int result;
    {
        OVHTTP client;
        if (client.SetURL(argv[1]) != 0) return 3;
        result = client.DoGetIntoFile(argv[2], progress, 0, 200, false, nullptr);
    }
    ::QueryPerformanceCounter(&end);
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    std::printf("result=%d bytes=%d wall=%.3f user=%.3f system=%.3f rate=%d\n", result, lastDone,
                double(end.QuadPart - start.QuadPart) / frequency.QuadPart, seconds(user), seconds(kernel), lastRate);
    return result == 0 ? 0 : 1;
}
