// What failed pages mean: the proxy in force as Internet Settings hold it, and the judgement.
#include <gtest/gtest.h>

#include "app/dial_session.h"
#include "services/probe.h"

namespace vt {
namespace {

TEST(ProbePaths, TheProxyInForceAndWhetherItIsThisMachines) {
    const std::pair<std::string_view, std::string_view> proxies[] = {
        {"127.0.0.1:7890", "127.0.0.1:7890"},
        {"http=127.0.0.1:1080;https=127.0.0.1:1081", "127.0.0.1:1081"},
        {"http=proxy.corp:8080", "proxy.corp:8080"},
        {"socks=127.0.0.1:1080", ""},
        {" ; 10.0.0.1:3128", "10.0.0.1:3128"},
        {"", ""},
    };
    for (const auto& [server, proxy] : proxies) EXPECT_EQ(ProxyForPages(server), proxy) << server;

    EXPECT_EQ(SplitHostPort("http://127.0.0.1:7890/proxy.pac").port, 7890u);
    EXPECT_EQ(SplitHostPort("[::1]:1080").host, "::1");
    EXPECT_EQ(SplitHostPort("localhost").port, 0u);
    EXPECT_EQ(SplitHostPort("host:99999").port, 0u);
    for (std::string_view host : {"127.0.0.1", "127.8.9.10", "localhost", "LocalHost", "::1"})
        EXPECT_TRUE(IsLoopbackHost(host)) << host;
    for (std::string_view host : {"128.0.0.1", "127.0.0", "localhost.evil", "10.0.0.1", "127.0.0.1a"})
        EXPECT_FALSE(IsLoopbackHost(host)) << host;
}

TEST(ProbePaths, WhatLiesBeyondFailedPagesDecidesTheirMeaning) {
    const std::pair<PathFindings, ProbeAnswer> rows[] = {
        {{"127.0.0.1:7890", true, true, false}, {Pages::ProxyFails, true}},
        {{"", false, true, true}, {Pages::ProxyFails, false}},
        {{"", false, false, true}, {Pages::NamesFail, false}},
        {{"127.0.0.1:7890", true, false, false}, {Pages::Unreachable, true}},
        {{}, {Pages::Unreachable, false}},
    };
    for (const auto& [paths, answer] : rows) EXPECT_TRUE(JudgeFailedPages(paths) == answer) << paths.proxy;
}

}  // namespace
}  // namespace vt
