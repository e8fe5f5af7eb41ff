#include "skin/skin_vocabulary.h"

#include <algorithm>
#include <array>

namespace vt {

namespace {

template <size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

constexpr std::array<std::string_view, 4> kFormNames{"#32770", "thunderformdc", "thunderrt6formdc", "form"};
constexpr std::array<std::string_view, 3> kPushButtonNames{"thundercommandbutton", "thunderrt6commandbutton",
                                                           "button"};
constexpr std::array<std::string_view, 4> kComboNames{"thundercombobox", "thunderrt6combobox", "combo",
                                                      "combobox"};
constexpr std::array<std::string_view, 2> kDriveListNames{"thunderdrivelistbox", "thunderrt6drivelistbox"};
constexpr std::array<std::string_view, 2> kCheckBoxNames{"thundercheckbox", "thunderrt6checkbox"};
constexpr std::array<std::string_view, 2> kOptionButtonNames{"thunderoptionbutton", "thunderrt6optionbutton"};
constexpr std::array<std::string_view, 2> kProgressNames{"progressbar20wndclass", "progressbarwndclass"};
constexpr std::array<std::string_view, 2> kHeaderNames{"msvb_lib_header", "sysheader32"};
constexpr std::array<std::string_view, 2> kDataListNames{"datalistwndclass", "dblistwndclass"};

}  // namespace

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsCheckBoxClass(std::string_view lower_class) { return IsOneOf(lower_class, kCheckBoxNames); }
bool IsOptionButtonClass(std::string_view lower_class) { return IsOneOf(lower_class, kOptionButtonNames); }
bool IsComboBoxClass(std::string_view lower_class) { return IsOneOf(lower_class, kComboNames); }
bool IsDriveListClass(std::string_view lower_class) { return IsOneOf(lower_class, kDriveListNames); }
bool IsDataListClass(std::string_view lower_class) { return IsOneOf(lower_class, kDataListNames); }
bool IsGridClass(std::string_view lower_class) { return lower_class.starts_with("apexgrid"); }

ControlKind ClassifyWindowClass(std::string_view class_name) {
    const std::string name = LowerAscii(class_name);
    if (IsOneOf(name, kFormNames)) return ControlKind::FormOrDialog;
    if (IsOneOf(name, kPushButtonNames)) return ControlKind::PushButton;
    if (IsComboBoxClass(name) || IsDriveListClass(name) || IsCheckBoxClass(name) ||
        IsOptionButtonClass(name)) {
        return ControlKind::ComboOrToggle;
    }
    if (IsOneOf(name, kProgressNames)) return ControlKind::ProgressBar;
    if (IsOneOf(name, kHeaderNames)) return ControlKind::Header;
    return ControlKind::Other;
}

std::string FaceSurfacePropertyName(int state) { return std::to_string(state) + "HDC"; }
std::string FaceBitmapPropertyName(int state) { return std::to_string(state) + "BMP"; }

std::array<ButtonSurfaceNames, 5> ButtonSurfaceProperties() {
    std::array<ButtonSurfaceNames, 5> names;
    for (int state = 0; state < 4; ++state)
        names[state] = {FaceSurfacePropertyName(state), FaceBitmapPropertyName(state)};
    names[4] = {kPropBlendSurface, kPropBlendBitmap};
    return names;
}

}  // namespace vt
