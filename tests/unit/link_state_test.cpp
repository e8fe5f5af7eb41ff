#include "services/link_state.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

constexpr unsigned long kLoopback = 24, kPpp = 23, kTunnel = 131;
constexpr MediaState kUp = MediaState::Connected, kDown = MediaState::Disconnected,
                     kAsk = MediaState::Unknown;
const AdapterRow kWired{kIfTypeEthernet, kDown, true, false};  // a NIC with its cable out

struct Case {
    const char* rule;
    std::vector<AdapterRow> rows;
    LinkState expected;
};

// Rows are {type, media, hardware, filter}.
const Case kCases[] = {
    {"an empty table says nothing", {}, LinkState::Unknown},
    {"a connected Ethernet adapter is the link", {{kIfTypeEthernet, kUp, true, false}}, LinkState::Up},
    {"a connected Wi-Fi adapter is a link too (PPPoE to a bridge)",
     {kWired, {kIfTypeWifi, kUp, true, false}},
     LinkState::Up},
    {"every cable out", {kWired, {kIfTypeWifi, kDown, true, false}}, LinkState::Down},
    {"loopback, PPP and tunnels are software",
     {kWired, {kLoopback, kUp, false, false}, {kPpp, kUp, false, false}, {kTunnel, kUp, false, false}},
     LinkState::Down},
    {"a virtual switch or VPN adapter up is not hardware",
     {kWired, {kIfTypeEthernet, kUp, false, false}},
     LinkState::Down},
    {"a filter driver's row is not its adapter",
     {kWired, {kIfTypeEthernet, kUp, true, true}},
     LinkState::Down},
    {"only software adapters: nothing to hold on",
     {{kLoopback, kUp, false, false}, {kIfTypeEthernet, kDown, false, false}},
     LinkState::Unknown},
    {"a hardware adapter of another kind (mobile broadband) is not counted",
     {{243, kDown, true, false}},
     LinkState::Unknown},
    {"an adapter that does not know may have the cable",
     {kWired, {kIfTypeEthernet, kAsk, true, false}},
     LinkState::Unknown},
    {"one that does not know beside one up",
     {{kIfTypeWifi, kAsk, true, false}, {kIfTypeEthernet, kUp, true, false}},
     LinkState::Up},
};

TEST(LinkRule, ReducesTheAdapterRows) {
    for (const Case& c : kCases) EXPECT_EQ(ReduceLink(c.rows), c.expected) << c.rule;
}

}  // namespace
}  // namespace vt
