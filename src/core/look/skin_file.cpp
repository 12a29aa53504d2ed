#include "core/look/skin_file.h"

#include <array>
#include <string_view>

#include "core/port/run_error.h"
#include "core/texts/text.h"

namespace tarnwell {

namespace {

struct SkinKey {
  std::string_view name;
  Rgb SkinColours::*colour;
};

constexpr std::array<SkinKey, 10> kKeys = {{
    {"window.face", &SkinColours::window_face},
    {"window.text", &SkinColours::window_text},
    {"frame.face", &SkinColours::frame_face},
    {"frame.text", &SkinColours::frame_text},
    {"option.face", &SkinColours::option_face},
    {"option.text", &SkinColours::option_text},
    {"button.face", &SkinColours::button_face},
    {"button.text", &SkinColours::button_text},
    {"button.hover", &SkinColours::button_hover},
    {"button.disabled", &SkinColours::button_disabled},
}};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::wstring Hex2(unsigned byte) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  return {L'0', L'x', kDigits[(byte >> 4) & 0xF], kDigits[byte & 0xF]};
}

// Text that has passed CheckLine, as wide characters (UTF-16 where wchar_t
// has 16 bits).
std::wstring Widen(std::string_view utf8) {
  std::wstring wide;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += length;
    if (sizeof(wchar_t) == 2 && code > 0xFFFF) {
      code -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
    } else {
      wide.push_back(static_cast<wchar_t>(code));
    }
  }
  return wide;
}

class SkinParser {
 public:
  SkinParser(std::span<const std::uint8_t> bytes, const std::wstring& file_name)
      : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()), file_(file_name) {}

  SkinColours Parse() {
    if (text_.size() > kMaxSkinFileBytes) {
      Fail(L"the file is larger than " + std::to_wstring(kMaxSkinFileBytes) + L" bytes");
    }
    if (text_.starts_with(kByteOrderMark)) text_.remove_prefix(kByteOrderMark.size());
    if (text_.empty()) Fail(L"the file is empty");

    while (!text_.empty()) {
      ++line_;
      const std::size_t end = text_.find('\n');
      std::string_view line = text_.substr(0, end);
      text_.remove_prefix(end == std::string_view::npos ? text_.size() : end + 1);
      if (line.ends_with('\r')) line.remove_suffix(1);
      CheckLine(line);
      ReadSetting(line);
    }

    line_ = 0;  // what is missing belongs to no line
    std::wstring missing;
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
      if (first_line_[k] != 0) continue;
      missing += (missing.empty() ? L"" : L", ") + Quoted(Widen(kKeys[k].name));
    }
    if (!missing.empty()) {
      Fail((missing.find(L',') == std::wstring::npos ? L"missing key " : L"missing keys ") +
           missing);
    }
    return colours_;
  }

 private:
  // `byte`: where in the line the problem lies, from 1; 0 for the whole line.
  [[noreturn]] void Fail(const std::wstring& problem, std::size_t byte = 0) const {
    std::wstring where = Quoted(file_);
    if (line_ != 0) where += L", line " + std::to_wstring(line_);
    if (byte != 0) where += L", byte " + std::to_wstring(byte);
    throw RunError(where + L": " + problem);
  }

  [[noreturn]] void FailAt(std::size_t offset, const std::wstring& problem) const {
    Fail(problem, offset + 1);
  }

  // A line must be short, strict UTF-8 and free of control characters other
  // than tabs: anything else is a binary file or a damaged one.
  void CheckLine(std::string_view line) const {
    if (line.size() > kMaxSkinLineBytes) {
      Fail(L"the line is longer than " + std::to_wstring(kMaxSkinLineBytes) + L" bytes");
    }
    for (std::size_t i = 0; i < line.size();) {
      const auto lead = static_cast<unsigned char>(line[i]);
      if (lead < 0x80) {
        if ((lead < 0x20 && lead != '\t') || lead == 0x7F) {
          FailAt(i, L"control character " + Hex2(lead) + L" (the file is not plain text)");
        }
        ++i;
        continue;
      }
      std::size_t length = 0;
      char32_t smallest = 0;
      if (lead < 0xC0) FailAt(i, L"invalid UTF-8 (unexpected continuation byte)");
      if (lead < 0xE0) {
        length = 2;
        smallest = 0x80;
      } else if (lead < 0xF0) {
        length = 3;
        smallest = 0x800;
      } else if (lead < 0xF8) {
        length = 4;
        smallest = 0x10000;
      } else {
        FailAt(i, L"invalid UTF-8 (byte " + Hex2(lead) + L")");
      }
      char32_t code = lead & (0x7F >> length);
      for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= line.size() || (static_cast<unsigned char>(line[i + k]) & 0xC0) != 0x80) {
          FailAt(i, L"invalid UTF-8 (truncated sequence)");
        }
        code = (code << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
      }
      if (code < smallest) FailAt(i, L"invalid UTF-8 (overlong encoding)");
      if (code >= 0xD800 && code <= 0xDFFF) FailAt(i, L"invalid UTF-8 (encoded surrogate)");
      if (code > 0x10FFFF) FailAt(i, L"invalid UTF-8 (beyond U+10FFFF)");
      i += length;
    }
  }

  static std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  }

  void ReadSetting(std::string_view line) {
    const std::string_view content = Trim(line);
    if (content.empty() || content.starts_with('#')) return;
    const std::size_t equals = content.find('=');
    const std::string_view key = Trim(content.substr(0, equals));
    if (equals == std::string_view::npos || key.empty()) Fail(L"expected key = value");
    const std::string_view value = Trim(content.substr(equals + 1));

    std::size_t k = 0;
    while (k < kKeys.size() && kKeys[k].name != key) ++k;
    if (k == kKeys.size()) Fail(L"unknown key " + Quoted(Widen(key)));
    if (first_line_[k] != 0) {
      Fail(L"duplicate key " + Quoted(Widen(key)) + L" (first on line " +
           std::to_wstring(first_line_[k]) + L")");
    }
    first_line_[k] = line_;
    colours_.*kKeys[k].colour = ReadColour(key, value);
  }

  Rgb ReadColour(std::string_view key, std::string_view value) const {
    const auto digit = [](char c) -> int {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    bool well_formed = value.size() == 7 && value[0] == '#';
    for (std::size_t i = 1; well_formed && i < value.size(); ++i) {
      well_formed = digit(value[i]) >= 0;
    }
    if (!well_formed) {
      Fail(L"the colour of " + Quoted(Widen(key)) + L" must be #RRGGBB, not " +
           Quoted(Widen(value)));
    }
    const auto byte = [&](std::size_t at) {
      return static_cast<std::uint8_t>(digit(value[at]) * 16 + digit(value[at + 1]));
    };
    return {byte(1), byte(3), byte(5)};
  }

  std::string_view text_;
  const std::wstring& file_;
  int line_ = 0;
  std::array<int, kKeys.size()> first_line_{};
  SkinColours colours_;
};

}  // namespace

SkinColours ParseSkin(std::span<const std::uint8_t> bytes, const std::wstring& file_name) {
  return SkinParser(bytes, file_name).Parse();
}

}  // namespace tarnwell
