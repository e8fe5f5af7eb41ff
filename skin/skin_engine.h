#pragma once
// Engine-wide state of the skin engine and its five built-in surfaces. Windows only.
#ifdef _WIN32
#include <cstdint>

#include "skin/skin_primitives.h"

namespace vt {

struct SkinEngine {
    bool SkinReady = false;          // the one-time set-up has run
    bool HasUserTrackMouse = false;  // the windowing library exports TrackMouseEvent
    int32_t SkinnedCount = 0;        // windows currently skinned
    Surface ButtonSkin;              // 7 x 84
    Surface ComboSkin;               // 15 x 18
    Surface GlyphSkin;               // 18 x 24
    Surface ToggleSkin;              // 13 x 52
    Surface HeaderSkin;              // 9 x 20
};

// The one engine of the process (user-interface thread only).
SkinEngine& SkinEngineState();

// Creates the five surfaces in order and sets every pixel from the built-in images. A surface that cannot
// be made stays empty. Replaces surfaces built before.
void BuildSkinBitmaps();

// Releases the five surfaces, and the temporary surfaces pooled for the painters.
void ReleaseSkinBitmaps();

}  // namespace vt
#endif
