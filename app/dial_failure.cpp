#include "app/dial_failure.h"

#include <string_view>

namespace vt {
namespace {

struct Row {
    unsigned long code;
    FailureKind kind;
    std::string_view cause;
    std::string_view next;
    // Said only while the redial option is on and redialling goes on: without it nothing redials.
    std::string_view redial = kRedials;

    static constexpr std::string_view kRedials = "程序会自动重拨。";
};

// Chinese providers answer 691 for a lapsed account as for a wrong password, and also while they still
// hold the session of a line that just dropped.
constexpr Row kCredentials = {
    691, FailureKind::Refused, "账号或密码错误，或宽带已欠费、到期",
    "请核对宽带账号和密码（注意大小写），并确认宽带没有欠费；刚断过线时也可能是运营商还保留着上次的连接，"
    "几分钟后就能再连接。仍不行请联系宽带运营商。",
    "程序会在几分钟后自动再试。"};
// Under PPPoE, 651 and 678 are what Windows says when nothing answers through the modem: the modem and the
// line come before the PC.
constexpr std::string_view kNoAnswer = "宽带服务器没有响应";
constexpr std::string_view kRestartModem =
    "请检查网线，重启光猫（断电一分钟）后再试；多次出现请联系宽带运营商。";
// 718, 734 and 738 come after the provider's server answered: the cable and the modem are fine.
constexpr std::string_view kProviderLater = "请稍后再试；多次出现请联系宽带运营商。";
constexpr std::string_view kBusy = "已有一个拨号或断开操作正在进行";

constexpr Row kTable[] = {
    kCredentials,
    {647, FailureKind::Final, "该宽带账号已被停用", "可能已欠费停机，请联系宽带运营商。"},
    {648, FailureKind::Final, "该宽带账号的密码已过期", "请联系宽带运营商更改密码。"},
    {649, FailureKind::Final, "该宽带账号没有拨号上网的权限", "请联系宽带运营商。"},
    {708, FailureKind::Final, "该宽带账号已到期", "请续费或联系宽带运营商。"},
    {646, FailureKind::Final, "该宽带账号在当前时段不允许上网", "请在允许的时段再连接，或联系宽带运营商。"},
    {678, FailureKind::Transient, kNoAnswer, kRestartModem},
    {815, FailureKind::Transient, kNoAnswer, kRestartModem},
    {651, FailureKind::Transient, "光猫或线路没有响应",
     "请检查网线，重启光猫（断电一分钟）后再试；仍不行请重启电脑，多次出现请联系宽带运营商。"},
    {797, FailureKind::Transient, "找不到宽带拨号设备，或设备正忙",
     "请确认网卡已启用、光猫已开机，然后重试；必要时重启电脑。"},
    {633, FailureKind::Transient, "拨号设备正被占用或设置有误",
     "请关闭其它拨号软件或宽带连接后重试；必要时重启电脑。"},
    {619, FailureKind::Transient, "连接被断开", "请检查网线是否插好、光猫是否正常，然后重试。"},
    {629, FailureKind::Transient, "宽带服务器断开了连接", kProviderLater},
    {718, FailureKind::Transient, "宽带服务器没有及时应答（线路是通的）", kProviderLater},
    {734, FailureKind::Transient, "宽带服务器中止了连接（线路是通的）", kProviderLater},
    {738, FailureKind::Transient, "宽带服务器没有分配 IP 地址", kProviderLater},
    {623, FailureKind::EntryMissing, "找不到拨号连接“Veltrane”", "下次拨号时会重新创建。"},
    // The protocols a dial needs are Windows' own network components, not the network card's driver.
    {720, FailureKind::Transient, "Windows 的网络组件设置有误",
     "请重启电脑后再试；仍不行请联系宽带客服或电脑维修人员（可能需要重置网络设置）。"},
    // A PC-side fault, often a service turned off by a tuning tool; at logon it may only be starting late.
    {711, FailureKind::Transient, "Windows 的“远程访问连接管理器”服务没有运行",
     "请重启电脑；仍不行请电脑维修人员检查该服务。"},
    {769, FailureKind::Transient, "无法到达宽带服务器", "请确认网卡已启用、网线已插好。"},
    {813, FailureKind::LineInUse, "另一个宽带连接正在使用这条线路",
     "它可能是 Windows 自带的宽带连接或其它拨号软件的连接。请先断开它，再点击“连 接”。",
     "它断开后程序会自动恢复重拨。"},
    {756, FailureKind::Transient, kBusy, "请稍后再试。"},
    {617, FailureKind::Transient, kBusy, "请稍后再试。"},
    {814, FailureKind::Transient, "没有找到可用的有线网卡，或网线没有插好",
     "请确认网卡已启用、网线已插好、光猫已开机。"},
};

// The support line is the one errand left when neither the table nor the system can say more.
constexpr std::string_view kAskForHelp = "请在托盘菜单中点击“复制诊断信息”，发给宽带客服。";

const Row* Find(unsigned long code) {
    for (const Row& row : kTable)
        if (row.code == code) return &row;
    return nullptr;
}

// The cause as a sentence of its own: the system's texts usually close with their own stop.
std::string Sentence(std::string_view text) {
    std::string sentence(text);
    if (sentence.empty()) return sentence;
    for (std::string_view stop : {"。", "！", "？", ".", "!", "?"})
        if (sentence.ends_with(stop)) return sentence;
    return sentence + "。";
}

}  // namespace

FailureKind FailureKindOf(unsigned long code) {
    const Row* row = Find(code);
    return row ? row->kind : FailureKind::Transient;
}

std::string DialFailureCause(unsigned long code) {
    const Row* row = Find(code);
    return row ? std::string(row->cause) : std::string();
}

std::string DialFailureNextStep(unsigned long code) {
    const Row* row = Find(code);
    return std::string(row ? row->next : kAskForHelp);
}

std::string DialFailureReason(unsigned long code, const std::string& system_text) {
    const Row* row = Find(code);
    return Sentence(row ? row->cause : std::string_view(system_text)) + DialFailureNextStep(code);
}

std::string DialFailureStatus(unsigned long code, bool redial_stopped) {
    std::string status = redial_stopped ? "- 已停止重拨 (" : "- 拨号失败 (";
    status += std::to_string(code);
    status += ')';
    return status;
}

std::string DialFailureBalloon(unsigned long code, bool redial_stopped, bool redial_on,
                               const std::string& system_text) {
    std::string text =
        "拨号失败（错误 " + std::to_string(code) + "）：" + DialFailureReason(code, system_text);
    const Row* row = Find(code);
    const FailureKind kind = FailureKindOf(code);
    if (redial_stopped) {
        // Only a refused password risks a lock-out; an account the provider stopped needs the provider.
        text += kind == FailureKind::Refused
                    ? "为免多次登录失败导致账号被锁定，已停止自动重拨。核对后请点击“连 接”。"
                    : "已停止自动重拨。问题解决后请点击“连 接”。";
    } else if (redial_on && kind != FailureKind::Final) {
        text += row ? row->redial : Row::kRedials;
    }
    return text;
}

}  // namespace vt
