// The program in every language it has: started under each display language
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

// Wine takes a process's display language from the locale it starts with;
// the program inherits this process's environment.
class ScopedVariable {
 public:
  ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name_, value.c_str());
  }
  ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const wchar_t* name_;
};

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

struct Run {
  const wchar_t* locale;
  const wchar_t* translation;
};
const Run kRuns[] = {
    {L"de_DE.UTF-8", L"de"}, {L"de_AT.UTF-8", L"de"},       {L"fr_FR.UTF-8", L"fr"},
    {L"es_ES.UTF-8", L"es"}, {L"it_IT.UTF-8", L"it"},       {L"nl_NL.UTF-8", L"nl"},
    {L"pt_BR.UTF-8", L"pt_BR"}, {L"pt_PT.UTF-8", L"pt_BR"}, {L"pl_PL.UTF-8", L"pl"},
    {L"cs_CZ.UTF-8", L"cs"}, {L"ru_RU.UTF-8", L"ru"},       {L"uk_UA.UTF-8", L"uk"},
    {L"ja_JP.UTF-8", L"en"},
};

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

TEST_F(Languages, EachDisplayLanguageGetsItsTextsAndEveryCaptionFits) {
  for (const Run& run : kRuns) {
    const std::string locale(run.locale, run.locale + wcslen(run.locale));
    SCOPED_TRACE(locale);
    const Translation& t = TranslationNamed(run.translation);
    const ScopedVariable lc_all(L"LC_ALL", run.locale);
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
    EXPECT_TRUE(program_->WaitForExit());
  }

  // Twice the resolution: the widened captions still fit.
  const ScopedLogPixels high_dpi(192);
  ASSERT_TRUE(app_->InstallPackageDirectly());
  for (const Translation& t : kTranslations) {
    SCOPED_TRACE(std::string(t.name.begin(), t.name.end()) + " at 192 dpi");
    const Run* run = &kRuns[std::size(kRuns) - 1];
    for (const Run& r : kRuns) {
      if (r.translation == t.name) {
        run = &r;
        break;
      }
    }
    const ScopedVariable lc_all(L"LC_ALL", run->locale);
    HWND main = StartWithPrinterPresent();
    ASSERT_NE(main, nullptr);
    RECT client;
    GetClientRect(main, &client);
    ASSERT_EQ(client.right, 2 * 536) << "the program should run at 192 dpi";
    ExpectCaptionsFit(*program_, main, t);
    program_->Close();
    EXPECT_TRUE(program_->WaitForExit());
  }
}

}  // namespace
}  // namespace e2e
