// The system's colours as the portable colour choice takes them.
#pragma once

#include <windows.h>

#include "core/look/window_colours.h"

namespace tarnwell {

// Every system colour, and whether high contrast is on, read now.
SystemColours ReadSystemColours();

inline COLORREF ToColorref(Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

}  // namespace tarnwell
