// The C string behind a text handed in at the library's boundary.
#pragma once
#include "httpclient/ovhttp.h"

#if defined(OVHTTP_STATIC)
inline const char* TextOf(const char* text) { return text ? text : ""; }
#else
inline const char* TextOf(const foundation::cstring& text) { return text.c_str(); }
#endif
