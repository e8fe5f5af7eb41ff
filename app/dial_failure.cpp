#include "app/dial_failure.h"

#include <string_view>

namespace vt {
namespace {

struct Row {
    unsigned long code;
    FailureKind kind;
    std::string_view reason;
    // Said only while the redial option is on and redialling goes on: without it nothing redials.
    std::string_view redial = {};
};

// Chinese providers also answer 691 while they still hold the session of a line that just dropped.
constexpr std::string_view kCredentials =
    "用户名或密码错误；如果刚刚断过线，也可能是宽带运营商还保留着上次的连接（请等几分钟再连接）。"
    "请核对帐号和密码（注意大小写），仍不行请联系宽带运营商。";
constexpr std::string_view kCredentialsRetry = "程序会在几分钟后自动再试。";
constexpr std::string_view kNoAnswer =
    "宽带服务器没有响应。请检查网线和光猫是否正常，稍后再试；多次出现请联系宽带运营商。";
constexpr std::string_view kDeviceNotReady =
    "网卡或宽带设备没有就绪。请确认网卡已启用、光猫已开机，然后重试，必要时重启电脑。";
constexpr std::string_view kLineCut = "连接被断开。请检查网线是否插好、光猫是否正常，然后重试。";
constexpr std::string_view kBusy = "已有一个拨号或断开操作正在进行，请稍候再试。";
constexpr std::string_view kLineInUse =
    "另一个宽带连接（系统自带的宽带连接或其它拨号软件）正在使用这条线路。请先断开它，再点击“连接”。";
constexpr std::string_view kLineInUseRetry = "它断开后程序会自动恢复重拨。";

constexpr Row kTable[] = {
    {691, FailureKind::Refused, kCredentials, kCredentialsRetry},
    {647, FailureKind::Final, "该宽带帐号已被停用。请联系宽带运营商。"},
    {648, FailureKind::Final, "该宽带帐号的密码已过期。请联系宽带运营商。"},
    {649, FailureKind::Final, "该宽带帐号没有拨号上网的权限。请联系宽带运营商。"},
    {708, FailureKind::Final, "该宽带帐号已过期。请续费或联系宽带运营商。"},
    {646, FailureKind::Final, "该宽带帐号在这个时段不允许上网。请在允许的时段再连接，或联系宽带运营商。"},
    {678, FailureKind::Transient, kNoAnswer},
    {815, FailureKind::Transient, kNoAnswer},
    {651, FailureKind::Transient, kDeviceNotReady},
    {797, FailureKind::Transient, kDeviceNotReady},
    {633, FailureKind::Transient, kDeviceNotReady},
    {619, FailureKind::Transient, kLineCut},
    {629, FailureKind::Transient, kLineCut},
    {623, FailureKind::EntryMissing, "找不到拨号连接“Veltrane”，下次拨号时会重新创建。"},
    {720, FailureKind::Transient,
     "拨号连接的网络协议设置有误。请重新连接；仍不行请重新安装网卡驱动或联系宽带运营商。"},
    {769, FailureKind::Transient, "无法到达宽带服务器。请确认网卡已启用、网线已插好。"},
    {813, FailureKind::LineInUse, kLineInUse, kLineInUseRetry},
    {756, FailureKind::Transient, kBusy},
    {617, FailureKind::Transient, kBusy},
    {814, FailureKind::Transient, "没有检测到网线连接。请检查网线是否插好、光猫是否开机。"},
};

const Row* Find(unsigned long code) {
    for (const Row& row : kTable)
        if (row.code == code) return &row;
    return nullptr;
}

}  // namespace

FailureKind FailureKindOf(unsigned long code) {
    const Row* row = Find(code);
    return row ? row->kind : FailureKind::Transient;
}

std::string DialFailureReason(unsigned long code) {
    const Row* row = Find(code);
    return row ? std::string(row->reason) : std::string();
}

std::string DialFailureStatus(unsigned long code, bool redial_stopped) {
    std::string status = redial_stopped ? "- 已停止重拨 (" : "- 拨号失败 (";
    status += std::to_string(code);
    status += ')';
    return status;
}

std::string DialFailureBalloon(unsigned long code, bool redial_stopped, bool redial_on,
                               const std::string& system_text) {
    std::string text = "拨号失败（错误 ";
    text += std::to_string(code);
    text += "）";
    // The table's plain words first; the system's text only for a number the table does not know.
    const Row* row = Find(code);
    const std::string reason = row ? std::string(row->reason) : system_text;
    if (!reason.empty()) {
        text += "：";
        text += reason;
    } else {
        text += "。";
    }
    if (row && redial_on && !redial_stopped) text += row->redial;
    if (redial_stopped) text += "为免帐号被锁定，已停止自动重拨。请核对帐号和密码，稍后点击“连接”重试。";
    return text;
}

}  // namespace vt
