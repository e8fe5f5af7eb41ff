#pragma once
// Platform-free rules of the settings file: where it lives, the executable facts stored in it, and how a
// value is stored so that the profile reader gives it back unchanged. Texts are UTF-8 or ANSI: every rule
// here looks only at ASCII bytes, which neither encoding uses inside a multi-byte character.
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// The executable's file name without folder and without its last extension ("a.b.exe" -> "a.b").
std::string ExeBaseName(std::string_view exe_path);
// The executable's folder as the system states it: no trailing backslash, except for a drive root
// ("C:\Tools\x.exe" -> "C:\Tools", "C:\x.exe" -> "C:\").
std::string ExeFolder(std::string_view exe_path);
// windir + "\" + base + ".dat"; an empty windir gives "\" + base + ".dat" (root of the current drive).
std::string SettingsPathFor(std::string_view windir, std::string_view exe_base_name);
// The value stored under ExeUrl: folder, a "\" unless the folder is exactly 3 characters (a drive root,
// which already ends in one), base name, ".exe".
std::string ExeUrlFrom(std::string_view folder, std::string_view exe_base_name);

// Characters the profile reader drops from either end of an unquoted value.
bool IsProfileBlank(char c);
// Removes spaces (only spaces) from both ends.
std::string TrimSpaces(std::string_view text);
// True when the profile reader would not give `value` back as written: it begins or ends with a blank,
// or it begins and ends with the same quote character (the reader removes one such pair).
bool ProfileValueNeedsQuotes(std::string_view value);
// The text to write for `value`: wrapped in double quotes when it needs them, otherwise unchanged.
std::string ProfileValueToStore(std::string_view value);
// True for a stored value that the reader unwraps: at least 2 characters, the same quote at both ends.
bool IsQuotedProfileValue(std::string_view raw);
// Finds `key` (ASCII letters compared without case, first occurrence wins, as the reader does) in a
// section block as the platform returns it ("key=value\0key=value\0\0") and returns its raw value.
std::optional<std::string_view> FindProfileEntry(std::string_view section_block, std::string_view key);
// The value a read gives: a quoted value is taken exactly as the reader returned it (never trimmed, and
// never longer than its unwrapped text), any other value with its spaces at both ends removed.
std::string ResolveProfileRead(std::string_view returned, std::optional<std::string_view> raw_value);

// True when `value` can be written as a value at all: no byte of it is a control character (a line break
// would end the line and begin another key of its own). Looks at ASCII bytes only, so it suits both UTF-8
// and the ANSI code page.
bool IsStorableProfileValue(std::string_view value);
// Finds `key` in `section` (both compared as FindProfileEntry compares keys; the first of each wins) in the
// text of a settings file and returns everything after the line's first "=", blanks included; only the
// line's end ("\r\n" or "\n") is removed. Comment lines (";") are skipped.
std::optional<std::string_view> FindProfileLine(std::string_view file_text, std::string_view section,
                                                std::string_view key);
// The value exactly as stored, from the raw text of its line: the quoted form ProfileValueToStore writes is
// unwrapped; any other text (a value written unquoted by an earlier version, blanks or enclosing quotes
// included) is the value itself. Cut to `limit` bytes like the reader's buffer. Nothing when the line is
// missing or disagrees with `returned`, what the platform's reader gave for it.
std::optional<std::string> ResolveExactRead(std::string_view returned,
                                            std::optional<std::string_view> raw_line, std::size_t limit);

}  // namespace vt
