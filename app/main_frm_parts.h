#pragma once
// What the parts of MainFrm's implementation share (main_frm.cpp: start-up, the connect command, the
// options; main_frm_line.cpp: carrying out the dial session's decisions; main_frm_tray.cpp: the tray, the
// title strip and the menu): the texts the subscriber sees, and one small guard. Not for other code.
#include <string>
#include <string_view>

#include "app/dial_session.h"
#include "base/compat.h"

namespace vt::main_frm_parts {
inline constexpr std::string_view kSection = compat::kSettingsSection;
inline constexpr std::string_view kBalloonTitle = "提示：";
inline constexpr unsigned kBalloonInfoFlag = 1;
inline constexpr unsigned kIconCritical = 16;
inline constexpr unsigned kIconWarning = 48;
inline constexpr unsigned kIconInformation = 64;

inline constexpr std::string_view kConnectedBalloon = "网络已连接！";
inline constexpr std::string_view kReconnectedBalloon = "网络已重新连接。";
inline constexpr std::string_view kDialingBalloon = "正在自动拨号中，请稍后......";
inline constexpr std::string_view kNoAccountBalloon = "您还没有填写上网帐号或密码哦！";
inline constexpr std::string_view kRestoredBalloon = "下次找不到我了，可以在这里看看！(*^__^*)";

inline constexpr std::string_view kStatusDialing = "- 正在拨号...";
inline constexpr std::string_view kStatusConnected = "- 网络已连接";
inline constexpr std::string_view kStatusFailed = "- 拨号失败";
inline constexpr std::string_view kStatusNoLink = "- 网线未连接";
inline constexpr std::string_view kStatusDown = "- 网络已断开";
inline constexpr std::string_view kNoLinkBalloon =
    "网线未连接或光猫未开机，暂时无法拨号。请检查网线和光猫，接好后程序会自动拨号。";

inline constexpr std::string_view kDiagnosticsCopied =
    "诊断信息已复制，可以粘贴（Ctrl+V）到宽带客服的聊天窗口或邮件中。";
inline constexpr std::string_view kDiagnosticsNotCopied =
    "诊断信息未能复制：剪贴板正被其它程序占用，请稍后再试。";

inline constexpr std::string_view kNoAccountOrPassword = "您还没有输入帐号或密码！";
inline constexpr std::string_view kRunValueDenied =
    "Veltrane在添加开机启动项时被提示拒绝的权限或被其它安全软件阻止！本次设置开机启动失效，请重试！";
inline constexpr std::string_view kRunValueDeniedTitle = "错误！";
inline constexpr std::string_view kRunValueFailed =
    "Veltrane 无法写入开机启动项，“开机启动”没有设置成功。请稍后再勾选一次。";
inline constexpr std::string_view kSettingsNotSaved =
    "Veltrane 无法保存您的设置（宽带账号、密码或选项），设置文件无法写入：\n";
inline constexpr std::string_view kSettingsNotSavedAfter =
    "\n现在可以照常使用，但下次启动时需要重新填写。请检查该文件是否被设为只读或被其它程序占用。";
inline constexpr std::string_view kRedialNeedsAccount =
    "请先输入宽带账号及密码，并点击“连接”按钮保存账号密码后，才可进行本操作！";

// What the supervision tells when the pages fail on a line that is up, naming a dead proxy whatever else
// failed: the subscriber's own settings are then the likeliest cause, and a redial would not mend them.
inline std::string DeadProxyText(std::string_view proxy) {
    return "系统代理 " + std::string(proxy) + " 无法连接（代理软件可能已退出）";
}
inline std::string PagesNotice(Pages pages, std::string_view proxy, bool proxy_dead) {
    const std::string dead_proxy = proxy_dead ? DeadProxyText(proxy) : std::string();
    switch (pages) {
        case Pages::ProxyFails:
            if (proxy_dead) return "网络已连接，但" + dead_proxy;
            if (proxy.empty()) return "网络已连接，但本机的网页访问设置有误，请检查 Internet 选项";
            return "网络已连接，但通过系统代理 " + std::string(proxy) + " 无法打开网页，请检查代理设置";
        case Pages::NamesFail:
            return "网络已连接，但域名解析（DNS）失败，网页无法打开" +
                   (proxy_dead ? "；" + dead_proxy : std::string()) + "。程序最多每30分钟重新拨号一次";
        case Pages::Unreachable:
        case Pages::Answered:
            break;
    }
    return "宽带已连接，但无法访问互联网" + (proxy_dead ? "；" + dead_proxy : std::string()) +
           "。程序会隔一段时间再重新拨号";
}
inline constexpr std::string_view kTaskbarHintBalloon =
    "Windows 11 把 Veltrane 的图标放在了任务栏右下角的“^”（显示隐藏的图标）里。要让它一直显示在任务栏上，"
    "请在那里右键点击它，选择“在任务栏上显示图标……”，然后在“其他系统托盘图标”中把 Veltrane 设为开。";

// Sets a flag for as long as it lives: the flows that let other handlers run mark themselves so.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;
    ~ScopedFlag() { flag_ = false; }

private:
    bool& flag_;
};

}  // namespace vt::main_frm_parts
