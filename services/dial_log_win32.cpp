#include <shlobj.h>

#include <cstdio>

#include "base/function_lookup.h"
#include "base/handles.h"
#include "base/text.h"
#include "services/dial_log.h"

namespace vt {
namespace {

std::wstring LocalAppDataPath() {
    // The older call, which later systems keep as a wrapper of the known-folder one: the newer call's
    // answer must be freed through COM, and loading COM at every start costs more than a megabyte of
    // memory and a tenth of a second under Wine.
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

bool MakeFolder(const std::wstring& folder) {
    if (CreateDirectoryW(folder.c_str(), nullptr)) return true;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class LocalClockImpl final : public LogClock {
public:
    LocalTime Now() override {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    }
};

// Each call opens, works and closes: no handle is held between lines, so nothing of the log stays open
// while nothing happens, and another program may read, move or delete the files at any time.
class FolderFile final : public LogFile {
public:
    explicit FolderFile(const std::wstring& folder)
        : folder_(folder),
          current_(folder + L"\\" + kDialLogName),
          previous_(folder + L"\\" + kPreviousDialLogName) {}

    std::optional<std::uint64_t> Size() override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (GetFileAttributesExW(current_.c_str(), GetFileExInfoStandard, &data))
            return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
        return std::nullopt;
    }

    bool Append(std::string_view bytes) override {
        UniqueFile file = Open();
        // The folder may have been removed since the start: made again once.
        if (!file && GetLastError() == ERROR_PATH_NOT_FOUND && MakeFolder(folder_)) file = Open();
        if (!file) return false;
        DWORD written = 0;
        return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    bool Rotate() override {
        return MoveFileExW(current_.c_str(), previous_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }

    std::optional<std::string> Read(bool previous) override {
        const UniqueFile file(CreateFileW((previous ? previous_ : current_).c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::string();
            return std::nullopt;
        }
        std::string content;
        char buffer[16384];
        DWORD read = 0;
        // A file grown past its bound by someone else is read no further than twice the bound.
        while (content.size() < 2 * DialLog::kMaxFileBytes &&
               ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
            content.append(buffer, read);
        return content;
    }

private:
    UniqueFile Open() {
        // Appending only, so that writes of two processes cannot overwrite each other's lines.
        return UniqueFile(CreateFileW(current_.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }

    std::wstring folder_, current_, previous_;
};

// Where no folder can be had: nothing is written, and nothing can be read back but this run's lines.
class NoFile final : public LogFile {
public:
    std::optional<std::uint64_t> Size() override { return std::nullopt; }
    bool Append(std::string_view) override { return false; }
    bool Rotate() override { return false; }
    std::optional<std::string> Read(bool) override { return std::nullopt; }
};

}  // namespace

std::wstring DialLogFolder() {
    const std::wstring base = LocalAppDataPath();
    if (base.empty()) return {};
    const std::wstring folder = base + (base.back() == L'\\' ? L"" : L"\\") + L"Veltrane";
    return MakeFolder(folder) ? folder : std::wstring();
}

std::unique_ptr<LogFile> FolderLogFile(const std::wstring& folder) {
    return std::make_unique<FolderFile>(folder);
}

std::unique_ptr<LogClock> LocalClock() { return std::make_unique<LocalClockImpl>(); }

std::unique_ptr<DialLog> OpenUserDialLog() {
    const std::wstring folder = DialLogFolder();
    std::unique_ptr<LogFile> file;
    if (folder.empty())
        file = std::make_unique<NoFile>();
    else
        file = FolderLogFile(folder);
    return std::make_unique<DialLog>(LocalClock(), std::move(file));
}

std::string WindowsVersionText() {
    // GetVersionEx answers what the program's manifest admits to knowing (6.2 on any later system without
    // it); the kernel's own call tells the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    const auto rtl_get_version = LookUpFunction<RtlGetVersionFn>(L"ntdll.dll", "RtlGetVersion");
    if (!(rtl_get_version && rtl_get_version(&version) == 0) && !GetVersionExW(&version)) return {};
    char text[48];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber);
    return text;
}

}  // namespace vt
