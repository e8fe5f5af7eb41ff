#include "services/link_state.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr unsigned long kEthernet = kIfTypeEthernet, kWifi = kIfTypeWifi, kLoopback = 24, kPpp = 23,
                        kTunnel = 131;
constexpr MediaState kUp = MediaState::Connected, kDown = MediaState::Disconnected,
                     kAsk = MediaState::Unknown;
const AdapterRow kCableOut{kEthernet, kDown, true, false};

const AdapterRow kWired{kEthernet, kDown, true, false, true, true, "以太网"},
    kWlan{kWifi, kDown, true, false, true, true, "WLAN"},
    kWlanUp{kWifi, kUp, true, false, true, true, "WLAN"};

TEST(LinkRule, ReducesTheAdapterRows) {
    const struct {
        const char* rule;
        std::vector<AdapterRow> rows;  // {type, media, connector, filter, present, enabled, name}
        Link expected;
        const char* named = nullptr;  // the adapters the log names
    } cases[] = {
        {"an empty table says nothing", {}, Link::Unknown},
        {"a connected Ethernet adapter is the link", {kCableOut, {kEthernet, kUp, true, false}}, Link::Up},
        {"so is a connected Wi-Fi adapter (PPPoE to a bridge)",
         {kCableOut, {kWifi, kUp, true, false}},
         Link::Up},
        {"every cable out", {kCableOut, {kWifi, kDown, true, false}}, Link::Down},
        {"loopback, PPP and tunnels are software",
         {kCableOut, {kLoopback, kUp, false, false}, {kPpp, kUp, false, false}, {kTunnel, kUp, false, false}},
         Link::Down},
        {"a virtual switch or VPN adapter has no connector",
         {kCableOut, {kEthernet, kUp, false, false}},
         Link::Down},
        {"a filter driver's row is not its adapter", {kCableOut, {kEthernet, kUp, true, true}}, Link::Down},
        {"only software adapters: nothing to hold on", {{kEthernet, kDown, false, false}}, Link::Unknown},
        {"other hardware (mobile broadband) does not count", {{243, kDown, true, false}}, Link::Unknown},
        {"an adapter that does not know may have the cable",
         {kCableOut, {kWifi, kAsk, true, false}},
         Link::Unknown},
        {"a USB Wi-Fi adapter used once and away now is none",
         {kWired, {kWifi, kAsk, true, false, false, true, "WLAN 2"}},
         Link::Down,
         "以太网"},
        {"a disabled onboard adapter is no cable out",
         {{kEthernet, kDown, true, false, true, false, "以太网 2"}},
         Link::Unknown,
         ""},
        {"Hyper-V's vEthernet and a VMware adapter have no connector",
         {kWired,
          {kEthernet, kUp, false, false, true, true, "vEthernet (Default Switch)"},
          {kEthernet, kUp, false, false, true, true, "VMware Network Adapter VMnet8"},
          kWlan},
         Link::Down,
         "以太网、WLAN"},
        {"the one with link alone", {kWired, kWlanUp}, Link::Up, "WLAN"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReduceLink(c.rows), c.expected) << c.rule;
        if (c.named) EXPECT_EQ(LinkAdapterNames(c.rows), c.named) << c.rule;
    }
}

}  // namespace
}  // namespace vt
