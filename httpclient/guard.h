// The exception barrier of the client: no C++ exception leaves an operation.
#pragma once
#include <new>

#include "httpclient/result_codes.h"

template <class Body>
int Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return OVHTTP_OutOfMemory;
    } catch (...) {
        return OVHTTP_Error;
    }
}
