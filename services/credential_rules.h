#pragma once
// What an account and a password must be for the dialer to keep and dial them, and the Chinese text that
// tells the subscriber why one is refused. Platform-free; texts are UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// The longest account (in UTF-8 bytes) and password (in characters) that come back whole from the settings
// file, whose reader returns at most 127 bytes of a value.
inline constexpr std::size_t kLongestStoredValue = 127;

// Nothing when the account and the password can be stored and handed to the dial tool; otherwise the
// message that explains the first fault found, account before password:
// - the account holds a line break or another control character (it would write lines of its own into
//   the settings file), or is too long to be read back whole;
// - the password holds a character outside printable ASCII (full-width forms, Chinese, control characters),
//   which the cipher cannot keep, so the stored password would differ from the typed one; the message
//   names those characters. Or it is too long to be read back whole;
// - either begins with "/" (the dial tool reads it as an option), or the password is exactly "*" (the dial
//   tool asks for the password on a console that a hidden tool never shows, and waits for ever).
std::optional<std::string> CredentialRefusal(std::string_view account, std::string_view password);

}  // namespace vt
