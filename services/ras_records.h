#pragma once
// The Remote Access records in the exact forms the dialer exchanges with the phonebook library: the
// legacy ANSI layouts of a 32-bit process. The platform tells the forms apart by their size field, so
// these are declared here rather than taken from the SDK headers, which declare newer, larger forms.
// Win32 code (and the stand-in library) only.
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

// RASENTRYA, 2884-byte form (ending with the redial count and pause).
struct Entry {
    DWORD dwSize;
    DWORD dwfOptions;
    DWORD dwCountryID;
    DWORD dwCountryCode;
    CHAR szAreaCode[10 + 1];
    CHAR szLocalPhoneNumber[128 + 1];
    DWORD dwAlternateOffset;
    IpAddress ipaddr;
    IpAddress ipaddrDns;
    IpAddress ipaddrDnsAlt;
    IpAddress ipaddrWins;
    IpAddress ipaddrWinsAlt;
    DWORD dwFrameSize;
    DWORD dwfNetProtocols;
    DWORD dwFramingProtocol;
    CHAR szScript[MAX_PATH];
    CHAR szAutodialDll[MAX_PATH];
    CHAR szAutodialFunc[MAX_PATH];
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
    CHAR szX25PadType[32 + 1];
    CHAR szX25Address[200 + 1];
    CHAR szX25Facilities[200 + 1];
    CHAR szX25UserData[200 + 1];
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
    CHAR szCustomDialDll[MAX_PATH];
    DWORD dwVpnStrategy;
    DWORD dwfOptions2;
    DWORD dwfOptions3;
    CHAR szDnsSuffix[256];
    DWORD dwTcpWindowSize;
    CHAR szPrerequisitePbk[MAX_PATH];
    CHAR szPrerequisiteEntry[kMaxEntryName + 1];
    DWORD dwRedialCount;
    DWORD dwRedialPause;
};
static_assert(sizeof(Entry) == 2884);
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

// RASCREDENTIALSA, 540-byte form.
struct Credentials {
    DWORD dwSize;
    DWORD dwMask;
    CHAR szUserName[256 + 1];
    CHAR szPassword[256 + 1];
    CHAR szDomain[15 + 1];
};
static_assert(sizeof(Credentials) == 540);
static_assert(offsetof(Credentials, dwMask) == 4);
static_assert(offsetof(Credentials, szUserName) == 8);
static_assert(offsetof(Credentials, szPassword) == 265);
static_assert(offsetof(Credentials, szDomain) == 522);

// Signatures of the library functions, as the library exports them (stdcall, undecorated names).
using EnumEntriesFn = DWORD(WINAPI*)(LPCSTR reserved, LPCSTR phonebook, EntryName* names, LPDWORD bytes,
                                     LPDWORD count);
using EnumConnectionsFn = DWORD(WINAPI*)(Connection* connections, LPDWORD bytes, LPDWORD count);
using SetEntryPropertiesFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry, Entry* record, DWORD record_size,
                                            LPBYTE device_info, DWORD device_info_size);
using SetCredentialsFn = DWORD(WINAPI*)(LPCSTR phonebook, LPCSTR entry, Credentials* credentials, BOOL clear);
using GetConnectStatusFn = DWORD(WINAPI*)(HANDLE connection, ConnectionStatus* status);
using EnumDevicesFn = DWORD(WINAPI*)(DeviceInfo* devices, LPDWORD bytes, LPDWORD count);
using GetErrorStringFn = DWORD(WINAPI*)(UINT code, LPSTR text, DWORD size);

// The library's entry points, resolved once; a null member means the library or function is missing.
struct Api {
    EnumEntriesFn enum_entries = nullptr;
    EnumConnectionsFn enum_connections = nullptr;
    SetEntryPropertiesFn set_entry_properties = nullptr;
    SetCredentialsFn set_credentials = nullptr;
    GetConnectStatusFn get_connect_status = nullptr;
    EnumDevicesFn enum_devices = nullptr;
    GetErrorStringFn get_error_string = nullptr;
};
const Api& LoadApi();

}  // namespace vt::ras
