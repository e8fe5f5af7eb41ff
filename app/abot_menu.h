#pragma once
// The tray pop-up menu that the about window `abot` owns, and the about window's texts and links.
// The Win32 about window builds its menu from TrayMenuLayout() and hands the chosen item to
// MainFrm::OnMenuItem.
#include <span>
#include <string_view>

namespace vt {

enum class TrayMenuItem { Link, Duankai, Help, SiteUrl, About, Exit };

struct TrayMenuEntry {
    enum class Kind { SubMenuStart, Item, SubMenuEnd, Separator };
    Kind kind;
    std::string_view name;     // the control name, e.g. "link"
    std::string_view caption;  // UTF-8; empty for a separator or a sub-menu end
    TrayMenuItem item;         // meaningful for Kind::Item only
};

// The menu in screen order: "网络控制" (连接网络, 断开网络), "帮助中心" (帮助文档, Veltrane官网,
// 关于Veltrane...), a separator, "退出程序".
std::span<const TrayMenuEntry> TrayMenuLayout();

inline constexpr std::string_view kMakerSiteUrl = "http://www.veltrane.net/";
inline constexpr std::string_view kHelpPageUrl = "http://www.veltrane.net/help.html";
inline constexpr std::string_view kSupportMailAddress = "support@veltrane.net";
inline constexpr std::string_view kSupportMailLink = "mailto:support@veltrane.net";

// The about window.
inline constexpr std::string_view kAboutCaption = "关于Veltrane ...";
inline constexpr std::string_view kAboutProductLine = "Veltrane V9.0";                  // Label1
inline constexpr std::string_view kAboutNoticeLine = "Veltrane 宽带拨号助手 版权所有";  // Label2
inline constexpr std::string_view kAboutAuthorLine = "作者：Veltrane 开发组";           // Label3
inline constexpr std::string_view kAboutSiteLine = "网站：http://www.veltrane.net/";    // Label4
inline constexpr std::string_view kAboutSiteTip = "点击立即访问Veltrane官网";
inline constexpr std::string_view kAboutMailLine = "电子邮件：support@veltrane.net";  // Label6
inline constexpr std::string_view kAboutMailTip = "给作者发送E-Mail";

}  // namespace vt
