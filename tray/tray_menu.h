#pragma once
// The layout of the tray pop-up menu and the pages its items open. The about window, which owns
// the menu, builds it from TrayMenuLayout(); the dialer acts on the chosen item.
#include <span>
#include <string_view>

namespace vt {

// Exit stays last: the menu's command numbers run up to it.
enum class TrayMenuItem {
    Connect,
    Disconnect,
    Help,
    SiteUrl,
    About,
    Status,
    CopyDiagnostics,
    ShowIcon,
    Exit
};

struct TrayMenuEntry {
    enum class Kind { SubMenuStart, Item, SubMenuEnd, Separator };
    Kind kind;
    std::string_view caption;  // UTF-8; empty for a separator or a sub-menu end
    TrayMenuItem item;         // meaningful for Kind::Item only
};

// The menu in screen order: "网络控制" (连接网络, 断开网络), "帮助中心" (帮助文档, Veltrane官网,
// 关于Veltrane...), a separator, "连接状态", "复制诊断信息", "在任务栏上显示图标……", a separator, "退出程序".
std::span<const TrayMenuEntry> TrayMenuLayout();

inline constexpr std::string_view kMakerSiteUrl = "http://www.veltrane.net/";
inline constexpr std::string_view kHelpPageUrl = "http://www.veltrane.net/help.html";
// Where the subscriber keeps the icon on the taskbar: the taskbar's settings page (Windows 10 and 11), and
// the notification area's icons in the control panel before.
inline constexpr std::string_view kTaskbarSettingsPage = "ms-settings:taskbar";
inline constexpr std::string_view kNotificationIconsPage = "shell:::{05d7b0f4-2121-4eff-bf6b-ed3f69b894d9}";

}  // namespace vt
