// The skin file "\x\o.cjs": a small UTF-8 text of colour settings.
//
//   # Slate: a dark window with light text.
//   window.face = #2B2F36
//   window.text = #E8EAED
//
// One `key = value` per line; blanks and tabs around key and value are
// ignored; a line whose first visible character is "#" is a comment; blank
// lines are ignored; lines end with LF or CR LF; a UTF-8 byte order mark may
// open the file. Every value is a colour "#RRGGBB" (hexadecimal, either case).
// Keys are lower case and every one of them is required, so that a skin
// never leaves part of the window in a colour nobody chose:
//   window.face  window.text    the window's surface and text
//   frame.face   frame.text     the frame
//   option.face  option.text    the option buttons
//   button.face  button.text    the push buttons
//   button.hover                a push button's face under the pointer
//   button.disabled             a disabled push button's text
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/port/machine.h"

namespace tarnwell {

inline constexpr std::size_t kMaxSkinFileBytes = 64 * 1024;
inline constexpr std::size_t kMaxSkinLineBytes = 1024;  // without the line break

// The colours of a skin file's bytes. Throws RunError saying what is wrong
// and where, e.g. `"C:\App\x\o.cjs", line 3: unknown key "buton.face"`.
// `file_name` is used only in that description.
SkinColours ParseSkin(std::span<const std::uint8_t> bytes, const std::wstring& file_name);

}  // namespace tarnwell
