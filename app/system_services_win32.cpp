#include "app/system_services.h"

#include "app/main_window.h"
#include "base/function_lookup.h"
#include "base/text.h"
#include "services/cipher.h"
#include "services/clipboard.h"
#include "services/connection.h"
#include "services/dial_log.h"
#include "services/link_state.h"
#include "services/phonebook.h"
#include "services/probe.h"
#include "services/run_value.h"
#include "services/settings.h"
#include "services/settings_path.h"
#include "services/working_set.h"
#include "tray/tray_icon.h"

namespace vt {

// The log is opened once, at the start: a folder that cannot be had leaves a log that writes nothing.
SystemServices::SystemServices(HWND main_window, TrayIcon& tray)
    : window_(main_window), tray_(tray), log_(OpenUserDialLog()) {}

std::string SystemServices::ReadSetting(std::string_view section, std::string_view key) {
    return vt::ReadSetting(section, key);
}
std::string SystemServices::ReadSettingExact(std::string_view section, std::string_view key) {
    return vt::ReadSettingExact(section, key);
}
bool SystemServices::WriteSetting(std::string_view section, std::string_view key, std::string_view value) {
    return vt::WriteSetting(section, key, value);
}
std::string SystemServices::EncipherPassword(std::string_view plain) { return vt::EncipherPassword(plain); }
std::string SystemServices::DecipherPassword(std::string_view cipher) { return vt::DecipherPassword(cipher); }
bool SystemServices::EntryExists(std::string_view name) { return vt::EntryExists(name); }
bool SystemServices::CreateDialEntry(std::string_view entry, std::string_view user,
                                     std::string_view password) {
    // Whether IPv6 stuck decides whether a line that negotiates it also routes through it: told once, here.
    std::optional<EntryIpv6> ipv6;
    const bool created = vt::CreateDialEntry(entry, user, password, &ipv6);
    if (ipv6) log_->NewEntryIpv6(ipv6->protocol, ipv6->default_route);
    return created;
}
bool SystemServices::IsEntryConnected(std::string_view name) { return vt::IsEntryConnected(name); }
bool SystemServices::IsEntryListed(std::string_view name) { return vt::IsEntryListed(name); }
bool SystemServices::OtherBroadbandConnected(std::string_view name) {
    return vt::OtherBroadbandConnected(name);
}
std::optional<LineCounters> SystemServices::ReadCounters(std::string_view name) {
    return ConnectionCounters(name);
}
std::int64_t SystemServices::NowMs() {
    // The policy's waits are of a program running: two minutes after a suspend with no resume told must
    // not pass while the machine sleeps. The unbiased interrupt time (Windows 7 on, looked up as the
    // build targets older headers) leaves sleep out and never wraps.
    using Unbiased = BOOL(WINAPI*)(ULONGLONG*);
    static const auto unbiased = LookUpFunction<Unbiased>(L"kernel32.dll", "QueryUnbiasedInterruptTime");
    ULONGLONG hundred_ns = 0;
    if (unbiased && unbiased(&hundred_ns)) return static_cast<std::int64_t>(hundred_ns / 10'000);
    // Else the tick count, which counts sleep. Its 32 bits wrap after 49.7 days, and a tray program runs
    // for longer: the wraps are counted. The clock is read at every retry decision, so no wrap goes unseen
    // while a spacing is pending.
    const DWORD now = GetTickCount();
    if (now < last_tick_) ++tick_wraps_;
    last_tick_ = now;
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(tick_wraps_) << 32) | now);
}
Link SystemServices::ReadLink() {
    // Read now rather than trusted from the last message: a pulled cable is not told on every system.
    return link_watch_.Refresh();
}
std::string SystemServices::LinkAdapterName() {
    const std::optional<std::vector<AdapterRow>> rows = ReadAdapterRows();
    return rows ? LinkAdapterNames(*rows) : std::string();
}
// Asked at every supervision tick: a copy that does not hold the lock takes it over as soon as its holder
// has quit (or ended without letting go). One wait of no time while another holds it.
bool SystemServices::HoldsSupervision() { return supervision_.TrySupervise(); }
void SystemServices::ReleaseSupervision() { supervision_.Release(); }
bool SystemServices::SupervisionLockForeign() { return supervision_.Foreign(); }
bool SystemServices::SupervisedElsewhere() { return supervision_.HeldElsewhere(); }
void SystemServices::MarkHandHangUp() { hand_hang_up_.Set(); }
bool SystemServices::HungUpElsewhere() { return hand_hang_up_.SetElsewhere(); }
PathFindings SystemServices::CheckPaths() { return vt::CheckPaths(); }
bool SystemServices::WatchConnections() {
    // The link's watch is started (again) here too: a watch that failed once is tried at every tick.
    if (!link_watch_.Running()) link_watch_.Start(window_, MainWindow::kLinkChangedMessage);
    return connection_watch_.Running() ||
           connection_watch_.Start(window_, MainWindow::kConnectionEndedMessage,
                                   MainWindow::kConnectionMadeMessage);
}
bool SystemServices::ProbeInternet(std::string_view url) { return vt::ProbeInternet(url); }
std::array<std::string, 2> SystemServices::ProbeAddresses() {
    return {std::string(kProbeAddresses[0]), std::string(kProbeAddresses[1])};
}
bool SystemServices::LaunchDial(std::string_view account, std::string_view password) {
    hand_hang_up_.Clear();  // the subscriber wants the line again
    return vt::LaunchDial(account, password);
}
bool SystemServices::LaunchHangUp() { return vt::LaunchHangUp(); }
ToolRun SystemServices::LastToolRun(ToolJob job) { return vt::LastToolRun(job); }
std::string SystemServices::DialErrorText(unsigned long code) { return vt::DialErrorText(code); }
std::string SystemServices::SettingsLocation() { return WideToUtf8(AnsiToWide(vt::SettingsFilePath())); }
std::string SystemServices::ReadRunValue() { return vt::ReadRunValue(); }

RunValueResult SystemServices::WriteRunValue(std::string_view data) { return vt::WriteRunValue(data); }
RunValueResult SystemServices::DeleteRunValue() { return vt::DeleteRunValue(); }
std::string SystemServices::RunValueDataFor(std::string_view exe_folder, std::string_view base_name) {
    return vt::RunValueDataFor(exe_folder, base_name);
}
std::string SystemServices::ExeUrlFrom(std::string_view exe_folder, std::string_view base_name) {
    return vt::ExeUrlFrom(exe_folder, base_name);
}
void SystemServices::TrimWorkingSet() { vt::TrimWorkingSet(); }
void SystemServices::OpenLink(std::string_view address) { vt::OpenLink(address, window_); }

void SystemServices::ShowTrayIcon() { tray_.Show(); }
void SystemServices::ShowLineState(LineState state, std::string_view tip) {
    const TrayState shown = state == LineState::Connected  ? TrayState::Connected
                            : state == LineState::Dialling ? TrayState::Dialling
                                                           : TrayState::NotConnected;
    tray_.SetState(shown, Utf8ToWide(tip));
}
void SystemServices::ShowBalloon(std::string_view text, std::string_view title, unsigned flags) {
    tray_.ShowBalloon(Utf8ToWide(text), Utf8ToWide(title), flags);
}
void SystemServices::RemoveTrayIcon() { tray_.Hide(); }

DialLog& SystemServices::Log() { return *log_; }
std::optional<ConnectionDetails> SystemServices::ReadConnection(std::string_view name) {
    return ReadConnectionDetails(name);
}
LocalTime SystemServices::LocalNow() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}
DiagnosticsFacts SystemServices::SystemFacts() {
    DiagnosticsFacts facts;
    facts.version = VELTRANE_VERSION;
    facts.windows_version = WindowsVersionText();
    facts.device = PppoeDevice();
    facts.pppoe_device = !facts.device.empty();
    facts.proxy = ReadProxyInForce();
    // The adapters a line can run over, as the link's rule counts them.
    if (const std::optional<std::vector<AdapterRow>> rows = ReadAdapterRows()) {
        for (const AdapterRow& row : *rows)
            if (CarriesLine(row))
                facts.adapters.push_back(
                    {row.name, row.media == MediaState::Connected, row.type == kIfTypeWifi});
    }
    return facts;
}
bool SystemServices::CopyText(std::string_view text) { return CopyTextToClipboard(window_, text); }

std::string SystemServices::ExeFolder() { return vt::ExeFolder(RunningExecutablePath()); }
std::string SystemServices::ExeBaseName() { return vt::ExeBaseName(RunningExecutablePath()); }
std::string SystemServices::CommandLineArgs() { return WideToUtf8(ArgumentText(GetCommandLineW())); }

std::wstring ArgumentText(const wchar_t* command_line) {
    if (!command_line) return {};
    const wchar_t* p = command_line;
    // The program's name: a quoted run ends at the closing quote, a plain one at the first blank.
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p == L'"') ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

}  // namespace vt
