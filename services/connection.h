#pragma once
// The connection state of a phonebook entry, and the platform's dial tool started for dialing and
// hanging up. Texts are UTF-8.
#include <string_view>

namespace vt {

#ifdef _WIN32
// True when an active connection of the entry `name` exists (exact name, letter case counts). Any
// failure of the enumeration, or a name longer than the platform's 256 bytes, reads as not connected.
bool IsEntryConnected(std::string_view name);

// Starts the system folder's rasdial.exe, hidden and without waiting, to dial the "Veltrane" entry with
// `account` and `password`; the tool receives them exactly, as two arguments. True when the tool started.
bool LaunchDial(std::string_view account, std::string_view password);

// Starts the system folder's rasdial.exe, hidden and without waiting, to hang up the "Veltrane" entry.
bool LaunchHangUp();
#endif

}  // namespace vt
