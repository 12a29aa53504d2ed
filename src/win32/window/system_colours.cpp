#include "win32/window/system_colours.h"

namespace tarnwell {

SystemColours ReadSystemColours() {
  SystemColours system;
  for (int index = 0; index < system_colour::kCount; ++index) {
    const COLORREF colour = GetSysColor(index);
    system.colours[static_cast<std::size_t>(index)] = {GetRValue(colour), GetGValue(colour),
                                                       GetBValue(colour)};
  }
  HIGHCONTRASTW high_contrast{sizeof(high_contrast)};
  system.high_contrast =
      SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(high_contrast), &high_contrast, 0) &&
      (high_contrast.dwFlags & HCF_HIGHCONTRASTON);
  return system;
}

}  // namespace tarnwell
