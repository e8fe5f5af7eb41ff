#include "tray/tray_menu.h"

#include <array>

namespace vt {

namespace {
using K = TrayMenuEntry::Kind;
constexpr std::array<TrayMenuEntry, 11> kLayout = {{
    {K::SubMenuStart, "NetControl", "网络控制", TrayMenuItem::Link},
    {K::Item, "link", "连接网络", TrayMenuItem::Link},
    {K::Item, "duankai", "断开网络", TrayMenuItem::Disconnect},
    {K::SubMenuEnd, "NetControl", "", TrayMenuItem::Link},
    {K::SubMenuStart, "HelpCenter", "帮助中心", TrayMenuItem::Help},
    {K::Item, "help", "帮助文档", TrayMenuItem::Help},
    {K::Item, "siteurl", "Veltrane官网", TrayMenuItem::SiteUrl},
    {K::Item, "about", "关于Veltrane...", TrayMenuItem::About},
    {K::SubMenuEnd, "HelpCenter", "", TrayMenuItem::Help},
    {K::Separator, "line2", "", TrayMenuItem::Exit},
    {K::Item, "exit", "退出程序", TrayMenuItem::Exit},
}};
}  // namespace

std::span<const TrayMenuEntry> TrayMenuLayout() { return kLayout; }

}  // namespace vt
