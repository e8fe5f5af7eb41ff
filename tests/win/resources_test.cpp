// The program's resources, read from veltrane_res_probe.dll: a module linked from the same resource
// objects as Veltrane.exe, built beside this test program together with the adsl.ico copy.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "base/handles.h"
#include "res/resource.h"
#include "version.h"  // made from res/version.h.in in the build tree

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

std::wstring ProbePath() { return ProgramFolder() + L"veltrane_res_probe.dll"; }

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

struct Pixels {
    int width = 0, height = 0;
    std::vector<std::uint32_t> data;  // 0x00RRGGBB, top row first
    std::uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x] & 0xFFFFFF; }
};

// Reads any bitmap back as top-down 32-bit pixels.
Pixels ReadPixels(HBITMAP bitmap) {
    BITMAP bm = {};
    GetObjectW(bitmap, sizeof bm, &bm);
    Pixels px;
    px.width = bm.bmWidth;
    px.height = bm.bmHeight;
    px.data.resize(static_cast<size_t>(px.width) * px.height);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = px.width;
    bi.bmiHeader.biHeight = -px.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, px.height, px.data.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != px.height) px.data.clear();
    return px;
}

constexpr std::uint32_t Rgb(int r, int g, int b) { return (r << 16) | (g << 8) | b; }
int Red(std::uint32_t c) { return (c >> 16) & 0xFF; }
int Green(std::uint32_t c) { return (c >> 8) & 0xFF; }
int Blue(std::uint32_t c) { return c & 0xFF; }

class Resources : public testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryExW(ProbePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "error " << GetLastError();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    std::pair<const BYTE*, DWORD> Raw(const wchar_t* type, int id) const {
        HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
        if (!found) return {nullptr, 0};
        HGLOBAL loaded = LoadResource(module_, found);
        return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module_, found)};
    }

    Pixels Bitmap(int id) const {
        vt::UniqueBitmap bitmap(static_cast<HBITMAP>(
            LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (!bitmap) return {};
        return ReadPixels(bitmap.get());
    }

    int BitsPerPixel(int id) const {
        vt::UniqueBitmap bitmap(static_cast<HBITMAP>(
            LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        DIBSECTION dib = {};
        if (!bitmap || GetObjectW(bitmap.get(), sizeof dib, &dib) != sizeof dib) return 0;
        return dib.dsBmih.biBitCount;
    }

    HMODULE module_ = nullptr;
};

// The program's icon in the sizes of the shell's views and in three depths; the tray's state icons in the
// small-icon sizes of 100 to 200 %.
struct IconGroup {
    int id;
    std::set<int> sizes, depths;
};
void PrintTo(const IconGroup& group, std::ostream* out) { *out << "icon " << group.id; }
class IconGroups : public Resources, public testing::WithParamInterface<IconGroup> {};
INSTANTIATE_TEST_SUITE_P(Resources, IconGroups,
                         testing::Values(IconGroup{IDI_VELTRANE, {16, 32, 48}, {4, 8, 32}},
                                         IconGroup{IDI_TRAY_CONNECTED, {16, 20, 24, 32}, {32}},
                                         IconGroup{IDI_TRAY_DIALLING, {16, 20, 24, 32}, {32}},
                                         IconGroup{IDI_TRAY_DISCONNECTED, {16, 20, 24, 32}, {32}}),
                         [](const auto& row) { return "Icon" + std::to_string(row.param.id); });

TEST_P(IconGroups, HoldTheirSizesInTheirDepths) {
    const IconGroup& group = GetParam();
    const int count = static_cast<int>(group.sizes.size() * group.depths.size());
    auto [data, size] = Raw(MAKEINTRESOURCEW(14), group.id);  // RT_GROUP_ICON
    ASSERT_NE(data, nullptr);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    const auto* head = reinterpret_cast<const GroupIconHeader*>(data);
    EXPECT_EQ(head->type, 1);
    ASSERT_EQ(head->count, count);
    ASSERT_EQ(size, sizeof(GroupIconHeader) + count * sizeof(GroupIconEntry));
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(data + sizeof(GroupIconHeader));

    std::set<std::tuple<int, int>> seen;
    for (int k = 0; k < head->count; ++k) {
        const GroupIconEntry& e = entries[k];
        SCOPED_TRACE(testing::Message()
                     << "entry " << k << ": " << int(e.width) << " px, " << e.bit_count << " bpp");
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.colours, e.bit_count == 4 ? 16 : 0);
        seen.emplace(e.width, e.bit_count);

        // The image itself agrees with its directory entry and makes an icon of that size.
        auto [image, image_size] = Raw(MAKEINTRESOURCEW(3), e.id);  // RT_ICON
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image_size, e.bytes);
        const auto* bih = reinterpret_cast<const BITMAPINFOHEADER*>(image);
        EXPECT_EQ(bih->biWidth, e.width);
        EXPECT_EQ(bih->biHeight, 2 * e.width);
        EXPECT_EQ(bih->biBitCount, e.bit_count);
        vt::UniqueIcon icon(CreateIconFromResourceEx(const_cast<BYTE*>(image), image_size, TRUE, 0x00030000,
                                                     e.width, e.height, LR_DEFAULTCOLOR));
        ASSERT_TRUE(icon);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon.get(), &info));
        vt::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
        BITMAP bm = {};
        ASSERT_TRUE(colour);
        GetObjectW(colour.get(), sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, e.width);
        EXPECT_EQ(bm.bmHeight, e.width);
    }
    std::set<std::tuple<int, int>> wanted;
    for (int px : group.sizes)
        for (int bits : group.depths) wanted.emplace(px, bits);
    EXPECT_EQ(seen, wanted);

    // The system's own choice for each size finds an image of exactly that size.
    for (int px : group.sizes) {
        int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(data), TRUE, px, px, LR_DEFAULTCOLOR);
        auto it =
            std::find_if(entries, entries + count, [id](const GroupIconEntry& e) { return e.id == id; });
        ASSERT_NE(it, entries + count) << px;
        EXPECT_EQ(it->width, px);
    }
}

TEST_F(Resources, ShellTakesTheFirstIconGroupAsTheModulesIcon) {
    HICON large = nullptr, small = nullptr;
    ASSERT_EQ(ExtractIconExW(ProbePath().c_str(), -1, nullptr, nullptr, 0), 4u)
        << "its own and the tray's three";
    ASSERT_GT(ExtractIconExW(ProbePath().c_str(), 0, &large, &small, 1), 0u);
    vt::UniqueIcon large_icon(large), small_icon(small);
    EXPECT_TRUE(large_icon);
    EXPECT_TRUE(small_icon);
}

TEST_F(Resources, SmallIconIsARoundBlueMotifWithTransparentCorners) {
    vt::UniqueIcon icon(
        static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(IDI_VELTRANE), IMAGE_ICON, 16, 16, 0)));
    ASSERT_TRUE(icon);
    // Draw it over magenta: what stays magenta is transparent.
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    vt::UniqueBitmap surface(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    vt::UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(surface && dc);
    HGDIOBJ old = SelectObject(dc.get(), surface.get());
    auto* px = static_cast<std::uint32_t*>(bits);
    std::fill(px, px + 256, Rgb(255, 0, 255));
    ASSERT_TRUE(DrawIconEx(dc.get(), 0, 0, icon.get(), 16, 16, 0, nullptr, DI_NORMAL));
    GdiFlush();
    auto at = [&](int x, int y) { return px[y * 16 + x] & 0xFFFFFF; };
    for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) EXPECT_EQ(at(x, y), Rgb(255, 0, 255));
    int blue = 0;
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x) {
            std::uint32_t c = at(x, y);
            EXPECT_NE(c, Rgb(255, 0, 255)) << x << "," << y;
            if (Blue(c) > Red(c) + 40) ++blue;
        }
    EXPECT_GT(blue, 20);
    SelectObject(dc.get(), old);
}

TEST_F(Resources, BitmapsHaveTheirSizesAndDepths) {
    Pixels bg = Bitmap(IDB_BACKGROUND);
    EXPECT_EQ(bg.width, 340);
    EXPECT_EQ(bg.height, 300);
    EXPECT_EQ(BitsPerPixel(IDB_BACKGROUND), 24);  // opaque: no alpha byte to store
    for (int id : {IDB_MINI, IDB_MININOR, IDB_MINIMOVE, IDB_MINIDOWN, IDB_CLOSE1, IDB_CLOSENOR, IDB_CLOSEMOVE,
                   IDB_CLOSEDOWN}) {
        Pixels pic = Bitmap(id);
        EXPECT_EQ(pic.width, 24) << id;
        EXPECT_EQ(pic.height, 20) << id;
        EXPECT_EQ(BitsPerPixel(id), 24) << id;
    }
}

TEST_F(Resources, BackgroundLeavesRoomForTheControls) {
    Pixels bg = Bitmap(IDB_BACKGROUND);
    ASSERT_EQ(bg.data.size(), 340u * 300u);
    // Text boxes and their captions sit on plain white.
    for (int y = 120; y < 200; ++y)
        for (int x = 20; x < 330; ++x) ASSERT_EQ(bg.at(x, y), Rgb(255, 255, 255)) << x << "," << y;
    // The band under the check boxes and the connect button has the check boxes' back colour
    // (COLORREF 0xFAF2EA), down to the client area's bottom.
    for (int y = 220; y < 263; ++y)
        for (int x = 0; x < 340; ++x) ASSERT_EQ(bg.at(x, y), Rgb(0xEA, 0xF2, 0xFA)) << x << "," << y;
    // The status text is white on the blue strip: every pixel behind it is dark and blue enough.
    for (int y = 10; y < 36; ++y)
        for (int x = 113; x < 235; ++x) {
            std::uint32_t c = bg.at(x, y);
            ASSERT_LT(Red(c) * 3 + Green(c) * 6 + Blue(c), 150 * 10) << x << "," << y;
            ASSERT_GT(Blue(c), Red(c) + 60) << x << "," << y;
        }
}

TEST_F(Resources, TitleStripCarriesTheIconAndTheName) {
    Pixels bg = Bitmap(IDB_BACKGROUND);
    ASSERT_EQ(bg.data.size(), 340u * 300u);
    const std::uint32_t strip = bg.at(2, 2);
    auto white_in = [&](int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (Red(bg.at(x, y)) > 240 && Green(bg.at(x, y)) > 240 && Blue(bg.at(x, y)) > 240) ++n;
        return n;
    };
    EXPECT_GT(white_in(28, 112, 4, 28), 60) << "the name in white after the icon";
    EXPECT_EQ(white_in(112, 340, 0, 31), 0) << "nothing white where the status text and buttons go";
    int icon_pixels = 0;
    for (int y = 8; y < 24; ++y)
        for (int x = 8; x < 24; ++x) icon_pixels += bg.at(x, y) != strip;
    EXPECT_GT(icon_pixels, 150);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 28; ++x) ASSERT_EQ(bg.at(x, y), strip) << x << "," << y;
}

TEST_F(Resources, TitleButtonPicturesMatchTheStrip) {
    Pixels bg = Bitmap(IDB_BACKGROUND);
    ASSERT_EQ(bg.data.size(), 340u * 300u);
    struct Button {
        int x, normal, design, hover, pressed;
    };
    // The buttons sit at x 283 (minimise) and 312 (close), y 8.
    for (Button b : {Button{283, IDB_MININOR, IDB_MINI, IDB_MINIMOVE, IDB_MINIDOWN},
                     Button{312, IDB_CLOSENOR, IDB_CLOSE1, IDB_CLOSEMOVE, IDB_CLOSEDOWN}}) {
        SCOPED_TRACE(b.normal);
        Pixels normal = Bitmap(b.normal), design = Bitmap(b.design), hover = Bitmap(b.hover),
               pressed = Bitmap(b.pressed);
        ASSERT_EQ(normal.data.size(), 24u * 20u);
        ASSERT_EQ(hover.data.size(), 24u * 20u);
        ASSERT_EQ(pressed.data.size(), 24u * 20u);
        EXPECT_EQ(normal.data, design.data);
        // Normal: the strip's blue everywhere but the light glyph, so the picture blends in.
        int glyph = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 24; ++x) {
                std::uint32_t c = normal.at(x, y);
                if (c != bg.at(b.x + x, 8 + y)) {
                    ++glyph;
                    EXPECT_GT(Red(c), Red(bg.at(b.x + x, 8 + y))) << x << "," << y;
                }
            }
        EXPECT_GT(glyph, 10);
        EXPECT_LT(glyph, 80);
        // Hover and pressed have soft corners (the corner pixel is still the strip) and a filled frame
        // that is lighter (hover) or darker (pressed) than the strip.
        for (const Pixels* p : {&hover, &pressed}) {
            EXPECT_EQ(p->at(0, 0), bg.at(b.x, 8));
            EXPECT_EQ(p->at(23, 19), bg.at(b.x + 23, 27));
        }
        auto level = [](std::uint32_t c) { return Red(c) + Green(c) + Blue(c); };
        EXPECT_GT(level(hover.at(3, 4)), level(bg.at(b.x + 3, 12)) + 60);
        EXPECT_LT(level(pressed.at(3, 16)), level(bg.at(b.x + 3, 24)) - 60);
        EXPECT_NE(hover.data, pressed.data);
    }
}

// The application manifest of a module (resource 1 of type RT_MANIFEST); empty when it has none.
std::string ManifestOf(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    return std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
}

// One manifest, linked by one rule: Veltrane.exe (in the folder above the tests) carries the very one this
// test program carries, asking for the common controls 6, no execution level, no DPI awareness (the system
// scales the window) and GDI scaling (its text and lines drawn at the display's resolution, Windows 10 1703
// and later).
TEST(Manifest, TheProgramAndTheTestsCarryTheSameOne) {
    const std::string own = ManifestOf(GetModuleHandleW(nullptr));
    ASSERT_FALSE(own.empty());
    HMODULE exe =
        LoadLibraryExW((ProgramFolder() + L"..\\Veltrane.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr) << "error " << GetLastError();
    EXPECT_EQ(ManifestOf(exe), own);
    FreeLibrary(exe);
    auto compact = own;
    compact.erase(
        std::remove_if(compact.begin(), compact.end(), [](char c) { return c == ' ' || c == '\n'; }),
        compact.end());
    EXPECT_NE(compact.find("name=\"Microsoft.Windows.Common-Controls\"version=\"6.0.0.0\""),
              std::string::npos);
    // No execution level at all: any level turns off the system's per-user redirection of writes into
    // the Windows folder, where the settings file lives.
    EXPECT_EQ(own.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(own.find("trustInfo"), std::string::npos);
    EXPECT_NE(compact.find(">false</dpiAware>"), std::string::npos);
    EXPECT_NE(compact.find("<gdiScalingxmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true"),
              std::string::npos);
}

std::wstring VersionString(const std::vector<BYTE>& block, const std::wstring& path) {
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &len) || !value || len == 0) return L"<none>";
    std::wstring s(static_cast<const wchar_t*>(value), len);
    while (!s.empty() && s.back() == L'\0') s.pop_back();
    return s;
}

TEST_F(Resources, VersionRecordNamesTheProductInChinese) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(ProbePath().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(ProbePath().c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    // The project's version, major.minor.patch.0.
    const DWORD ms = (VELTRANE_VERSION_MAJOR << 16) | VELTRANE_VERSION_MINOR,
                ls = VELTRANE_VERSION_PATCH << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    ASSERT_EQ(len, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 1200);

    const std::wstring base = L"\\StringFileInfo\\080404b0\\";
    EXPECT_EQ(VersionString(block, base + L"ProductName"), L"Veltrane");
    EXPECT_EQ(VersionString(block, base + L"FileDescription"),
              L"Veltrane \u5bbd\u5e26\u62e8\u53f7");  // 宽带拨号
    const std::string text = VELTRANE_VERSION_TEXT;
    EXPECT_EQ(VersionString(block, base + L"FileVersion"), std::wstring(text.begin(), text.end()));
    EXPECT_EQ(VersionString(block, base + L"ProductVersion"), std::wstring(text.begin(), text.end()));
    EXPECT_EQ(VersionString(block, base + L"CompanyName"), L"Veltrane \u9879\u76ee\u7ec4");  // 项目组
}

// adsl.ico carries an image of its own for each small-icon size from 100 to 200 %, 32 bits per pixel.
TEST(TrayIconFile, CarriesTheSmallIconSizesOfEveryScale) {
    std::wstring wide = ProgramFolder() + L"adsl.ico";
    std::ifstream file(std::string(wide.begin(), wide.end()),
                       std::ios::binary);  // the build folders are ASCII
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), sizeof(GroupIconHeader));
    const auto* head = reinterpret_cast<const GroupIconHeader*>(bytes.data());
    ASSERT_EQ(head->count, 4);
    ASSERT_GE(bytes.size(), 6u + 16u * head->count);
    std::set<int> sizes;
    for (int k = 0; k < head->count; ++k) {
        const BYTE* entry = bytes.data() + 6 + 16 * k;  // width, height, colours, reserved, planes, bits...
        EXPECT_EQ(entry[0], entry[1]);
        EXPECT_EQ(entry[6], 32);
        sizes.insert(entry[0]);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32}));
}

}  // namespace
