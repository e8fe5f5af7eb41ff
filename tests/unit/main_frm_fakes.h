#pragma once
// Fakes for driving MainFrm natively: services and view that record every call in one shared log, a
// fake clock that fires the two timers, and hooks that let a test act while MainFrm waits in a call
// that lets other window messages run (probe, message box, pop-up menu).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_frm.h"

namespace vt::testing {

using CallLog = std::vector<std::string>;

inline std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out += p;
    return out;
}

// The local time `ms` after 2026-12-07 21:00:00, for nights of up to a few days.
inline LocalTime LocalAt(std::int64_t ms) {
    const std::int64_t s = 21 * 3600 + ms / 1000;
    return {2026,
            12,
            7 + static_cast<int>(s / 86400),
            static_cast<int>(s / 3600 % 24),
            static_cast<int>(s / 60 % 60),
            static_cast<int>(s % 60)};
}

// The dial log's file, in memory.
struct MemoryLogFile final : LogFile {
    std::string text;
    std::optional<std::uint64_t> Size() override { return text.size(); }
    bool Append(std::string_view bytes) override {
        text += bytes;
        return true;
    }
    bool Rotate() override {
        text.clear();
        return true;
    }
    std::optional<std::string> Read(bool previous) override { return previous ? std::string() : text; }
};

struct Balloon {
    std::string text, title;
    unsigned flags;
};

class FakeServices : public MainFrmServices {
public:
    explicit FakeServices(CallLog& log) : log_(log) {}

    // World state.
    std::map<std::string, std::string> settings;  // "Section/Key" -> value
    bool entry_exists = true;
    std::function<bool()> connected = [] { return false; };
    // Listed in any state: asked only after a hang-up, whose line is by default released with its tool.
    std::function<bool()> listed = [] { return false; };
    bool other_connected = false;  // another broadband connection holds the device
    std::function<std::optional<unsigned long>()> received = [] { return std::optional<unsigned long>(); };
    std::function<std::int64_t()> clock = [] { return std::int64_t(0); };
    std::function<bool(std::string_view)> probe = [](std::string_view) { return true; };
    std::string run_value;
    RunValueResult write_result = RunValueResult::Ok;
    RunValueResult delete_result = RunValueResult::Ok;
    std::string exe_folder = "C:\\Program Files\\Veltrane";
    std::string exe_base = "Veltrane";
    std::string args;
    bool tray_icon = false;
    bool settings_writable = true;
    ToolRun dial_run, hang_up_run;  // how the tool's last runs stand (Unknown: none started)
    ToolRun next_dial_run;          // how the run of the next dial will stand
    std::function<void()> on_dial;  // runs as each dial starts, after dial_run is set
    std::map<unsigned long, std::string> error_texts;  // the system's own texts of error numbers
    Link link = Link::Unknown;
    std::string link_adapter;
    bool supervises = true;       // this copy holds the machine's supervision
    bool watch_can_start = true;  // the system lets the connection watch start
    bool watch_running = false;
    int watch_starts = 0;
    // The entry's connection while it is up; by default its addresses and its figures since `up_since`.
    std::function<std::optional<ConnectionDetails>()> details = [this]() -> std::optional<ConnectionDetails> {
        if (!connected()) return std::nullopt;
        return ConnectionDetails{
            "100.64.3.4", "", "WAN Miniport (PPPOE)",
            LineCounters{static_cast<std::uint64_t>((clock() - up_since) / 1000), 1024, 4096}};
    };
    std::int64_t up_since = 0;
    bool clipboard_free = true;
    std::string windows_version = "10.0.19045";

    // What happened.
    std::vector<std::pair<std::string, std::string>> dials;  // account, password
    int hang_ups = 0;
    std::vector<Balloon> balloons;
    std::vector<std::string> probed;
    std::vector<std::string> links;
    int trims = 0;
    std::vector<std::pair<LineState, std::string>> tray_states;  // what the icon was told, in order
    std::vector<std::string> clipboard;
    MemoryLogFile* log_file = new MemoryLogFile;

    // The dial log's lines, without their times.
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::string_view text = log_file->text;
        if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
        for (std::size_t end; (end = text.find("\r\n")) != std::string_view::npos;
             text.remove_prefix(end + 2))
            lines.emplace_back(text.substr(20, end - 20));
        return lines;
    }

    void SetConnected(bool value) {
        connected = [value] { return value; };
    }
    std::optional<std::string> Setting(const std::string& key) const {
        auto it = settings.find("Option/" + key);
        if (it == settings.end()) return std::nullopt;
        return it->second;
    }

    std::string ReadSetting(std::string_view section, std::string_view key) override {
        log_.push_back(Cat({"ReadSetting ", key}));
        auto it = settings.find(Cat({section, "/", key}));
        return it == settings.end() ? std::string() : it->second;
    }
    std::string ReadSettingExact(std::string_view section, std::string_view key) override {
        log_.push_back(Cat({"ReadSettingExact ", key}));
        auto it = settings.find(Cat({section, "/", key}));
        return it == settings.end() ? std::string() : it->second;
    }
    bool WriteSetting(std::string_view section, std::string_view key, std::string_view value) override {
        log_.push_back(Cat({"WriteSetting ", key, "=", value}));
        if (!settings_writable) return false;
        settings[Cat({section, "/", key})] = std::string(value);
        return true;
    }
    std::string SettingsLocation() override { return "C:\\Windows\\Veltrane.dat"; }
    std::string EncipherPassword(std::string_view plain) override { return Cat({"enc(", plain, ")"}); }
    std::string DecipherPassword(std::string_view cipher) override {
        log_.push_back(Cat({"DecipherPassword ", cipher}));
        if (cipher.starts_with("enc(") && cipher.ends_with(")"))
            return std::string(cipher.substr(4, cipher.size() - 5));
        return "?";
    }
    bool EntryExists(std::string_view name) override {
        log_.push_back(Cat({"EntryExists ", name}));
        return entry_exists;
    }
    bool CreateDialEntry(std::string_view entry, std::string_view user, std::string_view password) override {
        log_.push_back(Cat({"CreateDialEntry ", entry, ",", user, ",", password}));
        entry_exists = true;
        return true;
    }
    bool IsEntryConnected(std::string_view name) override {
        log_.push_back(Cat({"IsEntryConnected ", name}));
        return connected();
    }
    bool IsEntryListed(std::string_view) override { return listed(); }
    bool OtherBroadbandConnected(std::string_view) override { return other_connected; }
    // The connection's figures while `received` tells a counter.
    std::optional<LineCounters> ReadCounters(std::string_view) override {
        const std::optional<unsigned long> bytes = received();
        if (!bytes) return std::nullopt;
        return LineCounters{static_cast<std::uint64_t>((clock() - up_since) / 1000), 1024, *bytes};
    }
    std::int64_t NowMs() override { return clock(); }
    Link ReadLink() override { return link; }
    std::string LinkAdapterName() override { return link_adapter; }
    bool HoldsSupervision() override { return supervises; }
    void ReleaseSupervision() override { ++supervision_released; }
    int supervision_released = 0;
    bool WatchConnections() override {
        if (!watch_running && watch_can_start) {
            watch_running = true;
            ++watch_starts;
        }
        return watch_running;
    }
    bool ProbeInternet(std::string_view url) override {
        log_.push_back(Cat({"ProbeInternet ", url}));
        probed.emplace_back(url);
        return probe(url);
    }
    std::array<std::string, 2> ProbeAddresses() override {
        return {"https://probe-one.test/", "http://probe-two.test/"};
    }
    PathFindings paths;  // what lies beyond failed pages (by default: nothing answers, no proxy)
    PathFindings CheckPaths() override { return paths; }
    bool LaunchDial(std::string_view account, std::string_view password) override {
        log_.push_back(Cat({"LaunchDial ", account, ",", password}));
        dials.emplace_back(account, password);
        dial_run = next_dial_run;
        if (on_dial) on_dial();
        return true;
    }
    bool LaunchHangUp() override {
        log_.push_back("LaunchHangUp");
        ++hang_ups;
        return true;
    }
    ToolRun LastToolRun(ToolJob job) override { return job == ToolJob::Dial ? dial_run : hang_up_run; }
    std::string DialErrorText(unsigned long code) override {
        auto it = error_texts.find(code);
        return it == error_texts.end() ? std::string() : it->second;
    }
    std::string ReadRunValue() override {
        log_.push_back("ReadRunValue");
        return run_value;
    }
    RunValueResult WriteRunValue(std::string_view data) override {
        log_.push_back(Cat({"WriteRunValue ", data}));
        if (write_result == RunValueResult::Ok) run_value = data;
        return write_result;
    }
    RunValueResult DeleteRunValue() override {
        log_.push_back("DeleteRunValue");
        if (delete_result == RunValueResult::Ok) run_value.clear();
        return delete_result;
    }
    std::string RunValueDataFor(std::string_view folder, std::string_view base) override {
        return Cat({"\"", folder, "\\", base, ".exe\" hide"});
    }
    std::string ExeUrlFrom(std::string_view folder, std::string_view base) override {
        return Cat({folder, "\\", base, ".exe"});
    }
    void TrimWorkingSet() override {
        log_.push_back("TrimWorkingSet");
        ++trims;
    }
    void OpenLink(std::string_view address) override {
        log_.push_back(Cat({"OpenLink ", address}));
        links.emplace_back(address);
    }
    void ShowTrayIcon() override {
        log_.push_back("ShowTrayIcon");
        tray_icon = true;
    }
    void ShowLineState(LineState state, std::string_view tip) override {
        log_.push_back(Cat({"ShowLineState ", tip}));
        tray_states.emplace_back(state, tip);
    }
    void ShowBalloon(std::string_view text, std::string_view title, unsigned flags) override {
        log_.push_back(Cat({"ShowBalloon ", text}));
        balloons.push_back({std::string(text), std::string(title), flags});
    }
    void RemoveTrayIcon() override {
        log_.push_back("RemoveTrayIcon");
        tray_icon = false;
    }
    DialLog& Log() override { return dial_log_; }
    std::optional<ConnectionDetails> ReadConnection(std::string_view) override { return details(); }
    LocalTime LocalNow() override { return LocalAt(clock()); }
    DiagnosticsFacts SystemFacts() override {
        DiagnosticsFacts facts;
        facts.version = "9.0.0";
        facts.windows_version = windows_version;
        facts.device = "WAN Miniport (PPPOE)";
        facts.pppoe_device = true;
        facts.adapters = {{"以太网", link != Link::Down}};
        return facts;
    }
    bool CopyText(std::string_view text) override {
        if (clipboard_free) clipboard.emplace_back(text);
        return clipboard_free;
    }
    std::string ExeFolder() override { return exe_folder; }
    std::string ExeBaseName() override { return exe_base; }
    std::string CommandLineArgs() override { return args; }

private:
    struct Clock final : LogClock {
        explicit Clock(FakeServices& services) : services(services) {}
        LocalTime Now() override { return LocalAt(services.clock()); }
        FakeServices& services;
    };
    CallLog& log_;
    DialLog dial_log_{std::make_unique<Clock>(*this), std::unique_ptr<LogFile>(log_file)};
};

struct MessageBoxShown {
    std::string text, title;
    unsigned icon;
};

class FakeView : public MainFrmView {
public:
    struct Timer {
        bool on = false;
        unsigned interval = 0;
        std::int64_t due = 0;
    };

    explicit FakeView(CallLog& log) : log_(log) {}
    void Bind(MainFrm* frm) { frm_ = frm; }

    std::string account, password, status;
    bool connect_enabled = true;
    bool ticked[2] = {false, false};
    bool visible = false, minimised = false;
    ButtonPicture pictures[2] = {ButtonPicture::Normal, ButtonPicture::Normal};
    std::vector<MessageBoxShown> messages;
    std::function<void()> during_message;  // runs while a message box is up
    std::function<void()> during_popup;    // runs while the tray menu is up
    int popups = 0, about_shown = 0, status_views = 0, drags = 0, quits = 0, focus_moves = 0;
    bool destroyed = false;
    int calls_after_destroy = 0;
    std::int64_t now = 0;
    Timer timers[3];

    Timer& timer(FrmTimer t) { return timers[static_cast<int>(t)]; }
    bool option(OptionBox b) const { return ticked[b == OptionBox::StartWithWindows ? 0 : 1]; }
    ButtonPicture picture(TitleButton b) const { return pictures[b == TitleButton::Mini ? 0 : 1]; }

    // Moves the fake clock on by `ms`, delivering timer ticks in time order, as the platform would.
    void Advance(std::int64_t ms) {
        const std::int64_t end = now + ms;
        for (;;) {
            Timer* next = nullptr;
            FrmTimer which = FrmTimer::DialWatch;
            for (FrmTimer t : {FrmTimer::DialWatch, FrmTimer::Supervision, FrmTimer::HangUpWait}) {
                Timer& candidate = timer(t);
                if (candidate.on && candidate.due <= end && (!next || candidate.due < next->due)) {
                    next = &candidate;
                    which = t;
                }
            }
            if (!next || destroyed) break;
            now = next->due;
            next->due += next->interval;
            if (which == FrmTimer::DialWatch) {
                frm_->OnDialWatchTick();
            } else if (which == FrmTimer::Supervision) {
                frm_->OnSupervisionTick();
            } else {
                frm_->OnHangUpWaitTick();
            }
        }
        now = end;
    }

    void AttachSkin() override { Note("AttachSkin"); }
    void SetOptionBackground(std::uint32_t colour) override {
        Note("SetOptionBackground " + std::to_string(colour));
    }
    void MakeTranslucent(std::uint8_t alpha) override { Note("MakeTranslucent " + std::to_string(alpha)); }
    std::string AccountText() override { return account; }
    void SetAccountText(std::string_view text) override {
        Note(Cat({"SetAccountText ", text}));
        account = text;
    }
    std::string PasswordText() override { return password; }
    void SetPasswordText(std::string_view text) override {
        Note(Cat({"SetPasswordText ", text}));
        password = text;
    }
    void FocusPasswordBox() override {
        Note("FocusPasswordBox");
        ++focus_moves;
    }
    void SetStatusText(std::string_view text) override {
        Note(Cat({"SetStatusText ", text}));
        status = text;
    }
    void SetConnectEnabled(bool enabled) override {
        Note(enabled ? "EnableConnect" : "DisableConnect");
        connect_enabled = enabled;
    }
    void ShowOptionTicked(OptionBox box, bool value) override {
        Note(Cat({box == OptionBox::StartWithWindows ? "ShowStartWithWindows " : "ShowRedialOnDrop ",
                  value ? "on" : "off"}));
        ticked[box == OptionBox::StartWithWindows ? 0 : 1] = value;
    }
    void CentreOnScreen() override { Note("CentreOnScreen"); }
    void Minimise() override {
        Note("Minimise");
        minimised = true;
        frm_->OnResize(true);  // the platform reports the resize at once
    }
    void Hide() override {
        Note("Hide");
        visible = false;
    }
    void ShowNormal() override {
        Note("ShowNormal");
        visible = true;
        minimised = false;
    }
    void BringToForeground() override { Note("BringToForeground"); }
    void BeginDrag() override {
        Note("BeginDrag");
        ++drags;
    }
    void SetTitleButtonPicture(TitleButton button, ButtonPicture picture) override {
        static constexpr const char* kNames[] = {"normal", "hover", "pressed"};
        Note(Cat({button == TitleButton::Mini ? "mini " : "close1 ", kNames[static_cast<int>(picture)]}));
        pictures[button == TitleButton::Mini ? 0 : 1] = picture;
    }
    void ShowMessage(std::string_view text, std::string_view title, unsigned icon) override {
        Note(Cat({"ShowMessage ", text}));
        messages.push_back({std::string(text), std::string(title), icon});
        if (during_message) during_message();
    }
    static const char* TimerName(FrmTimer t) {
        return t == FrmTimer::DialWatch     ? "DialWatch"
               : t == FrmTimer::Supervision ? "Supervision"
                                            : "HangUpWait";
    }
    void StartTimer(FrmTimer t, unsigned interval_ms) override {
        Note(Cat({"StartTimer ", TimerName(t), " ", std::to_string(interval_ms)}));
        timer(t) = {true, interval_ms, now + interval_ms};
    }
    void StopTimer(FrmTimer t) override {
        Note(Cat({"StopTimer ", TimerName(t)}));
        timer(t).on = false;
    }
    void PopUpTrayMenu() override {
        Note("PopUpTrayMenu");
        ++popups;
        if (during_popup) during_popup();
    }
    void ShowAboutWindow() override {
        Note("ShowAboutWindow");
        ++about_shown;
    }
    void OpenStatusView() override {
        Note("OpenStatusView");
        ++status_views;
    }
    void QuitProgram() override {
        Note("QuitProgram");
        ++quits;
        frm_->OnUnload();  // the main window's destruction runs its unload step
        destroyed = true;
        visible = false;
        for (Timer& t : timers) t.on = false;
    }

private:
    void Note(std::string entry) {
        if (destroyed) ++calls_after_destroy;
        log_.push_back(std::move(entry));
    }
    CallLog& log_;
    MainFrm* frm_ = nullptr;
};

// One dialer with its fakes. Stored account helpers set the settings file before OnLoad.
struct Rig {
    CallLog log;
    FakeServices services{log};
    FakeView view{log};
    MainFrm frm{services, view};

    Rig() {
        view.Bind(&frm);
        services.clock = [this] { return view.now; };
    }

    void StoreAccount(const std::string& user, const std::string& password) {
        services.settings["Option/UserName"] = user;
        services.settings["Option/CipherText"] = "enc(" + password + ")";
    }
    void Load() {
        frm.OnLoad();
        log.clear();
    }
    // The stored account "user01"/"pw" (with `redial`, the redial option), loaded while connected (no
    // start-up dial); with `then_down`, the line is down afterwards.
    void LoadConnected(bool redial = false, bool then_down = true) {
        StoreAccount("user01", "pw");
        if (redial) services.settings["Option/DiscRedial"] = "1";
        services.SetConnected(true);
        Load();
        if (then_down) services.SetConnected(false);
    }
    int Count(std::string_view entry) const {
        int n = 0;
        for (const std::string& e : log) n += e == entry;
        return n;
    }
    bool Logged(std::string_view entry) const { return Count(entry) > 0; }
    std::vector<std::string> BalloonTexts() const {
        std::vector<std::string> out;
        for (const Balloon& b : services.balloons) out.push_back(b.text);
        return out;
    }
};

}  // namespace vt::testing
