#include "core/look/skin_framework.h"

#include "core/look/skin_file.h"
#include "core/port/run_error.h"

namespace tarnwell {

void SkinFramework::LoadSkin(const std::wstring& path, const std::wstring& options) {
  skin_.reset();
  if (!options.empty()) throw RunError(L"The skin component takes no load options.");
  const std::vector<std::uint8_t> bytes = machine_.ReadFileBytes(path, kMaxSkinFileBytes);
  skin_ = ParseSkin(bytes, path);
}

void SkinFramework::ApplyToMainWindow() {
  if (!skin_) throw RunError(L"No skin is loaded: load a skin file before applying it.");
  if (!enabled_) return;
  machine_.ApplySkinLook({*skin_, (flags_ & kSkinChildControls) != 0, push_buttons_});
}

}  // namespace tarnwell
