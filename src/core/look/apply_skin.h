// Applies the optional skin file "\x\o.cjs" to the main window.
#pragma once

#include "core/app/app.h"

namespace tarnwell {

inline constexpr wchar_t kSkinFile[] = L"\\x\\o.cjs";

// The system's button-face colour (system colour 15) as a back colour.
inline constexpr OleColour kButtonFaceColour = 0x8000000F;

// When the skin file is there as an ordinary file: turns the window and its
// frame and option buttons to the button face, then has the skinning
// component (app.skin, or one of its own) load the file and apply it to the
// window. Has no error trap: a failure passes to the start-up sequence, and
// what was done before it stays done.
void ApplySkin(App& app);

}  // namespace tarnwell
