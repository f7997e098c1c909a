// HRESULT helpers and the exception barrier every COM method, window
// procedure, callback and export goes through.
#pragma once
#include <windows.h>

#include <new>

namespace win {

// HRESULT_FROM_WIN32 of the thread's last error; S_OK when there is none.
inline HRESULT HResultFromLastError() { return HRESULT_FROM_WIN32(::GetLastError()); }

// The same, but never a success: for calls that failed without setting an error.
inline HRESULT HResultFromLastErrorOr(HRESULT fallback) {
    const DWORD error = ::GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : fallback;
}

// Runs body and turns any C++ exception into an HRESULT, so none crosses a COM
// boundary.
template <class Body>
HRESULT Guard(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace win
