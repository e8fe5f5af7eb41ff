#pragma once
// How SkinWndProc hands a message to the behaviour of the window's kind. Each kind's behaviour lives in
// its own file; a handler that does not consume a message passes it on to the saved procedure itself.
// Windows only; included by the skin engine's own sources.
#ifdef _WIN32
#include <windows.h>

#include <string>

#include "skin/skin_vocabulary.h"

namespace vt {

struct SkinMessage {
    WNDPROC previous;  // the procedure saved in "PROCADDR"
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
    ControlKind kind;
    std::string lower_class;  // the window's class name, lower-cased

    LRESULT PassOn() const { return CallWindowProcW(previous, window, message, wparam, lparam); }
};

LRESULT HandlePushButtonMessage(const SkinMessage& msg);  // skin_button_win32.cpp
LRESULT HandleToggleMessage(const SkinMessage& msg);      // skin_toggle_win32.cpp (check box, option button)
LRESULT HandleComboMessage(const SkinMessage& msg);       // skin_combo_win32.cpp (combo, drive list, list)
LRESULT HandleProgressMessage(const SkinMessage& msg);    // skin_progress_win32.cpp
LRESULT HandleHeaderMessage(const SkinMessage& msg);      // skin_header_win32.cpp
LRESULT HandleFrameMessage(const SkinMessage& msg);       // skin_frame_win32.cpp (forms, dialogs, others)

// WM_ACTIVATE of any skinned window: spreads the skin to the window taking part in the exchange.
LRESULT HandleActivateMessage(const SkinMessage& msg);  // skin_frame_win32.cpp

// After the platform drew a sunken client edge (WS_EX_CLIENTEDGE), paints it over flat: a one-pixel
// frame in the skin's frame colour and the rest of the edge in the client's background colour.
void PaintFlatEdge(HWND window);  // skin_frame_win32.cpp

}  // namespace vt
#endif
