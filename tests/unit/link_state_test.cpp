#include "services/link_state.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr unsigned long kEthernet = kIfTypeEthernet, kWifi = kIfTypeWifi, kLoopback = 24, kPpp = 23,
                        kTunnel = 131;
constexpr MediaState kUp = MediaState::Connected, kDown = MediaState::Disconnected,
                     kAsk = MediaState::Unknown;
const AdapterRow kCableOut{kEthernet, kDown, true, false};

TEST(LinkRule, ReducesTheAdapterRows) {
    const struct {
        const char* rule;
        std::vector<AdapterRow> rows;  // {type, media, hardware, filter}
        LinkState expected;
    } cases[] = {
        {"an empty table says nothing", {}, LinkState::Unknown},
        {"a connected Ethernet adapter is the link",
         {kCableOut, {kEthernet, kUp, true, false}},
         LinkState::Up},
        {"so is a connected Wi-Fi adapter (PPPoE to a bridge)",
         {kCableOut, {kWifi, kUp, true, false}},
         LinkState::Up},
        {"every cable out", {kCableOut, {kWifi, kDown, true, false}}, LinkState::Down},
        {"loopback, PPP and tunnels are software",
         {kCableOut, {kLoopback, kUp, false, false}, {kPpp, kUp, false, false}, {kTunnel, kUp, false, false}},
         LinkState::Down},
        {"a virtual switch or VPN adapter is not hardware",
         {kCableOut, {kEthernet, kUp, false, false}},
         LinkState::Down},
        {"a filter driver's row is not its adapter",
         {kCableOut, {kEthernet, kUp, true, true}},
         LinkState::Down},
        {"only software adapters: nothing to hold on",
         {{kEthernet, kDown, false, false}},
         LinkState::Unknown},
        {"other hardware (mobile broadband) does not count", {{243, kDown, true, false}}, LinkState::Unknown},
        {"an adapter that does not know may have the cable",
         {kCableOut, {kWifi, kAsk, true, false}},
         LinkState::Unknown},
    };
    for (const auto& c : cases) EXPECT_EQ(ReduceLink(c.rows), c.expected) << c.rule;
}

}  // namespace
}  // namespace vt
