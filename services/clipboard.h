#pragma once
// Text for the subscriber to paste (the diagnostics for the provider's support line).
#ifdef _WIN32
#include <windows.h>

#include <string_view>

namespace vt {

// Puts `text` (UTF-8) on the clipboard as Unicode text, replacing what was there; `owner` is a window of
// the calling thread. Another program that holds the clipboard open is waited for briefly (a quarter of a
// second at most); false when it does not let go or the system refuses, and nothing is left allocated.
bool CopyTextToClipboard(HWND owner, std::string_view text);

}  // namespace vt
#endif
