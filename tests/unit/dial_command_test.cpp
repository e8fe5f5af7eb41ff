#include "services/dial_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vt {
namespace {

// The C runtime's rules for splitting a command line into arguments (argv[1..]), as the dial tool's
// startup code applies them: whitespace separates, quotes group, 2n backslashes before a quote give n and
// the quote groups, 2n+1 give n and a literal quote, other backslashes are literal.
std::vector<std::string> ParseArguments(const std::string& line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= line.size()) break;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
            if (i < line.size() && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';  // "" inside quotes: a literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(backslashes, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::vector<std::string> ArgumentsAfterTool(const std::string& line) {
    std::vector<std::string> all = ParseArguments(line);
    return std::vector<std::string>(all.begin() + 1, all.end());
}

TEST(DialCommand, PlainValuesKeepTheSimpleForm) {
    EXPECT_EQ(DialCommandLine("rasdial.exe", "Veltrane", "user", "pass"), "rasdial.exe Veltrane user pass");
    EXPECT_EQ(DialCommandLine("C:\\windows\\system32\\rasdial.exe", "Veltrane", "a@163.gd", "p4ss!"),
              "C:\\windows\\system32\\rasdial.exe Veltrane a@163.gd p4ss!");
    // Backslashes not followed by a quote are literal and need nothing.
    EXPECT_EQ(DialCommandLine("rasdial.exe", "Veltrane", "dom\\user", "a\\\\b\\"),
              "rasdial.exe Veltrane dom\\user a\\\\b\\");
    EXPECT_EQ(DialCommandLine("rasdial.exe", "Veltrane", "宽带账号", "密码"),
              "rasdial.exe Veltrane 宽带账号 密码");
}

TEST(DialCommand, HangUpHasTwoSpacesBeforeTheOption) {
    EXPECT_EQ(HangUpCommandLine("rasdial.exe", "Veltrane"), "rasdial.exe Veltrane  /disconnect");
    EXPECT_EQ(ArgumentsAfterTool(HangUpCommandLine("C:\\Program Files\\rasdial.exe", "Veltrane")),
              (std::vector<std::string>{"Veltrane", "/disconnect"}));
}

TEST(DialCommand, EmptyPasswordIsAnEmptyArgument) {
    std::string line = DialCommandLine("rasdial.exe", "Veltrane", "user", "");
    EXPECT_EQ(line, "rasdial.exe Veltrane user \"\"");
    EXPECT_EQ(ArgumentsAfterTool(line), (std::vector<std::string>{"Veltrane", "user", ""}));
}

TEST(DialCommand, HostileValuesArriveExactly) {
    const std::vector<std::string> values = {
        "two words", "tab\there",         "quote\"inside", "\"",         "\"\"",        "back\\\"slash",
        "trail\\",   "trail space\\",     "\\\\\"",        "a\\\\\\\"b", "/disconnect", "",
        " ",         "  lead and tail ",  "中文 账号",     "new\nline",  "v\vtab",      "%PATH%",
        "^&|<>",     "\\\\server\\share", "x\\\\ y\\\\",
    };
    for (const std::string& account : values) {
        for (const std::string& password : values) {
            std::string line =
                DialCommandLine("C:\\windows\\system32\\rasdial.exe", "Veltrane", account, password);
            EXPECT_EQ(ArgumentsAfterTool(line), (std::vector<std::string>{"Veltrane", account, password}))
                << "command line: " << line;
        }
    }
}

TEST(DialCommand, QuotingFollowsTheRuntimeRules) {
    EXPECT_EQ(QuoteArgument("plain"), "plain");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("a b"), "\"a b\"");
    EXPECT_EQ(QuoteArgument("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");  // a\"b -> "a\\\"b"
    EXPECT_EQ(QuoteArgument("a b\\"), "\"a b\\\\\"");      // trailing backslash doubled before the quote
    EXPECT_EQ(QuoteArgument("a\\b c"), "\"a\\b c\"");      // inner backslash untouched
}

TEST(DialCommand, ToolPathWithBlanksIsQuoted) {
    std::string line = DialCommandLine("C:\\Win Dir\\system32\\rasdial.exe", "Veltrane", "u", "p");
    EXPECT_EQ(line, "\"C:\\Win Dir\\system32\\rasdial.exe\" Veltrane u p");
    EXPECT_EQ(ParseArguments(line).front(), "C:\\Win Dir\\system32\\rasdial.exe");
}

}  // namespace
}  // namespace vt
