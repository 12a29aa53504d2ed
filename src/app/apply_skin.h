// Applies the optional skin file "\x\o.cjs" to the main window.
#pragma once

#include "app/app.h"

namespace tarnwell {

inline constexpr wchar_t kSkinFile[] = L"\\x\\o.cjs";

// Has no error trap: a failure passes to the start-up sequence.
void ApplySkin(App& app);

}  // namespace tarnwell
