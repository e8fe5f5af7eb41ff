#pragma once
// The dialer's main window behaviour, apart from the platform. MainFrm owns the window's run-time state
// (the password, its cipher text, the Run value's text, the dial watch's countdown and the two option
// states) and reaches the world only through MainFrmServices (what it calls) and MainFrmView (what it
// shows). The Win32 window implements the view, turns its messages into the On... calls below, and keeps
// the MainFrm object alive until its message loop has ended.
//
// All strings are UTF-8. Everything runs on the one user-interface thread; calls that may let other
// window messages run before they return are marked "pumps" below, and MainFrm expects other On...
// calls to arrive inside them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/dial_session.h"
#include "app/line_report.h"
#include "base/compat.h"
#include "services/connection.h"
#include "services/dial_log.h"
#include "services/line_texts.h"
#include "services/run_value.h"
#include "tray/tray_menu.h"

namespace vt {

class MainFrmServices {
public:
    using RunValueResult = vt::RunValueResult;  // the Run value's own, not a copy

    virtual ~MainFrmServices() = default;

    // Settings file, section/key/value.
    virtual std::string ReadSetting(std::string_view section, std::string_view key) = 0;
    // Blanks at either end kept: for a cipher text, whose blanks are part of the password.
    virtual std::string ReadSettingExact(std::string_view section, std::string_view key) = 0;
    virtual bool WriteSetting(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Where the settings file is, as the subscriber should be told it.
    virtual std::string SettingsLocation() = 0;

    // Password cipher.
    virtual std::string EncipherPassword(std::string_view plain) = 0;
    virtual std::string DecipherPassword(std::string_view cipher) = 0;

    // Phonebook entry and connection.
    virtual bool EntryExists(std::string_view name) = 0;
    virtual bool CreateDialEntry(std::string_view entry, std::string_view user,
                                 std::string_view password) = 0;
    virtual bool IsEntryConnected(std::string_view name) = 0;
    // True while the system still lists a connection of the entry in any state: a line being hung up is
    // released only when it is no longer listed.
    virtual bool IsEntryListed(std::string_view name) = 0;
    // True when a connection of another entry holds the broadband device (a dial would meet 813).
    virtual bool OtherBroadbandConnected(std::string_view name) = 0;
    // The entry's connection's figures, its byte counts whole (past 4 GiB too); nothing when not connected
    // or unknown.
    virtual std::optional<LineCounters> ReadCounters(std::string_view name) = 0;
    // Pumps: waits up to the probe's time limit while other window messages run.
    virtual bool ProbeInternet(std::string_view url) = 0;
    // The two supervision probe addresses, HTTPS first.
    virtual std::array<std::string, 2> ProbeAddresses() = 0;
    // Pumps: asked when the pages failed, what lies beyond them: the proxy in force and whether it is
    // dead, and whether a page or a fixed address answers without it.
    virtual PathFindings CheckPaths() { return {}; }
    // Both start the dial tool hidden and return at once.
    virtual bool LaunchDial(std::string_view account, std::string_view password) = 0;
    virtual bool LaunchHangUp() = 0;
    // How the tool's last dial or hang-up stands, asked without waiting.
    virtual ToolRun LastToolRun(ToolJob job) = 0;
    // The system's own text for a Remote Access error number, "" when it has none.
    virtual std::string DialErrorText(unsigned long code) = 0;
    // A monotonic clock, in milliseconds, that does not count the time the machine sleeps.
    virtual std::int64_t NowMs() = 0;
    // The hardware network adapters' link. Unknown where nothing can be read, which holds nothing back.
    virtual Link ReadLink() { return Link::Unknown; }
    // The adapter the link's change is about, for the log: the one with link while up, the wired and
    // wireless ones while down; "" when unknown.
    virtual std::string LinkAdapterName() { return {}; }
    // True while this copy holds the machine's one supervision, taking it when it is free. Never waits: it
    // is asked again at every supervision tick, so that the role passes on when its holder quits.
    virtual bool HoldsSupervision() { return true; }
    // True when the lock's name is taken by something no copy of this program makes (an object of another
    // kind, or one that refuses us): no copy can hold it, so this one supervises as though it did.
    virtual bool SupervisionLockForeign() { return false; }
    // Another copy holds the supervision; asked without taking the lock, for a copy without the option.
    virtual bool SupervisedElsewhere() { return false; }
    // The subscriber hangs up by hand: other copies (other users') learn that the line's end is no drop,
    // until this copy dials again. Asked by them through HungUpElsewhere.
    virtual void MarkHandHangUp() {}
    virtual bool HungUpElsewhere() { return false; }
    // Lets the supervision go: this copy's redial option is off, so a copy whose subscriber wants the line
    // kept (another user's, say) must be able to take it.
    virtual void ReleaseSupervision() {}
    // Makes sure that the system's signals of a connection ended or made reach the window (as
    // OnConnectionEnded and OnConnectionMade), starting the watch again when it is not running; true
    // while it runs. Cheap when it runs.
    virtual bool WatchConnections() { return false; }

    // The per-user Run value "Veltrane".
    virtual std::string ReadRunValue() = 0;  // "" when there is none
    virtual RunValueResult WriteRunValue(std::string_view data) = 0;
    virtual RunValueResult DeleteRunValue() = 0;
    virtual std::string RunValueDataFor(std::string_view exe_folder, std::string_view base_name) = 0;
    virtual std::string ExeUrlFrom(std::string_view exe_folder, std::string_view base_name) = 0;

    virtual void TrimWorkingSet() = 0;
    // Pumps when the link cannot be opened (its error box).
    virtual void OpenLink(std::string_view address) = 0;

    // The notification-area icon of the main window. Shown from ShowTrayIcon on (brought back after a
    // taskbar restart or a refused add) until RemoveTrayIcon. ShowLineState tells what the icon shows.
    virtual void ShowTrayIcon() = 0;
    virtual void ShowLineState(LineState state, std::string_view tip) = 0;
    virtual void ShowBalloon(std::string_view text, std::string_view title, unsigned flags) = 0;
    virtual void RemoveTrayIcon() = 0;

    // The dial log (services/dial_log.h): lines that cannot be written are skipped.
    virtual DialLog& Log() = 0;
    // What the entry's connection is while it is up (addresses, counters, device); nothing when it is not.
    virtual std::optional<ConnectionDetails> ReadConnection(std::string_view name) = 0;
    // The local time, for the last failure's time.
    virtual LocalTime LocalNow() = 0;
    // The program's version, the system's, the PPPoE device and the adapters' link, for the log's start
    // line and the diagnostics (the line's part and the time are left to the caller).
    virtual DiagnosticsFacts SystemFacts() = 0;
    // Puts the text on the clipboard; false when the clipboard could not be had.
    virtual bool CopyText(std::string_view text) = 0;

    // Facts about this executable: its folder as the platform reports it (a drive root keeps its
    // backslash, "C:\"), its base name without ".exe", and the command-line argument text after the
    // program's path.
    virtual std::string ExeFolder() = 0;
    virtual std::string ExeBaseName() = 0;
    virtual std::string CommandLineArgs() = 0;
};

// DialWatch: the watch over a dial under way; Supervision: the redial supervision; HangUpWait: a dial
// held back until the hang-up before it has ended.
enum class FrmTimer { DialWatch, Supervision, HangUpWait };
enum class OptionBox { StartWithWindows, RedialOnDrop };
enum class TitleButton { Mini, Close };
enum class ButtonPicture { Normal, Hover, Pressed };
enum class MouseButton { Left, Right, Middle };

class MainFrmView {
public:
    virtual ~MainFrmView() = default;

    // Start-up looks: attach the skin engine to the window and its controls; paint the two option
    // boxes' background; make the window translucent at `alpha`/255.
    virtual void AttachSkin() = 0;
    virtual void SetOptionBackground(std::uint32_t colour_bgr) = 0;
    virtual void MakeTranslucent(std::uint8_t alpha) = 0;

    virtual std::string AccountText() = 0;
    virtual void SetAccountText(std::string_view text) = 0;
    virtual std::string PasswordText() = 0;
    virtual void SetPasswordText(std::string_view text) = 0;
    virtual void FocusPasswordBox() = 0;
    virtual void SetStatusText(std::string_view text) = 0;
    virtual void SetConnectEnabled(bool enabled) = 0;
    // Display only: changing it must not come back as OnOptionChanged.
    virtual void ShowOptionTicked(OptionBox box, bool ticked) = 0;

    // Window state. Minimise puts the window into the minimised state; the platform then reports the
    // resize, which the window passes to OnResize(true). ShowNormal restores and shows it.
    virtual void CentreOnScreen() = 0;
    virtual void Minimise() = 0;
    virtual void Hide() = 0;
    virtual void ShowNormal() = 0;
    virtual void BringToForeground() = 0;
    virtual void BeginDrag() = 0;  // release capture, then let the platform move the window
    virtual void SetTitleButtonPicture(TitleButton button, ButtonPicture picture) = 0;

    // Pumps: a modal message box; `icon` is 16 (critical stop), 48 (warning) or 64 (information).
    virtual void ShowMessage(std::string_view text, std::string_view title, unsigned icon) = 0;
    // (Re)starts the timer with a fresh period of `interval_ms`; Stop is a no-op when it is off.
    virtual void StartTimer(FrmTimer timer, unsigned interval_ms) = 0;
    virtual void StopTimer(FrmTimer timer) = 0;

    // Pumps: the tray menu of the about window at the pointer; returns when it closes. The chosen
    // item comes to MainFrm::OnMenuItem.
    virtual void PopUpTrayMenu() = 0;
    virtual void ShowAboutWindow() = 0;  // modeless; the one about window, created when missing
    // The status view "连接状态": modeless, one at a time (brought forward when open); it reads
    // MainFrm::Snapshot() when it opens and while it stays open.
    virtual void OpenStatusView() = 0;
    // Destroys the main window (whose destruction calls MainFrm::OnUnload), then the about window,
    // and ends the message loop.
    virtual void QuitProgram() = 0;
};

class MainFrm {
public:
    static constexpr std::string_view kEntryName = compat::kEntryName;
    static constexpr std::string_view kPasswordPlaceholder = "Mirekoda";
    // The initial texts of the password and Run value labels of the earlier design, kept as sentinels.
    static constexpr std::string_view kUnknownPassword = "PassWord";
    static constexpr std::string_view kUnreadRunValue = "ExpTime";
    static constexpr unsigned kDialWatchIntervalMs = 5000;
    static constexpr unsigned kSupervisionIntervalMs = 22000;
    // A dial after a hang-up waits for the line's release, asking this often (DialSession says how long).
    static constexpr unsigned kHangUpWaitIntervalMs = 500;
    static constexpr std::uint32_t kOptionBackground = 0xFAF2EA;
    static constexpr std::uint8_t kWindowAlpha = 220;
    static constexpr unsigned kTrayMouseMove = 512;
    static constexpr unsigned kTrayLeftButtonDown = 513;
    static constexpr unsigned kTrayRightButtonDown = 516;
    static constexpr unsigned kTrayRightButtonUp = 517;
    static constexpr unsigned kTrayContextMenu = 123;  // WM_CONTEXTMENU: the menu key on the icon
    static constexpr unsigned kTrayKeySelect = 1025;   // NIN_KEYSELECT: Enter or Space on the icon

    MainFrm(MainFrmServices& services, MainFrmView& view);
    MainFrm(const MainFrm&) = delete;
    MainFrm& operator=(const MainFrm&) = delete;

    // Start-up, from the skin attach on (the single-instance hand-over is done before). Shows the
    // window at the end unless the "hide" start sent it to the tray.
    void OnLoad();
    // The window is being destroyed: removes the tray icon. Afterwards every
    // On... call does nothing, and flows that were interrupted (a probe, a message box) stop.
    void OnUnload();
    // An Execute command from a second copy or the setup program. Every command is accepted (true);
    // "Nor" restores and shows the window with a balloon, compat::kSetupQuitCommand
    // quits the program.
    bool OnDdeExecute(std::string_view command);

    void OnConnectClicked();
    void OnPasswordEnter();  // Enter in the password box: the connect command, even while disabled
    void OnAccountEnter();   // Enter in the account box: focus moves to the password box

    void OnDialWatchTick();    // dial watch, every 5 s while on
    void OnSupervisionTick();  // redial supervision, every 22 s while on
    void OnHangUpWaitTick();
    // The system signalled that a Remote Access connection (any, perhaps not the entry's) has ended, or
    // that one was made.
    void OnConnectionEnded();
    void OnConnectionMade();
    // The machine is about to sleep (PBT_APMSUSPEND); it woke (PBT_APMRESUMEAUTOMATIC).
    void OnSuspend();
    void OnResume();
    // The adapters' link changed (ReadLink tells how it stands).
    void OnLinkChanged();
    // The session ends (WM_ENDSESSION): with `close_app` (the Restart Manager's ENDSESSION_CLOSEAPP) the
    // session goes on and the program quits as "退出程序" does; at a logoff it only takes its icon down.
    void OnEndSession(bool close_app);

    // The user changed an option box; the box now shows `ticked`. Runs its action only when that
    // differs from the state MainFrm holds.
    void OnOptionChanged(OptionBox box, bool ticked);

    // Tray icon mouse event (its mouse message number: 513 left down, 516 right down, ...; 512, the
    // pointer resting on the icon, brings the tip's duration up to date), and the keyboard's selections.
    void OnTrayCallback(unsigned code);
    // A double click on the status text of the title strip: the status view.
    void OnStatusDoubleClick();

    // Title strip.
    void OnBackgroundMouseMove();  // ResetTitleButtons
    void OnTitleButtonMouseDown(TitleButton button);
    void OnTitleButtonMouseMove(TitleButton button);
    void OnTitleButtonClick(TitleButton button);
    void OnDragAreaMouseDown(MouseButton button);  // on the background picture or the status text
    void OnResize(bool minimised);
    // A request to close the window (system menu, Alt+F4, another program): it only goes to the tray,
    // whatever state it is in.
    void OnClose();

    void OnMenuItem(TrayMenuItem item);

    // Both title-strip buttons back to their normal pictures.
    void ResetTitleButtons();

    // The run-time state, for the window and for tests. The password and the Run value's text start as
    // the sentinels kUnknownPassword and kUnreadRunValue until they are known.
    const std::string& Password() const { return password_; }
    const std::string& CipherText() const { return cipher_text_; }
    const std::string& RunValueText() const { return run_value_text_; }
    // A password to dial with is known (entered, or stored with an account and accepted at start-up).
    bool AccountKnown() const { return password_ != kUnknownPassword; }
    bool OptionTicked(OptionBox box) const {
        return box == OptionBox::StartWithWindows ? start_with_windows_ : redial_on_drop_;
    }
    bool Unloaded() const { return unloaded_; }
    // What the line is now, for the status view: the state, the connection's details while connected
    // (read from the system), and the last failure of this run.
    LineSnapshot Snapshot();
    LineState LineStateNow() const { return report_.State(); }

private:
    using Decision = DialSession::Decision;

    // The line as the session asks it and the report tells it: the services, for the entry.
    class Line final : public DialLine, public LineOutlet {
    public:
        explicit Line(MainFrmServices& services) : services_(services) {}
        bool Connected() override { return services_.IsEntryConnected(kEntryName); }
        bool Listed() override { return services_.IsEntryListed(kEntryName); }
        bool OtherConnection() override { return services_.OtherBroadbandConnected(kEntryName); }
        std::optional<LineCounters> Counters() override { return services_.ReadCounters(kEntryName); }
        ToolRun ToolAnswer(ToolJob job) override { return services_.LastToolRun(job); }
        std::int64_t NowMs() override { return services_.NowMs(); }
        Link LinkNow() override { return services_.ReadLink(); }
        bool HoldsSupervision() override { return services_.HoldsSupervision(); }
        bool SupervisedElsewhere() override { return services_.SupervisedElsewhere(); }
        bool HungUpElsewhere() override { return services_.HungUpElsewhere(); }
        DialLog& Log() override { return services_.Log(); }
        LocalTime LocalNow() override { return services_.LocalNow(); }
        std::optional<ConnectionDetails> ReadConnection() override {
            return services_.ReadConnection(kEntryName);
        }
        std::string DialErrorText(unsigned long code) override { return services_.DialErrorText(code); }
        void ShowLineState(LineState state, std::string_view tip) override {
            services_.ShowLineState(state, tip);
        }
        bool SupervisionLockForeign() override { return services_.SupervisionLockForeign(); }
        std::string LinkAdapterName() override { return services_.LinkAdapterName(); }

    private:
        MainFrmServices& services_;
    };

    // How this start came about, for the log: the command line, and the log's note of a quit for a restart.
    DialLog::StartedBy StartOrigin();
    void ConnectCommand();
    // Shows why the account or password cannot be kept or dialled, when so; true when refused. Pumps.
    bool RefuseCredentials(std::string_view account, std::string_view password);
    // Asks the session for a dial: the "dialling" balloon when it goes ahead, "connected" when the line is
    // already up. Returns what the session decided, carried out.
    DialSession::Act AskDial(DialOrigin origin);
    void HideToTray();
    // Writes one setting; the first write of this run that fails (after start-up) is told.
    bool StoreSetting(std::string_view key, std::string_view value);
    void WarnSettingsNotSaved();
    // Carries out what the session decided: the texts, balloons, timers and services.
    void Carry(const Decision& decision);
    void Launch(const Decision& decision);
    void ShowHeld();
    void Probe();  // pumps
    void Tell(const Decision& decision);
    void ShowInfoBalloon(std::string_view text);
    // Asks the session of `event` and follows what the line did.
    Decision Ask(Decision (DialSession::*event)(), DialLog::DropNoticedBy noticed);
    // What the session said happened, for the tray and the log: `noticed` is how a drop in it was noticed.
    void Follow(const Decision& decision, DialLog::DropNoticedBy noticed);
    void ShowLine();  // the tray's icon and tip
    void CopyDiagnostics();
    void SetOption(OptionBox box, bool ticked);  // display + action, when it changes
    void ApplyStartWithWindows();
    void ApplyRedialOnDrop();
    void MenuConnect();

    MainFrmServices& services_;
    MainFrmView& view_;

    std::string password_{kUnknownPassword};
    std::string cipher_text_ = "CipherText";
    std::string run_value_text_{kUnreadRunValue};
    bool start_with_windows_ = false;
    bool redial_on_drop_ = false;
    bool unloaded_ = false;
    bool supervising_ = false;  // a supervision tick is running (its probe pumps messages)
    bool probing_ = false;
    bool loading_ = false;
    bool settings_warned_ = false;
    Line line_{services_};
    DialSession session_{line_};

    LineReport report_{line_};
    bool start_dial_ = false;  // the start's own dial is still to be launched
    std::string windows_version_;
    unsigned last_tray_code_ = 0;
    PathFindings paths_;  // what the last probe found beyond the pages
};

}  // namespace vt
