#pragma once
// The dial-up phonebook entry the dialer dials, in the platform's default phonebook. Names, user names
// and passwords are UTF-8; they reach the phonebook in the system's ANSI code page.
#include <optional>
#include <string>
#include <string_view>

#include "base/compat.h"

namespace vt {

// The entry's name in the phonebook and on the dial tool's command line.
inline constexpr std::string_view kEntryName = compat::kEntryName;

// What the system kept of the IPv6 an entry asks for, read back after the entry was written: the protocol
// (RASNP_Ipv6) and the default route through the line (RASEO2_IPv6RemoteDefaultGateway).
struct EntryIpv6 {
    bool protocol = false;
    bool default_route = false;
};

#ifdef _WIN32
// True when the all-users or the current user's phonebook holds an entry whose name equals `name` without
// regard to letter case, as the Remote Access Service compares names. Any failure reads as "no such entry".
bool EntryExists(std::string_view name);

// Writes the broadband (PPPoE) entry `entry` with the dialer's fixed properties on the system's PPPoE
// device, creating it or replacing its properties, then stores `user` and `password` as its credentials.
// The default (all-users) phonebook is tried first; when it does not take the entry, for whatever reason,
// the current user's phonebook does (created empty first if missing, written through the wide functions
// so that any profile path works). True when both steps succeeded; false also when a text does not fit
// its field or has no form in the ANSI code page. Where the system has IPv6 over PPP (Vista on) the entry
// asks for it and for IPv6's default route through the line, in the Vista form of the record (the XP form
// where the system refuses that size). `ipv6_kept`, when given, receives what the system kept of both,
// read back once the entry was written; it is left alone where IPv6 was not asked or the entry could not
// be read back.
bool CreateDialEntry(std::string_view entry, std::string_view user, std::string_view password,
                     std::optional<EntryIpv6>* ipv6_kept = nullptr);

// The name the system gives its PPPoE device ("WAN 微型端口 (PPPOE)" on a Chinese system), UTF-8; "" when
// it lists none or will not say.
std::string PppoeDevice();
#endif

}  // namespace vt
