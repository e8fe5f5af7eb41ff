#pragma once
// MainFrm's services on the real system: the settings file, the cipher, the phonebook and the dial
// tool, the probe, the Run value, the working set, links, the tray icon of one window, the dial log, the
// clipboard, and the watch that tells that window of connections ended and made.
#include <windows.h>

#include <memory>

#include "app/main_frm.h"
#include "app/single_instance.h"
#include "services/connection_watch.h"
#include "services/link_state.h"
#include "tray/tray_icon.h"

namespace vt {

class SystemServices final : public MainFrmServices {
public:
    // `tray` is the main window's icon, which the window keeps informed of its messages.
    SystemServices(HWND main_window, TrayIcon& tray);

    std::string ReadSetting(std::string_view section, std::string_view key) override;
    std::string ReadSettingExact(std::string_view section, std::string_view key) override;
    bool WriteSetting(std::string_view section, std::string_view key, std::string_view value) override;
    std::string EncipherPassword(std::string_view plain) override;
    std::string DecipherPassword(std::string_view cipher) override;
    bool EntryExists(std::string_view name) override;
    bool CreateDialEntry(std::string_view entry, std::string_view user, std::string_view password) override;
    bool IsEntryConnected(std::string_view name) override;
    bool IsEntryListed(std::string_view name) override;
    bool OtherBroadbandConnected(std::string_view name) override;
    std::optional<LineCounters> ReadCounters(std::string_view name) override;
    std::int64_t NowMs() override;
    Link ReadLink() override;
    std::string LinkAdapterName() override;
    bool HoldsSupervision() override;
    bool SupervisionLockForeign() override;
    bool SupervisedElsewhere() override;
    void MarkHandHangUp() override;
    bool HungUpElsewhere() override;
    PathFindings CheckPaths() override;
    void ReleaseSupervision() override;
    bool WatchConnections() override;
    bool ProbeInternet(std::string_view url) override;
    std::array<std::string, 2> ProbeAddresses() override;
    bool LaunchDial(std::string_view account, std::string_view password) override;
    bool LaunchHangUp() override;
    ToolRun LastToolRun(ToolJob job) override;
    std::string DialErrorText(unsigned long code) override;
    std::string SettingsLocation() override;
    std::string ReadRunValue() override;
    RunValueResult WriteRunValue(std::string_view data) override;
    RunValueResult DeleteRunValue() override;
    std::string RunValueDataFor(std::string_view exe_folder, std::string_view base_name) override;
    std::string ExeUrlFrom(std::string_view exe_folder, std::string_view base_name) override;
    void TrimWorkingSet() override;
    void OpenLink(std::string_view address) override;
    void ShowTrayIcon() override;
    void ShowLineState(LineState state, std::string_view tip) override;
    void ShowBalloon(std::string_view text, std::string_view title, unsigned flags) override;
    void RemoveTrayIcon() override;
    DialLog& Log() override;
    std::optional<ConnectionDetails> ReadConnection(std::string_view name) override;
    LocalTime LocalNow() override;
    DiagnosticsFacts SystemFacts() override;
    bool CopyText(std::string_view text) override;
    std::string ExeFolder() override;
    std::string ExeBaseName() override;
    std::string CommandLineArgs() override;

private:
    HWND window_;
    TrayIcon& tray_;
    std::unique_ptr<DialLog> log_;
    DWORD last_tick_ = 0;
    std::uint32_t tick_wraps_ = 0;
    ConnectionEndWatch connection_watch_;
    SupervisionLock supervision_;
    HandHangUpMark hand_hang_up_;
    LinkWatch link_watch_;
};

// The argument text of a command line: what follows the program's name (quoted or not) and the
// blanks after it, kept exactly otherwise.
std::wstring ArgumentText(const wchar_t* command_line);

}  // namespace vt
