#include "services/dial_command.h"

namespace vt {
namespace {

// The program name is parsed by other rules than the arguments (no escapes; quotes only group), and a
// path cannot hold a quote, so it is quoted only when it holds a blank.
std::string QuoteProgram(std::string_view tool) {
    if (tool.find_first_of(" \t") == std::string_view::npos) return std::string(tool);
    return "\"" + std::string(tool) + "\"";
}

}  // namespace

std::string QuoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            // Backslashes before a quote are halved by the parser, and the quote itself needs one.
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    // Backslashes before the closing quote would escape it unless doubled.
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string DialCommandLine(std::string_view tool, std::string_view entry, std::string_view account,
                            std::string_view password) {
    return QuoteProgram(tool) + " " + QuoteArgument(entry) + " " + QuoteArgument(account) + " " +
           QuoteArgument(password);
}

std::string HangUpCommandLine(std::string_view tool, std::string_view entry) {
    return QuoteProgram(tool) + " " + QuoteArgument(entry) + "  /disconnect";
}

}  // namespace vt
