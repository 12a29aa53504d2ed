#include "app/apply_skin.h"

namespace tarnwell {

// Skins are not supported yet: the window keeps its design look.
void ApplySkin(App&) {}

}  // namespace tarnwell
