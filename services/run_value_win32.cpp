#include <windows.h>

#include <cstring>
#include <vector>

#include "base/compat.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/run_value.h"

namespace vt {
namespace {

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kValueName = compat::kRunValueName;

RunValueResult FromStatus(LONG status) {
    if (status == ERROR_SUCCESS) return RunValueResult::Ok;
    return status == ERROR_ACCESS_DENIED ? RunValueResult::AccessDenied : RunValueResult::Failed;
}

}  // namespace

std::string ReadRunValue() {
    UniqueRegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
    // 256 bytes hold any ordinary value; a longer one is read again with the size the registry asks for,
    // so that a long path is neither cut nor taken from a buffer the registry left undefined.
    std::vector<char> buffer(256, '\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD type = REG_SZ;
        LONG status = RegQueryValueExA(key.get(), kValueName, nullptr, &type,
                                       reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) {
            buffer.assign(static_cast<std::size_t>(size) + 2, '\0');
            continue;
        }
        if (status != ERROR_SUCCESS) return {};
        std::size_t length = strnlen(buffer.data(), size < buffer.size() ? size : buffer.size());
        return WideToUtf8(AnsiToWide(std::string_view(buffer.data(), length)));
    }
    return {};  // the value kept growing while it was read
}

RunValueResult WriteRunValue(std::string_view data) {
    UniqueRegKey key;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.put(), nullptr);
    if (status != ERROR_SUCCESS) return FromStatus(status);
    std::string ansi = WideToAnsi(Utf8ToWide(data));
    status = RegSetValueExA(key.get(), kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                            static_cast<DWORD>(ansi.size() + 1));
    return FromStatus(status);
}

RunValueResult DeleteRunValue() {
    UniqueRegKey key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, key.put());
    if (status != ERROR_SUCCESS) return FromStatus(status);
    return FromStatus(RegDeleteValueA(key.get(), kValueName));
}

}  // namespace vt
