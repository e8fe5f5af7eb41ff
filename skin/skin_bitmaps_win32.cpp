#include "skin/skin_engine.h"
#include "skin/skin_images.h"

namespace vt {

namespace {

Surface BuildSurface(const SkinImage& image) { return CreateSurface(image.width, image.height); }

void PaintPixels(const Surface& surface, const SkinImage& image) {
    if (!surface) return;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) SetPixel(surface.dc(), x, y, image.At(x, y));
    }
}

}  // namespace

SkinEngine& SkinEngineState() {
    static SkinEngine engine;
    return engine;
}

void BuildSkinBitmaps() {
    SkinEngine& engine = SkinEngineState();
    const SkinImage button = MakeButtonSkinImage();
    const SkinImage combo = MakeComboSkinImage();
    const SkinImage glyph = MakeGlyphSkinImage();
    const SkinImage toggle = MakeToggleSkinImage();
    const SkinImage header = MakeHeaderSkinImage();
    engine.ButtonSkin = BuildSurface(button);
    engine.ComboSkin = BuildSurface(combo);
    engine.GlyphSkin = BuildSurface(glyph);
    engine.ToggleSkin = BuildSurface(toggle);
    engine.HeaderSkin = BuildSurface(header);
    PaintPixels(engine.ButtonSkin, button);
    PaintPixels(engine.ComboSkin, combo);
    PaintPixels(engine.GlyphSkin, glyph);
    PaintPixels(engine.ToggleSkin, toggle);
    PaintPixels(engine.HeaderSkin, header);
}

void ReleaseSkinBitmaps() {
    SkinEngine& engine = SkinEngineState();
    engine.ButtonSkin.reset();
    engine.ComboSkin.reset();
    engine.GlyphSkin.reset();
    engine.ToggleSkin.reset();
    engine.HeaderSkin.reset();
    ReleaseScratchSurfaces();
}

}  // namespace vt
