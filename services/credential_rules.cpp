#include "services/credential_rules.h"

#include <vector>

namespace vt {
namespace {

constexpr std::size_t kCharactersNamed = 8;  // a longer list would not help anyone find them

// One character of a UTF-8 text: its code point (none for a byte that starts no valid sequence) and its
// bytes.
struct Character {
    std::optional<char32_t> code;
    std::string_view bytes;
};

Character NextCharacter(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || length > text.size()) return {std::nullopt, text.substr(0, 1)};
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) return {std::nullopt, text.substr(0, 1)};
        code = (code << 6) | (next & 0x3F);
    }
    return {code, text.substr(0, length)};
}

template <typename Visit>
void ForEachCharacter(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const Character c = NextCharacter(text);
        visit(c);
        text.remove_prefix(c.bytes.size());
    }
}

// C0 controls, DEL and the C1 controls: none has any business in a one-line value.
bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

// The cipher's alphabet: printable ASCII, the space included.
bool CipherCanKeep(const Character& c) { return c.code && *c.code >= 0x20 && *c.code <= 0x7E; }

// How the message shows a character; the invisible ones are named.
std::string Shown(const Character& c) {
    if (!c.code) return "无法识别的字符";
    if (*c.code == '\r' || *c.code == '\n') return "换行符";
    if (*c.code == '\t') return "制表符";
    if (IsControl(*c.code)) return "控制字符";
    if (*c.code == 0x3000) return "全角空格";
    return std::string(c.bytes);
}

// The distinct characters that fail `keep`, in the order they first appear, as "ｐ、ａ、密".
template <typename Keep>
std::string NameRefused(std::string_view text, Keep keep) {
    std::vector<std::string> names;
    bool more = false;
    ForEachCharacter(text, [&](const Character& c) {
        if (keep(c)) return;
        std::string name = Shown(c);
        for (const std::string& known : names)
            if (known == name) return;
        if (names.size() == kCharactersNamed) {
            more = true;
            return;
        }
        names.push_back(std::move(name));
    });
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : "、") + name;
    return more ? list + "等" : list;
}

std::size_t CountCharacters(std::string_view text) {
    std::size_t count = 0;
    ForEachCharacter(text, [&](const Character&) { ++count; });
    return count;
}

}  // namespace

std::optional<std::string> CredentialRefusal(std::string_view account, std::string_view password) {
    const std::string account_controls =
        NameRefused(account, [](const Character& c) { return c.code && !IsControl(*c.code); });
    if (!account_controls.empty())
        return "宽带账号中有不能使用的字符：" + account_controls +
               "。\n宽带账号里不能有换行符、制表符等控制字符，请重新输入宽带账号！";
    // Bytes in UTF-8 are never fewer than in the ANSI code page, so this bound holds in the file too.
    if (account.size() > kLongestStoredValue) return "宽带账号太长，无法完整保存，请检查后重新输入！";
    if (account.starts_with('/'))
        return "宽带账号不能以“/”开头（系统的拨号程序会把它当作命令选项），请检查后重新输入！";

    const std::string password_outside = NameRefused(password, CipherCanKeep);
    if (!password_outside.empty())
        return "密码中有不能使用的字符：" + password_outside +
               "。\n密码只能由半角的英文字母、数字和符号组成，请关闭输入法的全角或中文状态后重新输入密码！";
    if (CountCharacters(password) > kLongestStoredValue)
        return "密码太长（最多127个字符），无法完整保存，请检查后重新输入！";
    if (password.starts_with('/'))
        return "密码不能以“/”开头（系统的拨号程序会把它当作命令选项），请检查后重新输入！";
    if (password == "*")
        return "密码不能只是一个“*”（系统的拨号程序会把它当作要求另行输入密码而一直等待），"
               "请检查后重新输入！";
    return std::nullopt;
}

}  // namespace vt
