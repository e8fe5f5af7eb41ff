#include "skin/skin_vocabulary.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(SkinKindTable, ClassifiesEveryListedNameAfterLowerCasing) {
    for (const char* name : {"#32770", "ThunderFormDC", "ThunderRT6FormDC", "Form", "FORM"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::FormOrDialog) << name;
    }
    for (const char* name :
         {"ThunderCommandButton", "ThunderRT6CommandButton", "thunderrt6commandbutton", "Button"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::PushButton) << name;
    }
    for (const char* name : {"ThunderComboBox", "ThunderRT6ComboBox", "Combo", "ComboBox",
                             "ThunderDriveListBox", "ThunderRT6DriveListBox", "ThunderCheckBox",
                             "ThunderRT6CheckBox", "ThunderOptionButton", "ThunderRT6OptionButton"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::ComboOrToggle) << name;
    }
    for (const char* name : {"ProgressBar20WndClass", "ProgressBarWndClass"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::ProgressBar) << name;
    }
    for (const char* name : {"MSVB_Lib_Header", "SysHeader32"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::Header) << name;
    }
}

TEST(SkinKindTable, EverythingElseIsOtherWithNoWildcards) {
    for (const char* name :
         {"Edit", "Static", "ComboLBox", "DataListWndClass", "DBListWndClass", "ApexGrid", "ApexGridOleDB32",
          "msctls_progress32", "Buttons", "butto", "", "#32768", "Form ", "ThunderRT6TextBox"}) {
        EXPECT_EQ(ClassifyWindowClass(name), ControlKind::Other) << name;
    }
}

TEST(SkinKindTable, FinerNamesWithinKinds) {
    EXPECT_TRUE(IsCheckBoxClass("thunderrt6checkbox"));
    EXPECT_FALSE(IsCheckBoxClass("thunderrt6optionbutton"));
    EXPECT_TRUE(IsOptionButtonClass("thunderoptionbutton"));
    EXPECT_TRUE(IsComboBoxClass("combo"));
    EXPECT_FALSE(IsComboBoxClass("thunderdrivelistbox"));
    EXPECT_TRUE(IsDriveListClass("thunderrt6drivelistbox"));
    EXPECT_TRUE(IsDataListClass("dblistwndclass"));
    EXPECT_TRUE(IsGridClass("apexgrid"));
    EXPECT_TRUE(IsGridClass("apexgridoledb32"));
    EXPECT_FALSE(IsGridClass("apexgri"));
    EXPECT_EQ(LowerAscii("ThunderRT6CommandButton#32770"), "thunderrt6commandbutton#32770");
}

TEST(SkinVocabulary, PropertyNamesAreExact) {
    EXPECT_STREQ(kPropProcAddr, "PROCADDR");
    EXPECT_STREQ(kPropOldState, "OLDSTATE");
    EXPECT_STREQ(kPropOldStyle, "OLDSTYLE");
    EXPECT_STREQ(kPropAlphaLevel, "ALPHALEVEL");
    EXPECT_STREQ(kPropMouseFlag, "MOUSEFLAG");
    EXPECT_STREQ(kPropTimerId, "TIMERID");
    EXPECT_STREQ(kPropHmIndex, "HMINDEX");
    EXPECT_STREQ(kPropHdIndex, "HDINDEX");
    EXPECT_EQ(FaceSurfacePropertyName(0), "0HDC");
    EXPECT_EQ(FaceSurfacePropertyName(3), "3HDC");
    EXPECT_EQ(FaceBitmapPropertyName(2), "2BMP");
    // A push button's five surfaces: the faces in state order, then the fade picture.
    const auto surfaces = ButtonSurfaceProperties();
    EXPECT_EQ(surfaces[1].surface, "1HDC");
    EXPECT_EQ(surfaces[3].bitmap, "3BMP");
    EXPECT_EQ(surfaces[4].surface, "BLENDHDC");
    EXPECT_EQ(surfaces[4].bitmap, "BLENDBMP");
    EXPECT_EQ(kSkinNormal, 0);
    EXPECT_EQ(kSkinHover, 1);
    EXPECT_EQ(kSkinPressed, 2);
    EXPECT_EQ(kSkinDisabled, 3);
}

TEST(SkinVocabulary, OnlyPlainAndDefaultPushButtonsTakeTheFaces) {
    // Types 0 push, 1 default push; 2 check, 3 auto check, 4 radio, 5 three-state, 6 auto three-state,
    // 7 group box, 8 user button, 9 auto radio, 10 push box, 11 owner-drawn, higher split and link types.
    for (int32_t type = 0; type <= 15; ++type) {
        EXPECT_EQ(ButtonKeepsOwnPainting(type), type > 1) << type;
        // The other style bits (visible, child, tab stop, alignment) do not matter.
        EXPECT_EQ(ButtonKeepsOwnPainting(0x50010F00 | type), type > 1) << type;
    }
}

TEST(SkinWords, HalvesAreSigned16Bit) {
    EXPECT_EQ(LoWord(0xFFFF0005u), 5);
    EXPECT_EQ(HiWord(0xFFFF0005u), -1);
    EXPECT_EQ(LoWord(0x0000FFFEu), -2);
    EXPECT_EQ(HiWord(0x7FFF8000u), 32767);
    EXPECT_EQ(LoWord(0x7FFF8000u), -32768);
    EXPECT_EQ(HiWord(0u), 0);
}

}  // namespace
}  // namespace vt
