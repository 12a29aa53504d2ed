// The skinning component that sits on the main window, SkinFramework1.
//
// Callers know its operations by dispatch identifier; each operation below
// names its own. What they mean in this program:
//   2   LoadSkin(path, options): reads and checks a skin file (skin_file.h);
//       `options` is reserved and must be empty. A file that cannot be used
//       is rejected with an error, and no skin is loaded after that.
//   1   option flags, a 32-bit integer, 0 at first. Bit 0: skin the frame and
//       the option buttons too, not only the window's own surface. The other
//       bits are reserved and kept as written.
//   5   switch: skinning enabled, off at first. While it is off, applying
//       changes nothing.
//   10  switch: skin the push buttons too, off at first.
//   3   ApplyToMainWindow(): gives the main window the loaded skin's look,
//       as the flags and switches say. Fails when no skin is loaded.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwell {

class SkinComponent {
 public:
  virtual ~SkinComponent() = default;

  virtual void LoadSkin(const std::wstring& path, const std::wstring& options) = 0;  // 2
  virtual std::int32_t OptionFlags() = 0;                                           // 1
  virtual void SetOptionFlags(std::int32_t flags) = 0;                              // 1
  virtual void SetSkinEnabled(bool on) = 0;                                         // 5
  virtual void SetSkinPushButtons(bool on) = 0;                                     // 10
  virtual void ApplyToMainWindow() = 0;                                             // 3
};

inline constexpr std::int32_t kSkinChildControls = 0x1;  // option flags, bit 0

}  // namespace tarnwell
