#pragma once
// Command lines for the platform's dial tool. Platform-free; texts are UTF-8.
#include <string>
#include <string_view>

namespace vt {

// `argument` written so that the C runtime's command-line parser (and CommandLineToArgvW) gives it back
// exactly: unchanged when it needs no quoting, otherwise in double quotes with backslashes before a quote
// doubled and embedded quotes escaped. An empty argument becomes "".
std::string QuoteArgument(std::string_view argument);

// The dial command: tool, entry name, account, password, separated by single spaces, each quoted only
// when it needs it ("rasdial.exe Veltrane user pass" for plain values). A non-empty `phonebook` (the
// path of the book the entry lives in) follows as "/PHONEBOOK:<path>", the whole argument quoted when
// the path holds a blank or any character outside ASCII.
std::string DialCommandLine(std::string_view tool, std::string_view entry, std::string_view account,
                            std::string_view password, std::string_view phonebook = {});

// The hang-up command: tool, entry name, then two spaces and "/disconnect".
std::string HangUpCommandLine(std::string_view tool, std::string_view entry);

}  // namespace vt
