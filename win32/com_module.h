// In-process server state: the module handle and the object and lock counts
// behind DllCanUnloadNow.
#pragma once
#include <windows.h>

#include <string>

namespace win {

class ComModule {
public:
    static void setInstance(HINSTANCE instance) { instance_ = instance; }
    static HINSTANCE instance() { return instance_; }
    // Full path of this module; empty when it cannot be had.
    static std::wstring path();

    static void objectCreated() { ::InterlockedIncrement(&objects_); }
    static void objectDestroyed() { ::InterlockedDecrement(&objects_); }
    static void lock(bool on) { on ? ::InterlockedIncrement(&locks_) : ::InterlockedDecrement(&locks_); }
    static LONG objectCount() { return objects_; }
    // S_OK when no object and no server lock is alive.
    static HRESULT canUnloadNow() { return (objects_ == 0 && locks_ == 0) ? S_OK : S_FALSE; }

private:
    static inline HINSTANCE instance_ = nullptr;
    static inline volatile LONG objects_ = 0;
    static inline volatile LONG locks_ = 0;
};

}  // namespace win
