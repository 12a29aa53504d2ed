// The skin file parser: what it accepts, and the exact description of each
// kind of file it rejects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/look/skin_file.h"
#include "core/port/run_error.h"

namespace tarnwell::testing {
namespace {

using namespace std::string_literals;

const std::wstring kPath = L"C:\\App\\x\\o.cjs";

const std::string kFull =
    "window.face = #102030\n"
    "window.text = #405060\n"
    "frame.face = #708090\n"
    "frame.text = #A0B0C0\n"
    "option.face = #D0E0F0\n"
    "option.text = #010203\n"
    "button.face = #040506\n"
    "button.text = #070809\n"
    "button.hover = #0A0B0C\n"
    "button.disabled = #0D0E0F\n";

SkinColours Parse(const std::string& text) {
  const std::vector<std::uint8_t> bytes(text.begin(), text.end());
  return ParseSkin(bytes, kPath);
}

std::wstring ErrorOf(const std::string& text) {
  try {
    Parse(text);
  } catch (const RunError& e) {
    return e.description();
  }
  return L"(accepted)";
}

// kFull with its line `line` (from 1) replaced by `text`.
std::string WithLine(int line, const std::string& text) {
  std::string result;
  std::size_t start = 0;
  for (int n = 1; start < kFull.size(); ++n) {
    const std::size_t end = kFull.find('\n', start) + 1;
    result += n == line ? text + "\n" : kFull.substr(start, end - start);
    start = end;
  }
  return result;
}

TEST(SkinFile, ReadsEveryColour) {
  const SkinColours expected = {{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}, {0x70, 0x80, 0x90},
                                {0xA0, 0xB0, 0xC0}, {0xD0, 0xE0, 0xF0}, {1, 2, 3},
                                {4, 5, 6},          {7, 8, 9},          {10, 11, 12},
                                {13, 14, 15}};
  EXPECT_EQ(Parse(kFull), expected);
}

TEST(SkinFile, AcceptsBomCommentsBlanksCrLfAndAnyOrder) {
  std::string text = "\xEF\xBB\xBF# Comment with UTF-8: caf\xC3\xA9 \xF0\x9F\x8E\xA8\r\n\r\n";
  text += "  \t# indented comment\n\t \n";
  text += "button.disabled=#0d0e0f\r\n";  // lower case digits, no blanks, CR LF
  text += kFull.substr(0, kFull.rfind("button.disabled"));
  text += "\t# last line has no line break";
  EXPECT_EQ(Parse(text), Parse(kFull));
}

TEST(SkinFile, SizeLimits) {
  const std::string pad_line = "#" + std::string(kMaxSkinLineBytes - 1, 'p');
  EXPECT_EQ(ErrorOf(pad_line + "\n" + kFull), L"(accepted)");
  EXPECT_EQ(ErrorOf(pad_line + "p\n" + kFull),
            L"\"C:\\App\\x\\o.cjs\", line 1: the line is longer than 1024 bytes");
  // Characters from U+0080 up count by their bytes: "#" and 341 three-byte
  // characters fill a line exactly.
  std::string euros = "#";
  while (euros.size() < kMaxSkinLineBytes) euros += "\xE2\x82\xAC";
  EXPECT_EQ(ErrorOf(euros + "\n" + kFull), L"(accepted)");
  EXPECT_EQ(ErrorOf(euros + "p\n" + kFull),
            L"\"C:\\App\\x\\o.cjs\", line 1: the line is longer than 1024 bytes");

  std::string at_limit = kFull;
  while (at_limit.size() + pad_line.size() + 1 <= kMaxSkinFileBytes) at_limit += pad_line + "\n";
  at_limit += std::string(kMaxSkinFileBytes - at_limit.size(), '\n');
  ASSERT_EQ(at_limit.size(), kMaxSkinFileBytes);
  EXPECT_EQ(ErrorOf(at_limit), L"(accepted)");
  EXPECT_EQ(ErrorOf(at_limit + "\n"),
            L"\"C:\\App\\x\\o.cjs\": the file is larger than 65536 bytes");
}

TEST(SkinFile, RejectsEmptyAndIncompleteFiles) {
  EXPECT_EQ(ErrorOf(""), L"\"C:\\App\\x\\o.cjs\": the file is empty");
  EXPECT_EQ(ErrorOf("\xEF\xBB\xBF"), L"\"C:\\App\\x\\o.cjs\": the file is empty");
  EXPECT_EQ(ErrorOf(WithLine(10, "# no disabled colour")),
            L"\"C:\\App\\x\\o.cjs\": missing key \"button.disabled\"");
  EXPECT_EQ(ErrorOf(kFull.substr(0, kFull.find('\n') + 1)),
            L"\"C:\\App\\x\\o.cjs\": missing keys \"window.text\", \"frame.face\", "
            L"\"frame.text\", \"option.face\", \"option.text\", \"button.face\", "
            L"\"button.text\", \"button.hover\", \"button.disabled\"");
}

TEST(SkinFile, RejectsBadSettingsWithTheirLine) {
  const std::wstring at = L"\"C:\\App\\x\\o.cjs\", line ";
  EXPECT_EQ(ErrorOf(WithLine(3, "buton.face = #FFFFFF")), at + L"3: unknown key \"buton.face\"");
  EXPECT_EQ(ErrorOf(WithLine(1, "Window.face = #FFFFFF")),
            at + L"1: unknown key \"Window.face\"");
  EXPECT_EQ(ErrorOf(WithLine(6, "c\xC3\xB4r \xF0\x9F\x8E\xA8 = #000000")),
            at + L"6: unknown key \"c\u00F4r \U0001F3A8\"");
  EXPECT_EQ(ErrorOf(WithLine(7, "window.face = #FFFFFF")),
            at + L"7: duplicate key \"window.face\" (first on line 1)");
  EXPECT_EQ(ErrorOf(WithLine(4, "frame.text #FFFFFF")), at + L"4: expected key = value");
  EXPECT_EQ(ErrorOf(WithLine(4, " = #FFFFFF")), at + L"4: expected key = value");
  for (const std::string bad : {"#12345", "#1234567", "#12G456", "123456", "red", "", "#FF FFFF",
                                "#FFFFFF # white"}) {
    EXPECT_EQ(ErrorOf(WithLine(2, "window.text = " + bad)),
              at + L"2: the colour of \"window.text\" must be #RRGGBB, not \"" +
                  std::wstring(bad.begin(), bad.end()) + L"\"")
        << bad;
  }
}

TEST(SkinFile, RejectsBinaryAndBrokenUtf8WithTheirPlace) {
  const std::wstring at = L"\"C:\\App\\x\\o.cjs\", line ";
  struct Case {
    std::string line;
    std::wstring problem;
  };
  const Case cases[] = {
      {"# a\0b"s, L"byte 4: control character 0x00 (the file is not plain text)"},
      {"#\x1B[0m", L"byte 2: control character 0x1B (the file is not plain text)"},
      {"# mid\rline", L"byte 6: control character 0x0D (the file is not plain text)"},
      {"# \x80", L"byte 3: invalid UTF-8 (unexpected continuation byte)"},
      {"# \xC0\xAF", L"byte 3: invalid UTF-8 (overlong encoding)"},
      {"# \xE0\x80\xAF", L"byte 3: invalid UTF-8 (overlong encoding)"},
      {"# \xF0\x82\x82\xAC", L"byte 3: invalid UTF-8 (overlong encoding)"},
      {"# \xED\xA0\x80", L"byte 3: invalid UTF-8 (encoded surrogate)"},
      {"# \xF4\x90\x80\x80", L"byte 3: invalid UTF-8 (beyond U+10FFFF)"},
      {"# \xFF", L"byte 3: invalid UTF-8 (byte 0xFF)"},
      {"# \xE2\x82", L"byte 3: invalid UTF-8 (truncated sequence)"},
      {"# \xE2\x82x", L"byte 3: invalid UTF-8 (truncated sequence)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf(WithLine(5, c.line)), at + L"5, " + c.problem) << c.line;
  }
  // A sequence cut off by the end of the data is reported, not read past.
  EXPECT_EQ(ErrorOf(kFull + "#\xF0\x9F\x8E"),
            at + L"11, byte 2: invalid UTF-8 (truncated sequence)");
  // The first problem in the file is the one reported.
  EXPECT_EQ(ErrorOf(WithLine(2, "x = 1") + "\x01"), at + L"2: unknown key \"x\"");
}

}  // namespace
}  // namespace tarnwell::testing
