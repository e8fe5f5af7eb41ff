// Veltrane.exe: the dialer's entry point. The program is its main window: a second copy hands the
// "Nor" command to the running one and ends; the first builds the window and runs its load sequence.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "app/main_frm.h"
#include "app/main_window.h"
#include "app/single_instance.h"
#include "app/status_window.h"
#include "app/system_services.h"
#include "base/compat.h"
#include "base/text.h"
#include "services/settings.h"
#include "services/settings_path.h"
#include "skin/skin_window.h"
#include "tray/about_window.h"
#include "tray/tray_icon.h"

// The C++ library's handler for an exception that nothing catches prints the exception's type, demangled,
// on a console that a window program has not, then aborts: it alone brings the whole demangler (some
// 40 KB) into a program that has nowhere to print. Aborting at once is all of it that is left.
#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before the first window, so that the manifest's version 6 controls take effect.
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    vt::InstanceMutex instance_mutex(vt::compat::kInstanceMutexName);
    // A hidden start (the Run value, the restart after sign-in, an old Startup shortcut) asks for nothing
    // to be seen: while a copy runs it ends without a word, and it carries on only where the running copy
    // was itself ending.
    const bool hidden = vt::WideToUtf8(vt::ArgumentText(GetCommandLineW())) == vt::compat::kHiddenStartWord;
    if (instance_mutex.another_is_running() && hidden && !instance_mutex.Retake()) return 0;
    if (instance_mutex.another_is_running() && !hidden) {
        // This copy was just started by the user, so it may hand its right to take the foreground on:
        // without it the running copy's window would only flash in the task bar instead of coming up.
        AllowSetForegroundWindow(ASFW_ANY);
        // Whether or not the running copy answers, this copy ends within the limit and touches nothing,
        // also where it cannot be reached at all (an elevated copy: UIPI filters the conversation). Only
        // a copy that ended meanwhile, which no longer answers, leaves its place to this one.
        if (vt::SendDdeCommand(vt::compat::kShowCommandW, 1500) || !instance_mutex.Retake()) return 0;
    }
    // Closed by an installer's Restart Manager, the copy comes back hidden once the files are replaced.
    vt::RegisterHiddenRestart();

    // COM is entered only around each probe (see the probe), which keeps the idle program small.
    int exit_code = 0;
    {
        vt::MainWindow window(instance);
        if (!window.Create()) return 1;
        // The icon's artwork: the state icons are the program's resources, adsl.ico the file beside it.
        std::wstring icon_file = vt::Utf8ToWide(vt::ExeFolder(vt::RunningExecutablePath()));
        if (icon_file.empty() || icon_file.back() != L'\\') icon_file += L'\\';
        vt::TrayIcon tray(window.hwnd(), GetModuleHandleW(nullptr), icon_file + L"adsl.ico");
        window.SetTrayIcon(&tray);
        vt::SystemServices services(window.hwnd(), tray);
        vt::AboutWindow* about_ptr = nullptr;
        // A link of the about window reports a failure in a box of its own.
        vt::AboutWindow about(instance, [&about_ptr](std::string_view address) {
            vt::OpenLink(address, about_ptr ? about_ptr->hwnd() : nullptr);
        });
        about_ptr = &about;
        window.SetAboutWindow(&about);
        // The skin engine draws the main window's controls, the about window's and those of every
        // message box they raise.
        window.SetSkinAttach([](HWND hwnd) { vt::SkinWindow(hwnd); });
        about.SetSkinAttach([](HWND hwnd) { vt::SkinWindow(hwnd); });
        vt::MainFrm frm(services, window);
        window.SetBehaviour(&frm);
        vt::StatusWindow status(instance, [&frm] { return frm.Snapshot(); });
        status.SetSkinAttach([](HWND hwnd) { vt::SkinWindow(hwnd); });
        window.SetStatusWindow(&status);

        vt::DdeCommandServer dde;
        dde.Start([&frm](const std::wstring& command) { frm.OnDdeExecute(vt::WideToUtf8(command)); });

        frm.OnLoad();

        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            if (status.PreTranslate(msg) || window.PreTranslate(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        exit_code = static_cast<int>(msg.wParam);
        dde.Stop();
        // A quit request that did not come through the tray menu leaves the windows standing: unload
        // them here, while the behaviour they report to still exists.
        if (IsWindow(window.hwnd())) DestroyWindow(window.hwnd());
        window.SetBehaviour(nullptr);
        window.SetStatusWindow(nullptr);
        window.SetTrayIcon(nullptr);
        status.Close();
        about.Destroy();
    }
    return exit_code;
}
