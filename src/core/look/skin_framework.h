// The skinning component as this program provides it: the skin file is read
// and parsed here, and applying hands the colours to the machine.
#pragma once

#include <optional>

#include "core/look/skin_component.h"
#include "core/port/machine.h"

namespace tarnwell {

class SkinFramework : public SkinComponent {
 public:
  explicit SkinFramework(Machine& machine) : machine_(machine) {}

  void LoadSkin(const std::wstring& path, const std::wstring& options) override;
  std::int32_t OptionFlags() override { return flags_; }
  void SetOptionFlags(std::int32_t flags) override { flags_ = flags; }
  void SetSkinEnabled(bool on) override { enabled_ = on; }
  void SetSkinPushButtons(bool on) override { push_buttons_ = on; }
  void ApplyToMainWindow() override;

 private:
  Machine& machine_;
  std::optional<SkinColours> skin_;
  std::int32_t flags_ = 0;
  bool enabled_ = false;
  bool push_buttons_ = false;
};

}  // namespace tarnwell
