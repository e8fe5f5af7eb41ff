#pragma once
// Every name that something outside this build knows: an earlier dialer, its settings file, its Run value,
// its phonebook entry, the setup programs (ours and earlier ones), and a second copy of this program.
// They are data, kept exactly; renaming one breaks an install in the field. Nothing else belongs here.
// (The skin engine's window-class and property names are its own contract, in skin/skin_vocabulary.h.)
#include <string_view>

namespace vt::compat {

// The settings file: one section and its keys.
inline constexpr std::string_view kSettingsSection = "Option";
inline constexpr std::string_view kAccountKey = "UserName";
inline constexpr std::string_view kCipherTextKey = "CipherText";
inline constexpr std::string_view kRedialKey = "DiscRedial";  // "1" / "0"
inline constexpr std::string_view kExeUrlKey = "ExeUrl";
// "1" once the hint where Windows 11 keeps the icon was shown.
inline constexpr std::string_view kTaskbarHintKey = "TaskbarHintShown";

// The per-user Run value's name under HKCU\...\Run.
inline constexpr char kRunValueName[] = "Veltrane";
// The word after the program's path that makes a start hidden (the Run value and the restart after an
// installer carry it).
inline constexpr std::string_view kHiddenStartWord = "hide";

// The phonebook entry and the user name it is created with (the real account is given to each dial).
inline constexpr std::string_view kEntryName = "Veltrane";
inline constexpr std::string_view kEntryUser = "Zormik";

// The DDE channel between copies: application, topic, and the command that shows the window.
inline constexpr wchar_t kDdeService[] = L"Veltrane";
inline constexpr wchar_t kDdeTopic[] = L"FormDDE";
inline constexpr std::string_view kShowCommand = "Nor";
inline constexpr wchar_t kShowCommandW[] = L"Nor";
// The setup program's Execute command: the running copy quits as through the tray menu's "退出程序".
inline constexpr std::string_view kSetupQuitCommand = "Veltrane.Setup.Quit";
// The registered window message that means exactly "退出程序" (wParam and lParam 0), the setup
// program's fallback when DDE cannot reach the running copy.
inline constexpr wchar_t kQuitMessageName[] = L"Veltrane.Quit.{3b9e7c1d-48a2-4f6b-b0d5-7e21c9a4f836}";
// The one-copy mutex, which the setup program also opens to wait for the running copy's end.
inline constexpr wchar_t kInstanceMutexName[] =
    L"Veltrane.SingleInstance.{6f1c2a7e-5b0d-4c8e-9a31-2d7e4b90c1a5}";
// The machine-wide supervision lock: at most one copy, of any version, in any session, supervises.
inline constexpr wchar_t kSupervisionLockName[] =
    L"Global\\Veltrane.Supervision.{86c3619c-5e57-4ff7-aea2-d703978a8d98}";
// Exists while a copy's subscriber has hung the line up by hand and not dialled since, so that another
// user's supervising copy does not take the line's end for a drop.
inline constexpr wchar_t kHandHangUpName[] =
    L"Global\\Veltrane.HandHangUp.{2b7d5f0e-93a4-4c61-8e2f-5a1c7d04b6e3}";

// The main window's class and title, by which the setup program finds a running copy.
inline constexpr wchar_t kMainWindowClass[] = L"Form";
inline constexpr wchar_t kMainWindowTitle[] = L"Veltrane";

}  // namespace vt::compat
