// The program in every language it has: started under a display language
// with the printer missing, it shows that language's instructions and
// captions (a language's regions get its neutral table, a language without a
// translation gets English), and every caption fits its control at 96 and
// 192 dpi, measured in the control's font.
#include <string>
#include <vector>

#include "scenario.h"
#include "translations.h"

namespace e2e {
namespace {

constexpr wchar_t kPackage[] = L"Quellmark PDF Setup";

const Translation& TranslationNamed(const std::wstring& name) {
  for (const Translation& t : kTranslations) {
    if (t.name == name) return t;
  }
  ADD_FAILURE() << "no translation " << std::string(name.begin(), name.end());
  return kTranslations.front();
}

std::wstring Filled(std::wstring text) {
  const std::wstring key = L"{package}";
  for (std::size_t at = text.find(key); at != std::wstring::npos; at = text.find(key, at)) {
    text.replace(at, key.size(), kPackage);
  }
  return text;
}

// The display resolution programs started from now on read, put back after.
class ScopedLogPixels {
 public:
  explicit ScopedLogPixels(DWORD dpi) {
    DWORD size = sizeof(saved_);
    had_ = !RegGetValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_,
                         &size);
    RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
  }
  ~ScopedLogPixels() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels", REG_DWORD, &saved_, sizeof(saved_));
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"LogPixels");
    }
  }
  ScopedLogPixels(const ScopedLogPixels&) = delete;
  ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

 private:
  static constexpr wchar_t kKey[] = L"Control Panel\\Desktop";
  DWORD saved_ = 0;
  bool had_ = false;
};

// Width of `text` in the program's caption font: Arial bold in the Cyrillic
// character set, `hundredths_of_point` high at `dpi`.
int TextWidth(const std::wstring& text, int hundredths_of_point, int dpi) {
  LOGFONTW description{};
  description.lfHeight = -MulDiv(hundredths_of_point, dpi, 72 * 100);
  description.lfWeight = FW_BOLD;
  description.lfCharSet = RUSSIAN_CHARSET;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  wcscpy(description.lfFaceName, L"Arial");
  HFONT font = CreateFontIndirectW(&description);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(font);
  return size.cx;
}

int Width(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return r.right - r.left;
}

// The translation Windows should pick for this process's display language:
// its language's, or English for a language the program has no file for.
const Translation& TranslationForDisplayLanguage() {
  const int primary = PRIMARYLANGID(GetUserDefaultUILanguage());
  for (const Translation& t : kTranslations) {
    if (t.name != L"en" && t.primary_language == primary) return t;
  }
  return TranslationNamed(L"en");
}

using Languages = Scenario;

// The captions of the started program's window are `t`'s, and each fits its
// control, which stays inside the frame or the window.
void ExpectCaptionsFit(const Program& program, HWND main, const Translation& t) {
  RECT client;
  GetClientRect(main, &client);
  const int dpi = MulDiv(client.right, 96, 536);
  const int frame_right = PlacementIn(program.Control(kFrame1), main).left +
                          Width(program.Control(kFrame1));
  const struct {
    int id;
    const wchar_t* text;
    int font;  // hundredths of a point
    int beside_text;  // what the control draws beside its caption, in pixels
    int right_limit;
  } controls[] = {
      {kFrame1, L"Frame1Caption", 900, 2 * 7, client.right},
      {kOption1, L"Option1Caption", 900, MulDiv(13, dpi, 96) + 2, frame_right},
      {kOption2, L"Option2Caption", 900, MulDiv(13, dpi, 96) + 2, frame_right},
      {kPushButton13, L"PushButton13Caption", 1125, 2 * (3 + 2), client.right},
      {kPushButton1, L"PushButton1Caption", 1125, 2 * (3 + 2), client.right},
  };
  for (const auto& c : controls) {
    SCOPED_TRACE(testing::Message() << "control " << c.id << " at " << dpi << " dpi");
    HWND control = program.Control(c.id);
    ASSERT_NE(control, nullptr);
    const std::wstring caption = WindowText(control);
    EXPECT_EQ(caption, t.texts.at(c.text));
    EXPECT_LE(TextWidth(caption, c.font, dpi) + c.beside_text, Width(control));
    const Placement at = PlacementIn(control, main);
    EXPECT_LE(at.left + at.width, c.right_limit);
  }
}

// Wine takes a process's display language from the locale it was started
// with (LC_ALL), and a program started from it inherits it: ctest runs this
// case once a locale, naming in E2E_LANGUAGE the translation it should get.
// A run that names none has nothing to judge by and fails.
TEST_F(Languages, TheDisplayLanguagesTextsShowAndEveryCaptionFits) {
  wchar_t wanted[32] = L"";
  ASSERT_NE(GetEnvironmentVariableW(L"E2E_LANGUAGE", wanted, 32), 0u)
      << "E2E_LANGUAGE must name the translation this run's locale should get";
  const Translation& t = TranslationForDisplayLanguage();
  ASSERT_EQ(t.name, std::wstring(wanted))
      << "display language " << std::hex << GetUserDefaultUILanguage();

  program_ = Start();
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, kTitle);
  EXPECT_EQ(box->text, Filled(t.texts.at(L"PrinterMissingInstructions")));
  ASSERT_TRUE(Press(*box, IDOK));
  HWND main = program_->WaitForMainWindow();
  ASSERT_NE(main, nullptr);
  ASSERT_TRUE(program_->Responds(5000));
  EXPECT_EQ(WindowText(main), L"Tarnwell PDF Printer Software");
  ExpectCaptionsFit(*program_, main, t);
  program_->Close();
  ASSERT_TRUE(program_->WaitForExit());

  // Twice the resolution: the widened captions still fit.
  const ScopedLogPixels high_dpi(192);
  ASSERT_TRUE(app_->InstallPackageDirectly());
  main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  RECT client;
  GetClientRect(main, &client);
  ASSERT_EQ(client.right, 2 * 536) << "the program should run at 192 dpi";
  ExpectCaptionsFit(*program_, main, t);
}

}  // namespace
}  // namespace e2e
