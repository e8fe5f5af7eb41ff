#pragma once
// Text at the system's boundaries. The user interface is UTF-16; files, the registry, the phonebook and
// the dial tool exchange text in the ANSI code page (936 on a Chinese system); sources are UTF-8.
#include <string>
#include <string_view>

namespace vt {

#ifdef _WIN32
std::string WideToAnsi(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
// Equal apart from letter case, the way the system compares names of things (no locale rules).
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b);
#endif

}  // namespace vt
