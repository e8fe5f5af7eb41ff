#pragma once
// For the life of the object, HTTP requests of this Wine prefix to 127.0.0.1 go straight to the address
// instead of through the prefix's proxy (a dead one on 127.0.0.1:9 in test prefixes), by adding
// 127.0.0.1 to the proxy bypass list (ProxyOverride); the previous list is put back at the end. Every
// other address still goes to the proxy, so nothing leaves loopback. Header-only, for tests and benches.
#include <windows.h>

#include <string>

namespace vt::line {

class LoopbackProxyBypass {
public:
    LoopbackProxyBypass() {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        char previous[1024] = {};
        DWORD size = sizeof previous - 1, type = 0;
        had_previous_ = RegQueryValueExA(key_, "ProxyOverride", nullptr, &type,
                                         reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS;
        previous_ = previous;
        std::string bypass = "127.0.0.1;<local>";
        active_ =
            RegSetValueExA(key_, "ProxyOverride", 0, REG_SZ, reinterpret_cast<const BYTE*>(bypass.c_str()),
                           static_cast<DWORD>(bypass.size() + 1)) == ERROR_SUCCESS;
    }
    LoopbackProxyBypass(const LoopbackProxyBypass&) = delete;
    LoopbackProxyBypass& operator=(const LoopbackProxyBypass&) = delete;
    ~LoopbackProxyBypass() {
        if (!key_) return;
        if (had_previous_)
            RegSetValueExA(key_, "ProxyOverride", 0, REG_SZ, reinterpret_cast<const BYTE*>(previous_.c_str()),
                           static_cast<DWORD>(previous_.size() + 1));
        else
            RegDeleteValueA(key_, "ProxyOverride");
        RegCloseKey(key_);
    }

    bool active() const { return active_; }

private:
    static constexpr const char* kInternetSettings =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    HKEY key_ = nullptr;
    bool had_previous_ = false;
    bool active_ = false;
    std::string previous_;
};

}  // namespace vt::line
