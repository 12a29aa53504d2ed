// The window for every user: push buttons of the system's class that click
// every way a button clicks, captions readable in a dark scheme and after a
// colour change, the focus back on the button whose command ended, and
// captions that fit at 192 dpi. Looks are read back from the screen.
#include <vector>

#include "scenario.h"
#include "screen_image.h"

namespace e2e {
namespace {

constexpr Rgb kWhite = 0xFFFFFF;
constexpr Rgb kPlainHover = 0xE5F1FB;
constexpr double kReadable = 4.5;

// One value under HKCU, put back as it was (or removed) on destruction.
class ScopedUserValue {
 public:
  ScopedUserValue(const wchar_t* key, const wchar_t* name) : key_(key), name_(name) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type_, nullptr, &size)) return;
    saved_.resize(size);
    had_ = !RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY, &type_, saved_.data(), &size);
  }
  ~ScopedUserValue() {
    if (had_) {
      RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, type_, saved_.data(),
                      static_cast<DWORD>(saved_.size()));
    } else {
      RegDeleteKeyValueW(HKEY_CURRENT_USER, key_, name_);
    }
  }
  ScopedUserValue(const ScopedUserValue&) = delete;
  ScopedUserValue& operator=(const ScopedUserValue&) = delete;

  bool Set(const std::wstring& text) {
    return !RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  bool Set(DWORD number) {
    return !RegSetKeyValueW(HKEY_CURRENT_USER, key_, name_, REG_DWORD, &number, sizeof number);
  }

 private:
  const wchar_t* key_;
  const wchar_t* name_;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> saved_;
  bool had_ = false;
};

// System colours of this session, put back on destruction.
class ScopedSysColours {
 public:
  explicit ScopedSysColours(std::vector<int> indexes) : indexes_(std::move(indexes)) {
    for (int index : indexes_) saved_.push_back(GetSysColor(index));
  }
  ~ScopedSysColours() { SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), saved_.data()); }
  ScopedSysColours(const ScopedSysColours&) = delete;
  ScopedSysColours& operator=(const ScopedSysColours&) = delete;

 private:
  std::vector<int> indexes_;
  std::vector<COLORREF> saved_;
};

class Accessible : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    SetCursorPos(0, 0);  // a push button under the pointer would show its hover face
  }

  // The main window once its picture is still.
  ScreenImage Settled(HWND main) {
    SetForegroundWindow(main);
    WaitUntil([&] {
      const ScreenImage before(main);
      Sleep(150);
      return ScreenImage(main) == before;
    }, 3000);
    return ScreenImage(main);
  }

  void ExpectFocusOn(int id) {
    HWND control = program_->Control(id);
    EXPECT_TRUE(WaitUntil([&] { return program_->FocusedWindow() == control; }, 2000))
        << "focus should be on control " << id;
  }
};

// Pixels of a push button's inside (its outline left out) that stand out
// from `face` as readable text does.
int ReadablePixels(const ScreenImage& image, HWND button, Rgb face) {
  const RECT r = image.RectOf(button);
  int count = 0;
  for (int y = r.top + 2; y < r.bottom - 2; ++y) {
    for (int x = r.left + 2; x < r.right - 2; ++x) {
      if (Contrast(image.At({x, y}), face) >= kReadable) ++count;
    }
  }
  return count;
}

TEST_F(Accessible, PushButtonsClickByMouseEnterSpaceAndBmClick) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  HWND install = program_->Control(kPushButton13);
  EXPECT_EQ(ClassName(install), L"Button");

  const struct {
    const char* way;
    void (*click)(const Program&, HWND);
  } ways[] = {
      {"mouse", [](const Program& p, HWND button) { p.ClickWithMouse(button); }},
      {"Enter", [](const Program& p, HWND) { p.PressKey(VK_RETURN); }},
      {"Space", [](const Program& p, HWND) { p.PressKey(VK_SPACE); }},
      {"BM_CLICK", [](const Program&, HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.way);
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }, 3000));
    way.click(*program_, install);
    ExpectNotice(L"Printer already installed.");
    ExpectFocusOn(kPushButton13);
  }

  // Enter does nothing where the focus is on no push button.
  for (int id : {kText1, kOption1}) {
    SCOPED_TRACE(testing::Message() << "Enter on control " << id);
    HWND control = program_->Control(id);
    while (program_->FocusedWindow() != control) {
      HWND before = program_->FocusedWindow();
      program_->PressKey(VK_TAB);
      ASSERT_TRUE(WaitUntil([&] { return program_->FocusedWindow() != before; }, 2000));
    }
    program_->PressKey(VK_RETURN);
    EXPECT_FALSE(program_->WaitForBox(1000).has_value());
  }
}

// A message box from one command must not leave the focus for the next
// command on the other button, nor on the hidden text box.
TEST_F(Accessible, FocusReturnsToTheButtonWhoseCommandEnded) {
  HWND main = StartPastInstructions();
  ASSERT_NE(main, nullptr);
  SetForegroundWindow(main);

  program_->ClickWithMouse(program_->Control(kPushButton1));
  ExpectNotice(L"PDF Printer is not yet installed.");
  ExpectFocusOn(kPushButton1);

  program_->ClickWithMouse(program_->Control(kPushButton13));
  const auto question = program_->WaitForBox();
  ASSERT_TRUE(question.has_value());
  ASSERT_EQ(question->caption, L"View Printers");
  ASSERT_TRUE(Press(*question, IDNO));
  ExpectFocusOn(kPushButton13);

  program_->ClickWithMouse(program_->Control(kPushButton1));
  ExpectNotice(L"Done.");
  ExpectFocusOn(kPushButton1);
}

TEST_F(Accessible, PlainHoverAndDisabledLooks) {
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  HWND main = StartPastInstructions();
  ASSERT_NE(main, nullptr);
  HWND install = program_->Control(kPushButton13);
  HWND uninstall = program_->Control(kPushButton1);
  program_->PointAt(install);
  EXPECT_TRUE(WaitUntil([&] { return ScreenImage(main).Face(install) == Hex(kPlainHover); }, 3000));
  EXPECT_EQ(ScreenImage(main).Face(uninstall), Hex(kWhite));

  program_->ClickWithMouse(install);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(uninstall); }, 3000));
  // The enabled outline is ButtonShadow, which the default scheme makes the
  // same grey as GrayText: grey alone is no sign of the repaint. The
  // disabled look is a grey caption with no button-text pixel left.
  const Rgb gray = ToRgb(GetSysColor(COLOR_GRAYTEXT));
  const Rgb text = ToRgb(GetSysColor(COLOR_BTNTEXT));
  EXPECT_TRUE(WaitUntil(
      [&] {
        const ScreenImage image(main);
        return image.Shows(uninstall, gray) && !image.Shows(uninstall, text);
      },
      3000));

  const auto question = program_->WaitForBox();
  ASSERT_TRUE(question.has_value());
  ASSERT_TRUE(Press(*question, IDNO));
}

TEST_F(Accessible, CaptionsStayReadableInADarkSchemeAndAfterAColourChange) {
  constexpr wchar_t kColours[] = L"Control Panel\\Colors";
  const struct {
    const wchar_t* name;
    const wchar_t* value;
  } dark[] = {{L"Window", L"0 0 0"},           {L"WindowText", L"255 255 255"},
              {L"ButtonFace", L"0 0 0"},       {L"ButtonText", L"255 255 255"},
              {L"ButtonShadow", L"0 128 128"}, {L"GrayText", L"0 255 0"},
              {L"Hilight", L"26 235 255"},     {L"HilightText", L"0 0 0"}};
  std::vector<std::unique_ptr<ScopedUserValue>> scheme;
  for (const auto& colour : dark) {
    scheme.push_back(std::make_unique<ScopedUserValue>(kColours, colour.name));
    ASSERT_TRUE(scheme.back()->Set(colour.value));
  }
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  HWND buttons[] = {program_->Control(kPushButton13), program_->Control(kPushButton1)};

  const ScreenImage image = Settled(main);
  // The scheme reached the program: the buttons' outline is its shadow colour.
  const RECT outline = image.RectOf(buttons[0]);
  ASSERT_EQ(Hex(image.At({outline.left, (outline.top + outline.bottom) / 2})), Hex(0x008080));
  for (HWND button : buttons) {
    EXPECT_EQ(image.Face(button), Hex(kWhite));
    EXPECT_GE(ReadablePixels(image, button, kWhite), 50) << "caption of " << GetDlgCtrlID(button);
  }

  // Light texts set while the program runs (WM_SYSCOLORCHANGE).
  const ScopedSysColours restore({COLOR_BTNTEXT, COLOR_WINDOWTEXT});
  const int indexes[] = {COLOR_BTNTEXT, COLOR_WINDOWTEXT};
  const COLORREF light[] = {RGB(255, 255, 255), RGB(250, 250, 250)};
  ASSERT_TRUE(SetSysColors(2, indexes, light));
  ASSERT_TRUE(program_->Responds(2000));
  const ScreenImage after = Settled(main);
  for (HWND button : buttons) {
    EXPECT_EQ(after.Face(button), Hex(kWhite));
    EXPECT_GE(ReadablePixels(after, button, kWhite), 50) << "caption of " << GetDlgCtrlID(button);
  }
}

TEST_F(Accessible, CaptionsFitAt192Dpi) {
  ScopedUserValue log_pixels(L"Control Panel\\Desktop", L"LogPixels");
  ASSERT_TRUE(log_pixels.Set(192));
  ASSERT_TRUE(app_->InstallPackageDirectly());
  HWND main = StartWithPrinterPresent();
  ASSERT_NE(main, nullptr);
  RECT client;
  GetClientRect(main, &client);
  ASSERT_EQ(client.right, 2 * 536) << "the program should run at 192 dpi";

  const ScreenImage image = Settled(main);
  const RECT frame = image.RectOf(program_->Control(kFrame1));
  // The last column of an option button; a push button's inside its outline.
  const struct {
    int id;
    int inset;
  } controls[] = {{kOption1, 1}, {kOption2, 1}, {kPushButton13, 2}, {kPushButton1, 2}};
  for (const auto& c : controls) {
    SCOPED_TRACE(testing::Message() << "control " << c.id);
    HWND control = program_->Control(c.id);
    const RECT r = image.RectOf(control);
    const auto colours = image.Colours(control);
    const std::string face = image.Face(control);
    ASSERT_GT(colours.size(), 2u) << "no caption drawn";
    for (int y = r.top + c.inset; y < r.bottom - c.inset; ++y) {
      ASSERT_EQ(Hex(image.At({r.right - c.inset, y})), face) << "text reaches row " << y - r.top;
    }
    if (c.id == kOption1 || c.id == kOption2) EXPECT_LT(r.right, frame.right);
  }
}

}  // namespace
}  // namespace e2e
