#pragma once
// MainFrm's services for Windows tests of the real main window: they touch no file, registry, network,
// clipboard or tray, and keep what the window asked of them.
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_frm.h"

namespace vt::test {

// A dial log with nowhere to write: each line is skipped, as where the system names no folder.
class NoLogFile final : public LogFile {
public:
    std::optional<std::uint64_t> Size() override { return std::nullopt; }
    bool Append(std::string_view) override { return false; }
    bool Rotate() override { return false; }
    std::optional<std::string> Read(bool) override { return std::nullopt; }
};

// With `connected` set, a click on the connect button only reports the link as up, so that clicks can be
// repeated without dialling or raising a message box. `settings` stands for the settings file; each dial
// is kept as "account|password".
class QuietServices : public MainFrmServices {
public:
    bool connected = false;
    RunValueResult write_run_value = RunValueResult::Ok;
    std::map<std::string, std::string, std::less<>> settings;
    std::string args;
    std::vector<std::string> dials;

    std::string ReadSetting(std::string_view, std::string_view key) override {
        auto found = settings.find(key);
        return found == settings.end() ? std::string() : found->second;
    }
    std::string ReadSettingExact(std::string_view section, std::string_view key) override {
        return ReadSetting(section, key);
    }
    bool WriteSetting(std::string_view, std::string_view, std::string_view) override { return true; }
    std::string EncipherPassword(std::string_view plain) override { return std::string(plain); }
    std::string DecipherPassword(std::string_view cipher) override { return std::string(cipher); }
    bool EntryExists(std::string_view) override { return true; }
    bool CreateDialEntry(std::string_view, std::string_view, std::string_view) override { return true; }
    bool IsEntryConnected(std::string_view) override { return connected; }
    bool IsEntryListed(std::string_view) override { return connected; }
    bool OtherBroadbandConnected(std::string_view) override { return false; }
    std::optional<LineCounters> ReadCounters(std::string_view) override { return std::nullopt; }
    std::int64_t NowMs() override { return 0; }
    bool ProbeInternet(std::string_view) override { return true; }
    std::array<std::string, 2> ProbeAddresses() override {
        return {"http://127.0.0.1:9/", "http://127.0.0.1:9/"};
    }
    bool LaunchDial(std::string_view account, std::string_view password) override {
        dials.push_back(std::string(account) + "|" + std::string(password));
        return true;
    }
    bool LaunchHangUp() override { return true; }
    ToolRun LastToolRun(ToolJob) override { return {}; }
    std::string DialErrorText(unsigned long) override { return {}; }
    std::string SettingsLocation() override { return "C:\\windows\\Veltrane.dat"; }
    std::string ReadRunValue() override { return {}; }
    RunValueResult WriteRunValue(std::string_view) override { return write_run_value; }
    RunValueResult DeleteRunValue() override { return RunValueResult::Ok; }
    std::string RunValueDataFor(std::string_view, std::string_view) override { return "x hide"; }
    std::string ExeUrlFrom(std::string_view, std::string_view) override { return "x"; }
    void TrimWorkingSet() override {}
    void OpenLink(std::string_view) override {}
    void ShowTrayIcon() override {}
    void ShowLineState(LineState, std::string_view) override {}
    void ShowBalloon(std::string_view, std::string_view, unsigned) override {}
    void RemoveTrayIcon() override {}
    DialLog& Log() override { return log_; }
    std::optional<ConnectionDetails> ReadConnection(std::string_view) override { return std::nullopt; }
    LocalTime LocalNow() override { return {2026, 12, 7, 21, 0, 0}; }
    DiagnosticsFacts SystemFacts() override { return {}; }
    bool CopyText(std::string_view) override { return true; }
    std::string ExeFolder() override { return "C:\\Veltrane"; }
    std::string ExeBaseName() override { return "Veltrane"; }
    std::string CommandLineArgs() override { return args; }

private:
    DialLog log_{LocalClock(), std::make_unique<NoLogFile>()};
};

}  // namespace vt::test
