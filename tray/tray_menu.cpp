#include "tray/tray_menu.h"

#include <array>

namespace vt {

namespace {
using K = TrayMenuEntry::Kind;
constexpr std::array<TrayMenuEntry, 15> kLayout = {{
    {K::SubMenuStart, "网络控制", TrayMenuItem::Connect},
    {K::Item, "连接网络", TrayMenuItem::Connect},
    {K::Item, "断开网络", TrayMenuItem::Disconnect},
    {K::SubMenuEnd, "", TrayMenuItem::Connect},
    {K::SubMenuStart, "帮助中心", TrayMenuItem::Help},
    {K::Item, "帮助文档", TrayMenuItem::Help},
    {K::Item, "Veltrane官网", TrayMenuItem::SiteUrl},
    {K::Item, "关于Veltrane...", TrayMenuItem::About},
    {K::SubMenuEnd, "", TrayMenuItem::Help},
    {K::Separator, "", TrayMenuItem::Status},
    {K::Item, "连接状态", TrayMenuItem::Status},
    {K::Item, "复制诊断信息", TrayMenuItem::CopyDiagnostics},
    {K::Item, "在任务栏上显示图标……", TrayMenuItem::ShowIcon},
    {K::Separator, "", TrayMenuItem::Exit},
    {K::Item, "退出程序", TrayMenuItem::Exit},
}};
}  // namespace

std::span<const TrayMenuEntry> TrayMenuLayout() { return kLayout; }

}  // namespace vt
