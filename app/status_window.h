#pragma once
// The status view "连接状态": what the line is now (its IPv4 address with its kind, its IPv6 address when
// there is one, the session's duration, the bytes sent and received, the device) and the last failure.
// Modeless and one at a time: opening it again brings it forward. Its owner hands it a source of
// snapshots at creation; it reads one when it opens and then once a second, only while it is shown and
// not minimised. Esc, its close button and the caption's close box close it (the window is destroyed;
// the next opening makes a new one).
#include <windows.h>

#include <functional>

#include "base/window_base.h"
#include "services/line_texts.h"

namespace vt {

class StatusWindow final : public WindowBase {
public:
    using SnapshotSource = std::function<LineSnapshot()>;

    // The controls, by identifier: a label and a value per row, and the close button.
    enum Control : int {
        kStateLabel = 100,
        kStateValue,
        kIpv4Label,
        kIpv4Value,
        kIpv6Label,
        kIpv6Value,
        kDurationLabel,
        kDurationValue,
        kSentLabel,
        kSentValue,
        kReceivedLabel,
        kReceivedValue,
        kDeviceLabel,
        kDeviceValue,
        kFailureLabel,
        kFailureValue,
        kCloseButton = IDCANCEL,
    };
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr UINT kRefreshIntervalMs = 1000;

    StatusWindow(HINSTANCE instance, SnapshotSource source);
    ~StatusWindow() override;
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // Run on the window once its controls exist, as for the program's other windows.
    void SetSkinAttach(std::function<void(HWND)> attach) { skin_attach_ = std::move(attach); }
    // Creates and shows the window, or brings the open one forward (restored when minimised); either way
    // it shows a fresh snapshot. False when the window cannot be made.
    bool Open();
    // Destroys the window, when it is open.
    void Close();
    bool IsOpen() const { return window_ != nullptr; }
    // Esc for the window or any of its controls, whichever has the focus: closes it (true). For the
    // program's message loop; without it Esc still works while the window itself has the focus.
    bool PreTranslate(const MSG& msg);
    // Reads a snapshot and shows it now.
    void Refresh();

private:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;
    void OnForgotten() override;
    bool CreateControls();
    // Places the rows (the IPv6 row only when shown) and sizes the window to them.
    void Layout();
    // True when the control's text changed.
    bool SetText(int control, const std::string& text);
    void StartRefreshing();
    void StopRefreshing();
    static LRESULT CALLBACK CloseButtonProc(HWND button, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR data);

    HINSTANCE instance_;
    SnapshotSource source_;
    std::function<void(HWND)> skin_attach_;
    int label_width_ = 0;
    bool ipv6_shown_ = true;
    bool refreshing_ = false;
};

}  // namespace vt
