#pragma once
// The per-user Run value "Veltrane" that starts the dialer with Windows. Texts are UTF-8; the registry
// holds them in the system's ANSI code page.
#include <string>
#include <string_view>

namespace vt {

// The Run value's data for an executable in `exe_folder` named `base_name` (without ".exe"): the quoted
// full path followed by " hide". A folder of exactly three characters is a drive root, which already
// ends in a backslash.
std::string RunValueDataFor(std::string_view exe_folder, std::string_view base_name);

enum class RunValueResult { Ok, AccessDenied, Failed };

#ifdef _WIN32
// The value's text up to its first zero byte, whole however long; "" when the key or the value is
// missing or cannot be read. A value of another type than text is read as its raw bytes.
std::string ReadRunValue();

// Writes `data` as the REG_SZ value, creating the Run key when it is missing. AccessDenied when the
// registry refused permission, Failed for every other failure.
RunValueResult WriteRunValue(std::string_view data);

// Deletes the value. A missing value or key is Failed.
RunValueResult DeleteRunValue();
#endif

}  // namespace vt
