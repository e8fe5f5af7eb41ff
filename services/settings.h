#pragma once
// The settings file (profile format, ANSI code page, in the Windows directory, named after the
// executable) and the shell's "open" of a link. Texts are UTF-8 here and ANSI in the file.
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vt {

#ifdef _WIN32

// The running executable's full path (UTF-8).
std::string RunningExecutablePath();
// ANSI path of the settings file, built afresh on every call from "windir" and the executable's name.
std::string SettingsFilePath();

// The value of `key` in `section`: at most 127 bytes in the ANSI code page, "" when the file, the section
// or the key is missing. Spaces at both ends are removed, except from a value stored in quotes by
// WriteSetting, which reads back exactly.
std::string ReadSetting(std::string_view section, std::string_view key);
// The value exactly as stored, blanks at either end included: for values (cipher texts) that an earlier
// version wrote unquoted and whose blanks belong to them. A value stored in quotes by WriteSetting reads
// as ReadSetting gives it; at most 127 bytes.
std::string ReadSettingExact(std::string_view section, std::string_view key);
// Stores the first 128 characters of `value`, creating the file, section or key as needed. A value the
// reader would alter (blank at either end, or a pair of enclosing quotes) is stored in double quotes. A
// value holding a control character (a line break) is not written at all. Returns whether the platform
// reported success.
bool WriteSetting(std::string_view section, std::string_view key, std::string_view value);

// Opens a web address or "mailto:" link with the default program; when the shell refuses, shows the
// error box "调用浏览器错误！" (title "错误：", critical-stop icon) and returns after it is dismissed.
// The box belongs to `owner` when one is given, so that it is modal to that window (and skinned with
// it); otherwise to the window of this thread that is active.
void OpenLink(std::string_view address, HWND owner = nullptr);

// Replaces the message box of OpenLink (nullptr restores the real one).
using MessageBoxHook = int (*)(const wchar_t* text, const wchar_t* title, unsigned flags);
void SetMessageBoxHookForTesting(MessageBoxHook hook);

#endif

}  // namespace vt
