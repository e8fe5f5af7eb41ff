#pragma once
// The skin engine's shared vocabulary: control kinds by window class, face states, the window property
// names under which every skinned window carries its state, and the 16-bit halves of a message value.
// These names are a contract with every piece of the engine; keep them exactly.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

enum class ControlKind { FormOrDialog, PushButton, ComboOrToggle, ProgressBar, Header, Other };

// Face state of a control, kept in the "OLDSTATE" property.
enum SkinState : int32_t { kSkinNormal = 0, kSkinHover = 1, kSkinPressed = 2, kSkinDisabled = 3 };

// ASCII lower-casing, as class names are compared.
std::string LowerAscii(std::string_view text);

// Classifies a window class name: lower-cased first, then matched exactly against the kind lists in
// table order; no match is ControlKind::Other.
ControlKind ClassifyWindowClass(std::string_view class_name);

// Finer names inside a kind, all taking an already lower-cased class name.
bool IsCheckBoxClass(std::string_view lower_class);      // "thundercheckbox", "thunderrt6checkbox"
bool IsOptionButtonClass(std::string_view lower_class);  // "thunderoptionbutton", "thunderrt6optionbutton"
bool IsComboBoxClass(std::string_view lower_class);      // the four combo box names
bool IsDriveListClass(std::string_view lower_class);     // the two drive list names
bool IsDataListClass(std::string_view lower_class);      // "datalistwndclass", "dblistwndclass"
bool IsGridClass(std::string_view lower_class);          // "apexgrid" followed by anything

// Whether a "button" window of this style keeps its own painting: every button type but the plain and the
// default push button (check boxes, radio buttons of every kind, group boxes, user and owner-drawn
// buttons). Only the two push button types are made owner-drawn and get the skin's faces.
constexpr bool ButtonKeepsOwnPainting(int32_t style) { return (style & 0xE) != 0; }

// Window property names (ANSI, exact).
inline constexpr char kPropProcAddr[] = "PROCADDR";
inline constexpr char kPropOldState[] = "OLDSTATE";
inline constexpr char kPropOldStyle[] = "OLDSTYLE";
inline constexpr char kPropAlphaLevel[] = "ALPHALEVEL";
inline constexpr char kPropMouseFlag[] = "MOUSEFLAG";
inline constexpr char kPropTimerId[] = "TIMERID";
inline constexpr char kPropHmIndex[] = "HMINDEX";
inline constexpr char kPropHdIndex[] = "HDINDEX";

// The face surface and face bitmap property of a push button state 0 to 3: "0HDC" ... "3BMP".
std::string FaceSurfacePropertyName(int state);
std::string FaceBitmapPropertyName(int state);

// A push button's fade picture: what the button shows while a fade runs (the faces blended so far), a
// surface of the button's size beside the four faces, made and released with them. A paint during a fade
// shows it, so that a repaint the control asks for itself keeps the fade where it is.
inline constexpr char kPropBlendSurface[] = "BLENDHDC";
inline constexpr char kPropBlendBitmap[] = "BLENDBMP";

// The property names of a push button's five surfaces, the faces 0 to 3 and then the fade picture.
struct ButtonSurfaceNames {
    std::string surface;
    std::string bitmap;
};
std::array<ButtonSurfaceNames, 5> ButtonSurfaceProperties();

// Bits 0-15 and 16-31 of a 32-bit value, each read as a signed 16-bit number (mouse x and y).
constexpr int16_t LoWord(uint32_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFFu));
}
constexpr int16_t HiWord(uint32_t value) { return static_cast<int16_t>(static_cast<uint16_t>(value >> 16)); }

}  // namespace vt
