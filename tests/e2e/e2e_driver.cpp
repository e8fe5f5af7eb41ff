// A small command-line driver for scripts that show the running program to people (the README's
// screenshots): each command does one thing a subscriber would do and prints where to look.
//   e2e_driver install            install the program and the simulated line into the prefix
//   e2e_driver wait               wait for the main window and its load sequence; print its rectangle
//   e2e_driver menu               open the tray menu as the shell's right-button callback does
//   e2e_driver submenu            open the menu and its first sub-menu; print the menu's rectangle
//   e2e_driver about              open the about window from the tray menu; print its rectangle
//   e2e_driver hover X Y          move the pointer to client point (X, Y) of the main window
//   e2e_driver press X Y          press (and hold) the left button at client point (X, Y)
//   e2e_driver release            release the left button
//   e2e_driver pointer X Y        move the pointer to screen point (X, Y)
//   e2e_driver type ACCOUNT PASS  type an account and a password into the boxes
//   e2e_driver click              press the connect button
//   e2e_driver close-menus        close any open menu
//   e2e_driver msgbox             click connect with the pointer, boxes empty; print the message box's
//                                 rectangle
//   e2e_driver close-msgbox       answer the message box
//   e2e_driver cable in|out       put the cable of the simulated line's wired adapter back, or pull it
// Rectangles are printed as "x y width height" in screen pixels.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

using namespace vt::e2e;

void PrintRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

HWND MainOrFail() {
    HWND window = FindMainWindow();
    if (!window) std::fprintf(stderr, "no main window\n");
    return window;
}

void PointerTo(HWND main, int x, int y) {
    POINT pt = {x, y};
    ClientToScreen(main, &pt);
    MouseTo(pt.x, pt.y);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring command = argv[1];
    if (command == L"install") return InstallProgram() ? 0 : 1;
    if (command == L"cable" && argc >= 3 &&
        (std::wstring(argv[2]) == L"in" || std::wstring(argv[2]) == L"out"))
        return vt::line::SetCable(std::wstring(argv[2]) == L"in") ? 0 : 1;
    HWND main = MainOrFail();
    if (command == L"wait") {
        WaitUntil([&] { return (main = FindMainWindow()) != nullptr; }, 10000);
        if (!main) return 1;
        WaitUntil([] { return !ReadSettingRaw(L"ExeUrl").empty(); }, 10000);
        Sleep(300);
        PrintRect(main);
        return 0;
    }
    if (!main) return 1;
    if (command == L"menu" || command == L"submenu") {
        HWND menu = OpenTrayMenu(main);
        if (!menu) return 1;
        if (command == L"submenu") PressKeys(menu, {VK_DOWN, VK_RIGHT});
        PrintRect(menu);
        return 0;
    }
    if (command == L"about") {
        HWND menu = OpenTrayMenu(main);
        if (!menu) return 1;
        PressKeys(menu, {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN});
        HWND about = nullptr;
        WaitUntil(
            [&] { return (about = FindWindowW(L"Form", L"关于Veltrane ...")) && IsWindowVisible(about); },
            3000);
        if (!about) return 1;
        Sleep(300);
        PrintRect(about);
        return 0;
    }
    if ((command == L"hover" || command == L"press") && argc >= 4) {
        PointerTo(main, _wtoi(argv[2]), _wtoi(argv[3]));
        Sleep(100);
        if (command == L"press") MouseButton(MOUSEEVENTF_LEFTDOWN);
        Sleep(200);
        return 0;
    }
    if (command == L"pointer" && argc >= 4) {
        SetCursorPos(_wtoi(argv[2]), _wtoi(argv[3]));
        Sleep(100);
        return 0;
    }
    if (command == L"release") {
        MouseButton(MOUSEEVENTF_LEFTUP);
        return 0;
    }
    if (command == L"type" && argc >= 4) {
        HWND picture = GetDlgItem(main, kPicture1);
        SendMessageW(GetDlgItem(picture, kUserText), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));
        SendMessageW(GetDlgItem(picture, kPassText), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
        return 0;
    }
    if (command == L"click") {
        HWND picture = GetDlgItem(main, kPicture1);
        PostMessageW(GetDlgItem(picture, kBtnLog), BM_CLICK, 0, 0);
        Sleep(300);
        return 0;
    }
    if (command == L"msgbox") {
        // As a subscriber clicks: the pointer over the button, pressed and released there.
        PointerTo(main, 276, 236);
        Sleep(300);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        Sleep(150);
        MouseButton(MOUSEEVENTF_LEFTUP);
        HWND box = nullptr;
        WaitUntil([&] { return (box = FindWindowW(L"#32770", L"提示：")) && IsWindowVisible(box); }, 3000);
        if (!box) return 1;
        Sleep(300);
        PrintRect(box);
        return 0;
    }
    if (command == L"close-msgbox") {
        HWND box = FindWindowW(L"#32770", nullptr);
        if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
        Sleep(300);
        return 0;
    }
    if (command == L"close-menus") {
        while (HWND menu = FindWindowW(L"#32768", nullptr)) {
            if (!IsWindowVisible(menu)) break;
            PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(150);
        }
        return 0;
    }
    return 2;
}
