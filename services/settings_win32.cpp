#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstring>
#include <vector>

#include "base/handles.h"
#include "base/text.h"
#include "services/settings.h"
#include "services/settings_path.h"

namespace vt {
namespace {

constexpr size_t kWriteField = 128;             // characters of a value that reach the file
constexpr DWORD kReadBuffer = 128;              // bytes, terminating NUL included
constexpr LONGLONG kLargestFileRead = 1 << 20;  // far beyond any settings file this program writes

MessageBoxHook g_message_box_hook = nullptr;

std::string ToAnsi(std::string_view utf8) { return WideToAnsi(Utf8ToWide(utf8)); }
std::string FromAnsi(std::string_view ansi) { return WideToUtf8(AnsiToWide(ansi)); }

std::wstring ModulePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
        if (length == 0) return {};
        if (length < size) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// The W call: the A call cuts a non-ASCII value under Wine.
std::wstring EnvironmentValue(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

// The whole section as the platform returns it, for the raw (still quoted) form of a value.
std::string ReadSectionBlock(const std::string& section, const std::string& path) {
    std::vector<char> buffer(1024);
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        DWORD length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), size, path.c_str());
        if (length + 2 < size || buffer.size() >= (1u << 20)) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);  // the platform cut the section to fit
    }
}

std::wstring FirstCharacters(std::wstring text, size_t count) {
    if (text.size() <= count) return text;
    // Never leave half of a surrogate pair behind.
    if (IS_HIGH_SURROGATE(text[count - 1])) --count;
    text.resize(count);
    return text;
}

// The file's text as stored, for the lines the profile reader would alter: both Windows and Wine trim
// blanks from a value (Wine already in the section read), so only the file itself still has them.
std::string ReadFileText(const std::string& path) {
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kLargestFileRead) return {};
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() && !ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr))
        return {};
    text.resize(read);
    return text;
}

// What the platform's reader returns for the key, up to the first NUL.
std::string PlatformRead(const std::string& section, const std::string& key, const std::string& path) {
    // Prefilled with spaces: a byte the platform leaves untouched inside the text is then a space, which
    // the trimming removes.
    char buffer[kReadBuffer];
    std::memset(buffer, ' ', sizeof buffer);
    GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer, kReadBuffer, path.c_str());
    buffer[kReadBuffer - 1] = '\0';
    return std::string(buffer, std::strlen(buffer));
}

std::string OrdinaryRead(const std::string& section, const std::string& key, const std::string& path,
                         const std::string& returned) {
    std::string block = ReadSectionBlock(section, path);
    return ResolveProfileRead(returned, FindProfileEntry(block, key));
}

}  // namespace

std::string RunningExecutablePath() { return WideToUtf8(ModulePath()); }

std::string SettingsFilePath() {
    std::string windir = WideToUtf8(EnvironmentValue(L"windir"));
    return ToAnsi(SettingsPathFor(windir, ExeBaseName(RunningExecutablePath())));
}

std::string ReadSetting(std::string_view section, std::string_view key) {
    std::string path = SettingsFilePath();
    std::string section_ansi = ToAnsi(section);
    std::string key_ansi = ToAnsi(key);
    return FromAnsi(OrdinaryRead(section_ansi, key_ansi, path, PlatformRead(section_ansi, key_ansi, path)));
}

std::string ReadSettingExact(std::string_view section, std::string_view key) {
    std::string path = SettingsFilePath();
    std::string section_ansi = ToAnsi(section);
    std::string key_ansi = ToAnsi(key);
    std::string returned = PlatformRead(section_ansi, key_ansi, path);
    std::optional<std::string> exact = ResolveExactRead(
        returned, FindProfileLine(ReadFileText(path), section_ansi, key_ansi), kReadBuffer - 1);
    return FromAnsi(exact ? *exact : OrdinaryRead(section_ansi, key_ansi, path, returned));
}

bool WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
    std::string text = WideToAnsi(FirstCharacters(Utf8ToWide(value), kWriteField));
    text.resize(std::strlen(text.c_str()));  // the platform sees the text up to its first NUL
    // A line break would write a key of its own: nothing is written rather than something else.
    if (!IsStorableProfileValue(text)) return false;
    std::string stored = ProfileValueToStore(text);
    std::string path = SettingsFilePath();
    return WritePrivateProfileStringA(ToAnsi(section).c_str(), ToAnsi(key).c_str(), stored.c_str(),
                                      path.c_str()) != FALSE;
}

void OpenLink(std::string_view address, HWND owner) {
    std::wstring target = Utf8ToWide(address);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return;
    const wchar_t* text = L"调用浏览器错误！";
    const wchar_t* title = L"错误：";
    if (g_message_box_hook)
        g_message_box_hook(text, title, MB_ICONHAND);
    else
        MessageBoxW(owner ? owner : GetActiveWindow(), text, title, MB_ICONHAND);
}

void SetMessageBoxHookForTesting(MessageBoxHook hook) { g_message_box_hook = hook; }

}  // namespace vt
