#pragma once
// The Remote Access records in the exact forms the dialer exchanges with the phonebook library: the
// legacy layouts of a 32-bit process, ANSI and, for the current user's book, wide. The platform tells the
// forms apart by their size field, so these are declared here rather than taken from the SDK headers, which
// declare newer, larger forms. Win32 code (and the stand-in library) only.
#include <windows.h>

#include <cstddef>

namespace vt::ras {

inline constexpr DWORD kMaxEntryName = 256;  // name fields hold this many bytes plus a terminating zero
inline constexpr DWORD kMaxDeviceType = 16;
inline constexpr DWORD kMaxDeviceName = 128;
inline constexpr DWORD kMaxRecords = 256;  // records in one enumeration buffer

// Return codes of the Remote Access functions that the dialer and the stand-in library use.
inline constexpr DWORD kErrorAccessDenied = 5;
inline constexpr DWORD kErrorInvalidHandle = 6;
inline constexpr DWORD kErrorBufferTooSmall = 603;
inline constexpr DWORD kErrorCannotOpenPhonebook = 621;
inline constexpr DWORD kErrorCannotFindPhonebookEntry = 623;
inline constexpr DWORD kErrorInvalidSize = 632;
inline constexpr DWORD kErrorPortDisconnecting = 617;
inline constexpr DWORD kErrorSecondBroadband = 813;
inline constexpr DWORD kErrorProjectionNotComplete = 730;
inline constexpr DWORD kErrorProtocolNotConfigured = 731;    // the entry did not ask for the protocol
inline constexpr DWORD kErrorControlProtocolRejected = 733;  // the server would not negotiate it

// Which changes RasConnectionNotification signals.
inline constexpr DWORD kNotifyConnection = 0x1;     // RASCN_Connection
inline constexpr DWORD kNotifyDisconnection = 0x2;  // RASCN_Disconnection

// RASENTRYNAMEA, 264-byte form.
struct EntryName {
    DWORD dwSize;
    CHAR szEntryName[kMaxEntryName + 1];
};
static_assert(sizeof(EntryName) == 264);
static_assert(offsetof(EntryName, szEntryName) == 4);

// RASCONNA, 412-byte form.
struct Connection {
    DWORD dwSize;
    HANDLE hrasconn;
    CHAR szEntryName[kMaxEntryName + 1];
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
};
#if !defined(_WIN64)
static_assert(sizeof(Connection) == 412);
static_assert(offsetof(Connection, szEntryName) == 8);
static_assert(offsetof(Connection, szDeviceType) == 265);
static_assert(offsetof(Connection, szDeviceName) == 282);
#endif

// RASCONNSTATUSA, 160-byte form (the oldest, which every system from XP on accepts).
struct ConnectionStatus {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
};
static_assert(sizeof(ConnectionStatus) == 160);
static_assert(offsetof(ConnectionStatus, szDeviceName) == 29);
// RASCONNSTATUSA, 288-byte form (with the phone number), for a system that refuses the oldest.
struct ConnectionStatusXp {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
    CHAR szPhoneNumber[128 + 1];
};
static_assert(sizeof(ConnectionStatusXp) == 288);
static_assert(offsetof(ConnectionStatusXp, szPhoneNumber) == 158);  // right after the 160 form's fields

inline constexpr DWORD kStateConnected = 0x2000;     // RASCS_Connected
inline constexpr DWORD kStateDisconnected = 0x2001;  // RASCS_Disconnected

// RASDEVINFOA, 152-byte form.
struct DeviceInfo {
    DWORD dwSize;
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
};
static_assert(sizeof(DeviceInfo) == 152);

struct IpAddress {
    BYTE a, b, c, d;
};

// RASENTRYA (2924 bytes) and RASENTRYW (5656 bytes) in their Vista form, the first whose system routes
// IPv6 through the line (RASEO2_IPv6RemoteDefaultGateway): the same fields in the same order, with one- or
// two-byte characters. The XP form (kXpSize: 2884 and 5616 bytes) is the same record cut before the IPv6
// name servers.
template <typename Char>
struct EntryOf {
    DWORD dwSize;
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    Char szAreaCode[10 + 1];
    Char szLocalPhoneNumber[128 + 1];
    DWORD dwAlternateOffset;
    IpAddress ipaddr;
    IpAddress ipaddrDns;
    IpAddress ipaddrDnsAlt;
    IpAddress ipaddrWins;
    IpAddress ipaddrWinsAlt;
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    Char szScript[MAX_PATH];
    Char szAutodialDll[MAX_PATH];
    Char szAutodialFunc[MAX_PATH];
    Char szDeviceType[kMaxDeviceType + 1];
    Char szDeviceName[kMaxDeviceName + 1];
    Char szX25PadType[32 + 1];
    Char szX25Address[200 + 1];
    Char szX25Facilities[200 + 1];
    Char szX25UserData[200 + 1];
    DWORD dwChannels;
    DWORD dwReserved1;
    DWORD dwReserved2;
    DWORD dwSubEntries;
    DWORD dwDialMode;
    DWORD dwDialExtraPercent;
    DWORD dwDialExtraSampleSeconds;
    DWORD dwHangUpExtraPercent;
    DWORD dwHangUpExtraSampleSeconds;
    DWORD dwIdleDisconnectSeconds;
    DWORD dwType;
    DWORD dwEncryptionType;
    DWORD dwCustomAuthKey;
    GUID guidId;
    Char szCustomDialDll[MAX_PATH];
    DWORD dwVpnStrategy;
    DWORD dwfOptions2;
    DWORD dwfOptions3;
    Char szDnsSuffix[256];
    DWORD dwTcpWindowSize;
    Char szPrerequisitePbk[MAX_PATH];
    Char szPrerequisiteEntry[kMaxEntryName + 1];
    DWORD dwRedialCount;
    DWORD dwRedialPause;
    BYTE ipv6addrDns[16];  // RASIPV6ADDR
    BYTE ipv6addrDnsAlt[16];
    DWORD dwIPv4InterfaceMetric;
    DWORD dwIPv6InterfaceMetric;
};
using Entry = EntryOf<CHAR>;
using EntryW = EntryOf<WCHAR>;
template <typename Record>
inline constexpr DWORD kXpSize = offsetof(Record, ipv6addrDns);
static_assert(sizeof(Entry) == 2924 && kXpSize<Entry> == 2884);
static_assert(offsetof(Entry, dwfOptions) == 4);
static_assert(offsetof(Entry, dwCountryID) == 8);
static_assert(offsetof(Entry, dwCountryCode) == 12);
static_assert(offsetof(Entry, szLocalPhoneNumber) == 27);
static_assert(offsetof(Entry, dwfNetProtocols) == 184);
static_assert(offsetof(Entry, dwFramingProtocol) == 188);
static_assert(offsetof(Entry, szDeviceType) == 972);
static_assert(offsetof(Entry, szDeviceName) == 989);
static_assert(offsetof(Entry, dwDialMode) == 1772);
static_assert(offsetof(Entry, dwDialExtraPercent) == 1776);
static_assert(offsetof(Entry, dwDialExtraSampleSeconds) == 1780);
static_assert(offsetof(Entry, dwHangUpExtraPercent) == 1784);
static_assert(offsetof(Entry, dwHangUpExtraSampleSeconds) == 1788);
static_assert(offsetof(Entry, dwType) == 1796);
static_assert(offsetof(Entry, dwEncryptionType) == 1800);
static_assert(offsetof(Entry, dwfOptions2) == 2088);
static_assert(offsetof(Entry, dwRedialCount) == 2876);
static_assert(offsetof(Entry, dwRedialPause) == 2880);

// RASCREDENTIALSA (540 bytes) and RASCREDENTIALSW (1068 bytes).
template <typename Char>
struct CredentialsOf {
    DWORD dwSize;
    DWORD dwMask;
    Char szUserName[256 + 1];
    Char szPassword[256 + 1];
    Char szDomain[15 + 1];
};
using Credentials = CredentialsOf<CHAR>;
using CredentialsW = CredentialsOf<WCHAR>;
static_assert(sizeof(Credentials) == 540);
static_assert(offsetof(Credentials, dwMask) == 4);
static_assert(offsetof(Credentials, szUserName) == 8);
static_assert(offsetof(Credentials, szPassword) == 265);
static_assert(offsetof(Credentials, szDomain) == 522);

// RAS_STATS, 60-byte form (the only one).
struct Statistics {
    DWORD dwSize;
    DWORD dwBytesXmited;
    DWORD dwBytesRcved;
    DWORD dwFramesXmited;
    DWORD dwFramesRcved;
    DWORD dwCrcErr;
    DWORD dwTimeoutErr;
    DWORD dwAlignmentErr;
    DWORD dwHardwareOverrunErr;
    DWORD dwFramingErr;
    DWORD dwBufferOverrunErr;
    DWORD dwCompressionRatioIn;
    DWORD dwCompressionRatioOut;
    DWORD dwBps;
    DWORD dwConnectDuration;
};
static_assert(sizeof(Statistics) == 60);
static_assert(offsetof(Statistics, dwBytesRcved) == 8);

// The network protocols an entry asks for (RASENTRY.dwfNetProtocols).
inline constexpr DWORD kNetProtocolIp = 0x4;    // RASNP_Ip
inline constexpr DWORD kNetProtocolIpv6 = 0x8;  // RASNP_Ipv6, Vista on
// IPv6's default route through the line (RASENTRY.dwfOptions2: RASEO2_IPv6RemoteDefaultGateway, Vista on).
inline constexpr DWORD kOptions2Ipv6DefaultGateway = 0x2000;

// What RasGetProjectionInfo is asked for.
inline constexpr DWORD kProjectionPppIp = 0x8021;    // RASP_PppIp
inline constexpr DWORD kProjectionPppIpv6 = 0x8057;  // RASP_PppIpv6, Vista on

// RASPPPIPA, 48-byte form (with the server's address and the options: Windows 2000 on).
struct PppIp {
    DWORD dwSize;
    DWORD dwError;  // the control protocol's result: 0 when it was negotiated
    CHAR szIpAddress[15 + 1];
    CHAR szServerIpAddress[15 + 1];
    DWORD dwOptions;
    DWORD dwServerOptions;
};
static_assert(sizeof(PppIp) == 48);
static_assert(offsetof(PppIp, szServerIpAddress) == 24);

// RASPPPIPV6, 28 bytes: only the interface identifiers; the address prefix comes later from the
// provider's router, to the connection's adapter.
struct PppIpv6 {
    DWORD dwSize;
    DWORD dwError;
    BYTE bLocalInterfaceIdentifier[8];
    BYTE bPeerInterfaceIdentifier[8];
    BYTE bLocalCompressionProtocol[2];
    BYTE bPeerCompressionProtocol[2];
};
static_assert(sizeof(PppIpv6) == 28);

// RASPPP_PROJECTION_INFO (Windows 7 on): every PPP protocol's result in one record.
struct PppProjection {
    DWORD dwIPv4NegotiationError;
    BYTE ipv4Address[4];  // in network order
    BYTE ipv4ServerAddress[4];
    DWORD dwIPv4Options;
    DWORD dwIPv4ServerOptions;
    DWORD dwIPv6NegotiationError;
    BYTE bInterfaceIdentifier[8];
    BYTE bServerInterfaceIdentifier[8];
    BOOL fBundled;
    BOOL fMultilink;
    DWORD dwAuthenticationProtocol;
    DWORD dwAuthenticationData;
    DWORD dwServerAuthenticationProtocol;
    DWORD dwServerAuthenticationData;
    DWORD dwEapTypeId;
    DWORD dwServerEapTypeId;
    DWORD dwLcpOptions;
    DWORD dwLcpServerOptions;
    DWORD dwCcpError;
    DWORD dwCcpCompressionAlgorithm;
    DWORD dwCcpServerCompressionAlgorithm;
    DWORD dwCcpOptions;
    DWORD dwCcpServerOptions;
};
static_assert(sizeof(PppProjection) == 100);
static_assert(offsetof(PppProjection, dwIPv6NegotiationError) == 20);
static_assert(offsetof(PppProjection, bInterfaceIdentifier) == 24);

// RAS_PROJECTION_INFO: the API version the caller knows, the kind of connection, then its record (the
// PPP record is the larger of the two in a 32-bit process: 108 bytes in all). A later system may ask for
// more; the caller then offers the size it names.
struct ProjectionInfo {
    DWORD version;  // RASAPIVERSION
    DWORD type;     // RASPROJECTION_INFO_TYPE
    PppProjection ppp;
};
static_assert(sizeof(ProjectionInfo) == 108);
inline constexpr DWORD kApiVersion601 = 4;      // RASAPIVERSION_601, Windows 7
inline constexpr DWORD kProjectionTypePpp = 1;  // PROJECTION_INFO_TYPE_PPP

// The wide forms, for the current user's book, whose path may hold characters outside the ANSI code
// page. Same fields and sizes as the ANSI forms above, with two-byte characters.

// RASENTRYNAMEW, 520-byte form.
struct EntryNameW {
    DWORD dwSize;
    WCHAR szEntryName[kMaxEntryName + 1];
};
static_assert(sizeof(EntryNameW) == 520);
static_assert(offsetof(EntryNameW, szEntryName) == 4);

// RASDEVINFOW, 296-byte form.
struct DeviceInfoW {
    DWORD dwSize;
    WCHAR szDeviceType[kMaxDeviceType + 1];
    WCHAR szDeviceName[kMaxDeviceName + 1];
};
static_assert(sizeof(DeviceInfoW) == 296);

static_assert(sizeof(EntryW) == 5656 && kXpSize<EntryW> == 5616);
static_assert(offsetof(EntryW, szLocalPhoneNumber) == 38);
static_assert(offsetof(EntryW, dwfNetProtocols) == 324);
static_assert(offsetof(EntryW, dwFramingProtocol) == 328);
static_assert(offsetof(EntryW, szDeviceType) == 1892);
static_assert(offsetof(EntryW, szDeviceName) == 1926);
static_assert(offsetof(EntryW, dwDialMode) == 3472);
static_assert(offsetof(EntryW, dwType) == 3496);
static_assert(offsetof(EntryW, dwEncryptionType) == 3500);
static_assert(offsetof(EntryW, dwfOptions2) == 4048);
static_assert(offsetof(EntryW, dwRedialCount) == 5608);
static_assert(offsetof(EntryW, dwRedialPause) == 5612);

static_assert(sizeof(CredentialsW) == 1068);
static_assert(offsetof(CredentialsW, szPassword) == 522);
static_assert(offsetof(CredentialsW, szDomain) == 1036);

// Signatures of the library functions, as the library exports them (stdcall, undecorated names).
using EnumEntriesFn = DWORD(WINAPI*)(LPCSTR reserved, LPCSTR phonebook, EntryName* names, LPDWORD bytes,
                                     LPDWORD count);
using EnumConnectionsFn = DWORD(WINAPI*)(Connection* connections, LPDWORD bytes, LPDWORD count);
using SetEntryPropertiesFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry, Entry* record, DWORD record_size,
                                            LPBYTE device_info, DWORD device_info_size);
using SetCredentialsFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry, Credentials* credentials, BOOL clear);
using GetEntryPropertiesFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry, Entry* record,
                                            LPDWORD record_size, LPBYTE device_info,
                                            LPDWORD device_info_size);
using GetConnectStatusFn = DWORD(WINAPI*)(HANDLE connection, ConnectionStatus* status);
using EnumDevicesFn = DWORD(WINAPI*)(DeviceInfo* devices, LPDWORD bytes, LPDWORD count);
using GetErrorStringFn = DWORD(WINAPI*)(UINT code, LPSTR text, DWORD size);
using GetConnectionStatisticsFn = DWORD(WINAPI*)(HANDLE connection, Statistics* statistics);
using ConnectionNotificationFn = DWORD(WINAPI*)(HANDLE connection, HANDLE event, DWORD flags);
using EnumEntriesWFn = DWORD(WINAPI*)(LPCWSTR reserved, LPCWSTR phonebook, EntryNameW* names, LPDWORD bytes,
                                      LPDWORD count);
using EnumDevicesWFn = DWORD(WINAPI*)(DeviceInfoW* devices, LPDWORD bytes, LPDWORD count);
using SetEntryPropertiesWFn = DWORD(WINAPI*)(LPCWSTR phonebook, LPCWSTR entry, EntryW* record,
                                             DWORD record_size, LPBYTE device_info, DWORD device_info_size);
using SetCredentialsWFn = DWORD(WINAPI*)(LPCWSTR phonebook, LPCWSTR entry, CredentialsW* credentials,
                                         BOOL clear);
using GetEntryPropertiesWFn = DWORD(WINAPI*)(LPCWSTR phonebook, LPCWSTR entry, EntryW* record,
                                             LPDWORD record_size, LPBYTE device_info,
                                             LPDWORD device_info_size);
using GetErrorStringWFn = DWORD(WINAPI*)(UINT code, LPWSTR text, DWORD size);
using GetProjectionInfoFn = DWORD(WINAPI*)(HANDLE connection, DWORD projection, LPVOID record, LPDWORD size);
using GetProjectionInfoExFn = DWORD(WINAPI*)(HANDLE connection, ProjectionInfo* info, LPDWORD size);

// The library's entry points, resolved once; a null member means the library or function is missing.
struct Api {
    EnumEntriesFn enum_entries = nullptr;
    EnumConnectionsFn enum_connections = nullptr;
    SetEntryPropertiesFn set_entry_properties = nullptr;
    SetCredentialsFn set_credentials = nullptr;
    GetEntryPropertiesFn get_entry_properties = nullptr;
    GetConnectStatusFn get_connect_status = nullptr;
    EnumDevicesFn enum_devices = nullptr;
    GetErrorStringFn get_error_string = nullptr;
    GetConnectionStatisticsFn get_connection_statistics = nullptr;
    ConnectionNotificationFn connection_notification = nullptr;
    EnumEntriesWFn enum_entries_w = nullptr;
    EnumDevicesWFn enum_devices_w = nullptr;
    SetEntryPropertiesWFn set_entry_properties_w = nullptr;
    SetCredentialsWFn set_credentials_w = nullptr;
    GetEntryPropertiesWFn get_entry_properties_w = nullptr;
    GetErrorStringWFn get_error_string_w = nullptr;
    GetProjectionInfoFn get_projection_info = nullptr;
    GetProjectionInfoExFn get_projection_info_ex = nullptr;  // Windows 7 on
};
const Api& LoadApi();

}  // namespace vt::ras
