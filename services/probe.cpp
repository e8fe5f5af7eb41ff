#include "services/probe.h"

#include <charconv>

namespace vt {

const char* const kProbeAddresses[2] = {"https://www.baidu.com/", "http://www.qq.com/"};
const char* const kProbeFixedAddress = "http://119.29.29.29/d?dn=www.qq.com";

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

std::string ProxyForPages(std::string_view proxy_server) {
    // Per-scheme lists name the scheme before "="; a plain entry serves every scheme. The https entry is
    // the first page's; a list without one leaves https direct, and then the http entry is the second's.
    std::string_view plain, https, http;
    while (!proxy_server.empty()) {
        const std::size_t end = proxy_server.find_first_of("; ");
        std::string_view entry = Trim(proxy_server.substr(0, end));
        proxy_server = end == std::string_view::npos ? std::string_view() : proxy_server.substr(end + 1);
        if (entry.empty()) continue;
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (plain.empty()) plain = entry;
        } else if (StartsWithNoCase(entry, "https=")) {
            https = Trim(entry.substr(equals + 1));
        } else if (StartsWithNoCase(entry, "http=")) {
            http = Trim(entry.substr(equals + 1));
        }
    }
    if (!plain.empty()) return std::string(plain);
    return std::string(!https.empty() ? https : http);
}

HostPort SplitHostPort(std::string_view address) {
    if (const std::size_t scheme = address.find("://"); scheme != std::string_view::npos)
        address.remove_prefix(scheme + 3);
    address = address.substr(0, address.find('/'));
    HostPort out;
    std::string_view port;
    if (!address.empty() && address.front() == '[') {
        const std::size_t close = address.find(']');
        if (close == std::string_view::npos) return out;
        out.host = std::string(address.substr(1, close - 1));
        if (close + 1 < address.size() && address[close + 1] == ':') port = address.substr(close + 2);
    } else {
        const std::size_t colon = address.rfind(':');
        out.host = std::string(address.substr(0, colon));
        if (colon != std::string_view::npos) port = address.substr(colon + 1);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error == std::errc() && end == port.data() + port.size() && value <= 65535) out.port = value;
    return out;
}

bool IsLoopbackHost(std::string_view host) {
    if (host == "::1" || (host.size() == 9 && StartsWithNoCase(host, "localhost"))) return true;
    // 127.x.y.z, dotted.
    if (!host.starts_with("127.")) return false;
    int dots = 0;
    for (char c : host) {
        if (c == '.')
            ++dots;
        else if (c < '0' || c > '9')
            return false;
    }
    return dots == 3;
}

}  // namespace vt
