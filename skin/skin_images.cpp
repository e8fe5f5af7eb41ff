#include "skin/skin_images.h"

#include <algorithm>
#include <cmath>

namespace vt {

namespace {

struct Rgb {
    int r, g, b;
};

uint32_t Pack(Rgb c) { return PackRgb(c.r, c.g, c.b); }

// The colour a fraction t (0..1) of the way from a to b.
Rgb Mix(Rgb a, Rgb b, double t) {
    auto channel = [t](int from, int to) { return static_cast<int>(std::lround(from + (to - from) * t)); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// Row `row` of a gradient running from `first` at row `from` to `last` at row `to`.
Rgb Gradient(Rgb first, Rgb last, int from, int to, int row) {
    if (to == from) return first;
    return Mix(first, last, static_cast<double>(row - from) / (to - from));
}

void FillKey(SkinImage& image) {
    for (auto& pixel : image.pixels) pixel = kSkinKeyColour;
}

// Draws a shape's 'X' cells at (x0, y0), coloured per row.
template <size_t Rows, typename RowColour>
void DrawShape(SkinImage& image, const char* const (&shape)[Rows], int x0, int y0, RowColour row_colour) {
    for (int row = 0; row < static_cast<int>(Rows); ++row) {
        for (int col = 0; shape[row][col] != '\0'; ++col) {
            if (shape[row][col] == 'X') image.Set(x0 + col, y0 + row, Pack(row_colour(row)));
        }
    }
}

struct ButtonLook {
    Rgb frame;
    Rgb corner_top;
    Rgb corner_bottom;
    // Colour of interior row 1..19.
    Rgb (*interior)(int row);
};

Rgb NormalInterior(int row) {
    const Rgb white{255, 255, 255};
    if (row <= 2) return white;
    if (row == 19) return {204, 224, 241};
    return Gradient(white, {176, 207, 233}, 2, 18, row);
}

Rgb HoverInterior(int row) {
    if (row == 1) return {76, 195, 251};
    if (row == 19) return {63, 187, 248};
    return Gradient({198, 237, 255}, {153, 210, 243}, 2, 18, row);
}

Rgb PressedInterior(int row) {
    if (row == 1) return {57, 188, 251};
    if (row == 19) return {64, 193, 253};
    return Gradient({134, 204, 243}, {214, 239, 252}, 2, 18, row);
}

Rgb DisabledInterior(int row) { return Gradient({248, 251, 253}, {209, 227, 242}, 1, 19, row); }

// One 7 x 21 face at (0, y0): a one-pixel frame whose corners soften over three pixels towards the
// near-white corner colour, and the interior rows.
void DrawButtonFace(SkinImage& image, int y0, const ButtonLook& look) {
    constexpr int kW = 7, kH = 21;
    for (int row = 0; row < kH; ++row) {
        for (int col = 0; col < kW; ++col) {
            const bool on_frame = row == 0 || row == kH - 1 || col == 0 || col == kW - 1;
            const bool upper = row < kH / 2;
            const Rgb corner = upper ? look.corner_top : look.corner_bottom;
            Rgb colour;
            if (on_frame) {
                // Distance along the frame to the nearest corner.
                int distance =
                    (row == 0 || row == kH - 1) ? std::min(col, kW - 1 - col) : std::min(row, kH - 1 - row);
                static constexpr double kFade[3] = {0.0, 0.45, 0.8};
                colour = distance >= 3 ? look.frame : Mix(corner, look.frame, kFade[distance]);
            } else {
                colour = look.interior(row);
                const bool inner_corner = (col == 1 || col == kW - 2) && (row == 1 || row == kH - 2);
                if (inner_corner) colour = Mix(colour, look.frame, 0.3);
            }
            image.Set(col, y0 + row, Pack(colour));
        }
    }
}

bool InShape(const char* const* shape, int rows, int cols, int row, int col) {
    return row >= 0 && row < rows && col >= 0 && col < cols && shape[row][col] == 'X';
}

// One 13 x 13 circle at (0, y0): magenta outside, the ring on the shape's outline, the fill inside.
void DrawCircle(SkinImage& image, int y0, Rgb ring, Rgb fill_top, Rgb fill_bottom) {
    constexpr int kSize = 13;
    for (int row = 0; row < kSize; ++row) {
        for (int col = 0; col < kSize; ++col) {
            uint32_t colour = kSkinKeyColour;
            if (InShape(kOptionCircleShape, kSize, kSize, row, col)) {
                const bool outline = !InShape(kOptionCircleShape, kSize, kSize, row - 1, col) ||
                                     !InShape(kOptionCircleShape, kSize, kSize, row + 1, col) ||
                                     !InShape(kOptionCircleShape, kSize, kSize, row, col - 1) ||
                                     !InShape(kOptionCircleShape, kSize, kSize, row, col + 1);
                colour = Pack(outline ? ring : Gradient(fill_top, fill_bottom, 1, kSize - 2, row));
            }
            image.Set(col, y0 + row, colour);
        }
    }
}

}  // namespace

const char* const kArrowShape[4] = {"XXXXXXX", ".XXXXX.", "..XXX..", "...X..."};
const char* const kCheckMarkShape[8] = {"........X", ".......XX", "......XXX", "XX...XXX.",
                                        "XXX.XXX..", ".XXXXX...", "..XXX....", "...X....."};
const char* const kOptionDotShape[5] = {".XXX.", "XXXXX", "XXXXX", "XXXXX", ".XXX."};
const char* const kOptionCircleShape[13] = {
    "...XXXXXXX...", "..XXXXXXXXX..", ".XXXXXXXXXXX.", "XXXXXXXXXXXXX", "XXXXXXXXXXXXX",
    "XXXXXXXXXXXXX", "XXXXXXXXXXXXX", "XXXXXXXXXXXXX", "XXXXXXXXXXXXX", "XXXXXXXXXXXXX",
    ".XXXXXXXXXXX.", "..XXXXXXXXX..", "...XXXXXXX...",
};

SkinImage MakeButtonSkinImage() {
    SkinImage image(7, 84);
    const Rgb frame{27, 143, 213};
    const Rgb top{191, 225, 249}, bottom{202, 231, 251};
    DrawButtonFace(image, 0, {frame, top, bottom, NormalInterior});
    DrawButtonFace(image, 21, {frame, top, bottom, HoverInterior});
    DrawButtonFace(image, 42, {frame, top, bottom, PressedInterior});
    const Rgb pale_corner{242, 247, 251};
    DrawButtonFace(image, 63, {{135, 195, 232}, pale_corner, pale_corner, DisabledInterior});
    return image;
}

SkinImage MakeComboSkinImage() {
    SkinImage image(15, 18);
    FillKey(image);
    const Rgb frame{78, 160, 209};
    for (int row = 0; row < 18; ++row) {
        // Hover: pale columns and a darker middle, light at the top.
        const Rgb hover_pale = Gradient({232, 249, 255}, {192, 225, 243}, 0, 17, row);
        const Rgb hover_middle = Gradient({193, 238, 253}, {101, 184, 227}, 0, 17, row);
        // Pressed: the same the other way round, the middle darkest just below the top.
        const Rgb pressed_pale = Gradient({190, 225, 243}, {230, 248, 254}, 0, 17, row);
        const Rgb pressed_middle =
            row == 0 ? Rgb{140, 203, 236} : Gradient({97, 181, 226}, {196, 233, 250}, 1, 17, row);
        const Rgb columns[8] = {frame, hover_pale,   hover_middle,   hover_pale,
                                frame, pressed_pale, pressed_middle, pressed_pale};
        for (int col = 0; col < 8; ++col) image.Set(col, row, Pack(columns[col]));
    }
    DrawShape(image, kArrowShape, 8, 0, [](int) { return Rgb{25, 85, 95}; });
    DrawShape(image, kArrowShape, 8, 4, [](int) { return Rgb{132, 165, 172}; });
    return image;
}

SkinImage MakeGlyphSkinImage() {
    SkinImage image(18, 24);
    FillKey(image);
    DrawShape(image, kCheckMarkShape, 0, 0, [](int row) {
        return Gradient({72, 168, 20}, {62, 155, 10}, 0, 7, row);
    });
    DrawShape(image, kCheckMarkShape, 9, 0, [](int row) {
        return Gradient({163, 212, 137}, {155, 204, 129}, 0, 7, row);
    });
    for (int row = 0; row < 7; ++row) {
        const Rgb enabled = Gradient({81, 180, 27}, {64, 158, 12}, 0, 6, row);
        const Rgb disabled = Gradient({166, 217, 139}, {158, 206, 131}, 0, 6, row);
        for (int col = 0; col < 7; ++col) {
            image.Set(1 + col, 9 + row, Pack(enabled));
            image.Set(10 + col, 9 + row, Pack(disabled));
        }
    }
    DrawShape(image, kOptionDotShape, 2, 18, [](int row) {
        return Gradient({86, 185, 31}, {72, 168, 19}, 0, 4, row);
    });
    DrawShape(image, kOptionDotShape, 11, 18, [](int row) {
        return Gradient({171, 220, 144}, {163, 212, 136}, 0, 4, row);
    });
    return image;
}

SkinImage MakeToggleSkinImage() {
    SkinImage image(13, 52);
    const Rgb white{255, 255, 255};
    DrawCircle(image, 0, {134, 168, 211}, white, white);
    DrawCircle(image, 13, {134, 168, 211}, {222, 245, 253}, {170, 224, 244});
    DrawCircle(image, 26, {103, 139, 194}, {152, 216, 241}, {196, 236, 250});
    DrawCircle(image, 39, {194, 211, 233}, white, white);
    return image;
}

SkinImage MakeHeaderSkinImage() {
    SkinImage image(9, 20);
    for (int row = 0; row < 20; ++row) {
        const Rgb normal_face =
            row == 0 ? Rgb{234, 245, 254} : Gradient({228, 241, 252}, {211, 229, 246}, 1, 19, row);
        const Rgb pressed_face = Gradient({151, 215, 251}, {200, 242, 255}, 0, 19, row);
        const Rgb columns[9] = {normal_face,    normal_face,     {122, 176, 217},
                                {94, 194, 250}, {175, 225, 253}, {75, 162, 219},
                                {94, 194, 250}, pressed_face,    {75, 162, 219}};
        for (int col = 0; col < 9; ++col) image.Set(col, row, Pack(columns[col]));
    }
    return image;
}

TileRect ButtonFaceTile(int state) { return {0, 21 * state, 7, 21}; }
TileRect ComboBackgroundTile(int state) { return {state == 2 ? 4 : 0, 0, 4, 18}; }
TileRect ComboArrowTile(bool enabled) { return {8, enabled ? 0 : 4, 7, 4}; }
TileRect CheckMarkTile(bool enabled) { return {enabled ? 0 : 9, 0, 9, 8}; }
TileRect GreyMarkTile(bool enabled) { return {enabled ? 1 : 10, 9, 7, 7}; }
TileRect OptionDotTile(bool enabled) { return {enabled ? 2 : 11, 18, 5, 5}; }
TileRect ToggleCircleTile(int state) { return {0, 13 * state, 13, 13}; }
TileRect HeaderItemTile(int state) { return {state == 1 ? 3 : state == 2 ? 6 : 0, 0, 3, 20}; }

}  // namespace vt
