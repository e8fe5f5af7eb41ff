#include "services/clipboard.h"

#include <cstring>
#include <string>

#include "base/text.h"

namespace vt {

bool CopyTextToClipboard(HWND owner, std::string_view text) {
    // The clipboard takes no text from a window-less caller: emptying it then leaves no owner, and the
    // system refuses the data.
    if (!owner) return false;
    const std::wstring wide = Utf8ToWide(text);
    if (wide.empty() && !text.empty()) return false;
    // Filled before the clipboard is opened, so that other programs are kept out for as short a time as
    // possible.
    const SIZE_T bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* data = GlobalLock(memory);
    if (!data) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(data, wide.c_str(), bytes);
    GlobalUnlock(memory);

    // Clipboard managers and remote-desktop clients open the clipboard for a moment after every change.
    bool opened = false;
    for (int attempt = 0; attempt < 10 && !(opened = OpenClipboard(owner) != FALSE); ++attempt) Sleep(25);
    if (!opened) {
        GlobalFree(memory);
        return false;
    }
    const bool placed = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    // The system owns the memory only once it took it.
    if (!placed) GlobalFree(memory);
    return placed;
}

}  // namespace vt
