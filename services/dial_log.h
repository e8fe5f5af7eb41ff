#pragma once
// The dial log: one UTF-8 line per thing the line did, local time first, for the subscriber's call to the
// provider's support line. At most 512 KiB in the current file and as much in the one previous file
// (rotated by renaming), so never more than 1 MiB on disk. A line is written when its event happens and
// at no other time. A log that cannot be written is skipped: no call here throws, waits or fails the
// caller. The account shows only its last characters; the password and its cipher text are never taken.
// One thread (the user-interface thread) calls it.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/connection.h"
#include "services/line_texts.h"

namespace vt {

// The log's clock.
class LogClock {
public:
    virtual ~LogClock() = default;
    virtual LocalTime Now() = 0;
};

// The log's two files: the current one and the previous one.
class LogFile {
public:
    virtual ~LogFile() = default;
    // The current file's size in bytes, 0 when there is none; nothing when it cannot be told.
    virtual std::optional<std::uint64_t> Size() = 0;
    // Appends to the current file, making it when missing; false when not all was written.
    virtual bool Append(std::string_view bytes) = 0;
    // The current file becomes the previous one, replacing it; there is then no current file.
    virtual bool Rotate() = 0;
    // The whole current (or previous) file; nothing when it cannot be read, "" when it does not exist.
    virtual std::optional<std::string> Read(bool previous) = 0;
};

class DialLog {
public:
    static constexpr std::uint64_t kMaxFileBytes = 512 * 1024;
    static constexpr std::size_t kMaxLineBytes = 1024;
    static constexpr std::size_t kKeptLines = 30;

    // Logon: the Run value's hidden start; Setup: the setup program's restart of the copy it closed;
    // RestartManager: the system's restart of a copy an installer closed.
    enum class StartedBy { Logon, Subscriber, Setup, RestartManager };
    // AtStart: the start's own dial (at logon, or after a restart); Redial: the supervision's.
    enum class DialBy { Subscriber, AtStart, Redial };
    // Check: a look at the line for another reason (a supervision tick, a dial) found it gone.
    enum class DropNoticedBy { SystemSignal, FailedProbe, Wake, Check };

    DialLog(std::unique_ptr<LogClock> clock, std::unique_ptr<LogFile> file);

    void Started(std::string_view version, std::string_view windows_version, StartedBy how);
    void Dialling(DialBy who, std::string_view account);
    // `cause`: the number's cause in a few words, "" when none is known.
    void DialFailed(unsigned long code, std::string_view cause);
    // The dial watch ran out with no connection and no number from the tool yet.
    void DialUnanswered();
    void Connected(std::string_view ipv4, std::string_view ipv6);
    // `last`: the session's figures as last read; nothing when they were never read.
    void Dropped(DropNoticedBy how, const std::optional<LineCounters>& last);
    void HungUpBySubscriber();
    void RedialBackoff(std::uint64_t delay_s);
    void RedialPaused(std::string_view reason);
    void RedialStopped(std::string_view reason);
    void RedialResumed();
    void Suspending();
    void ResumedFromSleep();
    void LinkLost(std::string_view adapter);
    void LinkBack(std::string_view adapter);
    void AnotherCopySupervises();
    // The supervision lock's name is held by something no copy makes: this copy supervises.
    void SupervisionLockForeign();
    // What the probe found when the pages failed on a line that is up, as the subscriber was told it.
    void PagesFailing(std::string_view finding);
    // The program quits because the setup program or the uninstaller (Setup) or the Restart Manager
    // (RestartManager) asked; the first two restart a copy they closed only after an install.
    void QuitForRestart(StartedBy by);
    // Setup or RestartManager when the log's last line is such a quit, written less than an hour ago:
    // the start now is that restart. Nothing otherwise (a restart that never came leaves the next start
    // its own).
    std::optional<StartedBy> AwaitedRestart();

    // The last `count` lines, oldest first, each whole with its time: read back from the files, so that
    // lines of earlier runs count; the lines this run wrote when the files cannot be read.
    std::vector<std::string> LastLines(std::size_t count = kKeptLines);

    // A new entry asked for IPv6 and its default route: whether each was kept, as read back.
    void NewEntryIpv6(bool protocol_kept, bool default_route_kept);

private:
    void Write(std::string_view text);

    std::unique_ptr<LogClock> clock_;
    std::unique_ptr<LogFile> file_;
    std::deque<std::string> recent_;  // this run's last lines, at most kKeptLines
};

#ifdef _WIN32
// The log in the user's local data folder, %LOCALAPPDATA%\Veltrane\ (made when missing), on the local
// clock. When the system names no such folder, a log that writes nothing.
std::unique_ptr<DialLog> OpenUserDialLog();
// The folder the log is written to ("" when there is none); its files are kDialLogName and
// kPreviousDialLogName there.
std::wstring DialLogFolder();
inline constexpr wchar_t kDialLogName[] = L"dial-log.txt";
inline constexpr wchar_t kPreviousDialLogName[] = L"dial-log-previous.txt";
// The files in `folder` (which must exist).
std::unique_ptr<LogFile> FolderLogFile(const std::wstring& folder);
std::unique_ptr<LogClock> LocalClock();
// The system's own version, "10.0.19045" (not what a compatibility shim reports).
std::string WindowsVersionText();
#endif

}  // namespace vt
