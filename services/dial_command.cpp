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
                            std::string_view password, std::string_view phonebook) {
    std::string line = QuoteProgram(tool) + " " + QuoteArgument(entry) + " " + QuoteArgument(account) + " " +
                       QuoteArgument(password);
    if (phonebook.empty()) return line;
    const std::string option = "/PHONEBOOK:" + std::string(phonebook);
    // A parser that reads the line in another code page than it was written in splits only at blanks
    // outside quotes: quoting a path with any non-ASCII character keeps it one argument whatever the
    // tool's own reading. A path holds no quote, and it ends with the file name, not a backslash.
    bool non_ascii = false;
    for (char c : phonebook) non_ascii = non_ascii || static_cast<unsigned char>(c) >= 0x80;
    return line + " " + (non_ascii ? "\"" + option + "\"" : QuoteArgument(option));
}

std::string HangUpCommandLine(std::string_view tool, std::string_view entry) {
    return QuoteProgram(tool) + " " + QuoteArgument(entry) + "  /disconnect";
}

}  // namespace vt
