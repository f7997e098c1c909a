// Text conversions between the ANSI code page and UTF-16.
#pragma once
#include <windows.h>

#include <string>

namespace win {

std::wstring ToWide(const std::string& text, UINT codePage = CP_ACP);
std::string ToNarrow(const std::wstring& text, UINT codePage = CP_ACP);

// GUID in registry form with braces, 38 characters.
std::wstring GuidToString(REFGUID guid);

}  // namespace win
