// ApplySkin against a recording component, and the
// component this program provides over the machine.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/look/apply_skin.h"
#include "core/look/skin_file.h"
#include "core/look/skin_framework.h"
#include "core/main_window/form1_handlers.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kSkinPath = L"C:\\Apps\\Tarnwell\\x\\o.cjs";

const std::string kSkin =
    "window.face = #2B2F36\nwindow.text = #E8EAED\nframe.face = #2B2F36\n"
    "frame.text = #C9D1D9\noption.face = #2B2F36\noption.text = #E8EAED\n"
    "button.face = #3D5A80\nbutton.text = #FFFFFF\nbutton.hover = #4F74A3\n"
    "button.disabled = #8B949E\n";

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// Records the calls the component is given, in order.
class RecordingSkin : public SkinComponent {
 public:
  std::int32_t flags = 0x40;
  bool load_fails = false;
  std::vector<std::wstring> calls;

  void LoadSkin(const std::wstring& path, const std::wstring& options) override {
    Log(L"Load " + path + L"|" + options);
    if (load_fails) throw RunError(L"The skin was rejected.");
  }
  std::int32_t OptionFlags() override { return Log(L"GetFlags"), flags; }
  void SetOptionFlags(std::int32_t value) override { Log(L"SetFlags ", flags = value); }
  void SetSkinEnabled(bool on) override { Log(L"5 ", on); }
  void SetSkinPushButtons(bool on) override { Log(L"10 ", on); }
  void ApplyToMainWindow() override { Log(L"Apply"); }

 private:
  void Log(const std::wstring& what) { calls.push_back(what); }
  void Log(const std::wstring& what, std::int32_t value) { Log(what + std::to_wstring(value)); }
};

struct SkinHarness : Harness {
  RecordingSkin skin;
  SkinHarness() { app.skin = &skin; }
};

const std::map<Control, OleColour> kButtonFaceSet = {{Control::Form1, kButtonFaceColour},
                                                     {Control::Frame1, kButtonFaceColour},
                                                     {Control::Option1, kButtonFaceColour},
                                                     {Control::Option2, kButtonFaceColour}};

TEST(ApplySkin, FlagBitZeroAlreadySetStaysSet) {
  SkinHarness t;
  t.m.AddFile(kSkinPath);
  t.skin.flags = -1;
  ApplySkin(t.app);
  EXPECT_EQ(t.skin.flags, -1);
}

TEST(ApplySkin, NoOrdinarySkinFileChangesNothing) {
  for (const auto attributes :
       {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{file_attr::kHidden},
        std::optional<std::uint32_t>{file_attr::kSystem},
        std::optional<std::uint32_t>{file_attr::kDirectory}}) {
    SkinHarness t;
    if (attributes) t.m.AddFile(kSkinPath, *attributes);
    ApplySkin(t.app);
    EXPECT_TRUE(t.skin.calls.empty());
    EXPECT_TRUE(t.m.back_colours.empty());
    EXPECT_TRUE(t.m.shown.empty());
  }
}

TEST(ApplySkin, RejectedSkinStopsAtTheLoadAndKeepsTheColours) {
  SkinHarness t;
  t.m.AddFile(kSkinPath);
  t.skin.load_fails = true;
  EXPECT_THROW(ApplySkin(t.app), RunError);
  EXPECT_EQ(t.skin.calls, std::vector<std::wstring>{L"Load " + kSkinPath + L"|"});
  EXPECT_EQ(t.m.back_colours, kButtonFaceSet);
}

TEST(ApplySkin, BrokenSkinFileIsOneReportAtLine102AndStartUpGoesOn) {
  Harness t;  // the program's own component
  t.m.printers = {L"Quellmark PDF Setup"};
  t.m.AddFile(kSkinPath);
  t.m.file_bytes[kSkinPath] = Bytes("buton=#000000");
  Form_Load(t.app);
  ASSERT_EQ(t.m.shown.size(), 1u);
  EXPECT_EQ(t.m.shown[0].text,
            ExpectedReport(L"TarnwellPDFPrinter2021/08/31.Form1.Form_Load",
                           L"\"C:\\Apps\\Tarnwell\\x\\o.cjs\", line 1: unknown key \"buton\"",
                           102));
  EXPECT_EQ(t.m.back_colours, kButtonFaceSet);
  EXPECT_FALSE(t.m.skin_look.has_value());
  EXPECT_EQ(t.m.caption, L"Tarnwell PDF Printer Software");
}

TEST(SkinFramework, AppliesTheLoadedColoursAsFlagsAndSwitchesSay) {
  Harness t;
  t.m.AddFile(kSkinPath);
  t.m.file_bytes[kSkinPath] = Bytes(kSkin);
  ApplySkin(t.app);
  ASSERT_TRUE(t.m.skin_look.has_value());
  const SkinColours slate = {{0x2B, 0x2F, 0x36}, {0xE8, 0xEA, 0xED}, {0x2B, 0x2F, 0x36},
                             {0xC9, 0xD1, 0xD9}, {0x2B, 0x2F, 0x36}, {0xE8, 0xEA, 0xED},
                             {0x3D, 0x5A, 0x80}, {0xFF, 0xFF, 0xFF}, {0x4F, 0x74, 0xA3},
                             {0x8B, 0x94, 0x9E}};
  EXPECT_EQ(t.m.skin_look->colours, slate);
  EXPECT_TRUE(t.m.skin_look->child_controls);
  EXPECT_TRUE(t.m.skin_look->push_buttons);
  EXPECT_EQ(t.m.read_limits, std::vector<std::size_t>{65536});

  FakeMachine m;
  m.file_bytes[kSkinPath] = Bytes(kSkin);
  SkinFramework plain(m);
  plain.LoadSkin(kSkinPath, L"");
  plain.SetSkinEnabled(true);
  plain.ApplyToMainWindow();
  ASSERT_TRUE(m.skin_look.has_value());
  EXPECT_FALSE(m.skin_look->child_controls);
  EXPECT_FALSE(m.skin_look->push_buttons);
}

TEST(SkinFramework, RejectsWrongOrderAndUnusableFiles) {
  FakeMachine m;
  SkinFramework skin(m);
  skin.SetSkinEnabled(true);
  const auto error_of = [](auto&& call) -> std::wstring {
    try {
      call();
    } catch (const RunError& e) {
      return e.description();
    }
    return L"(done)";
  };
  const std::wstring not_loaded = L"No skin is loaded: load a skin file before applying it.";
  EXPECT_EQ(error_of([&] { skin.ApplyToMainWindow(); }), not_loaded);
  EXPECT_EQ(error_of([&] { skin.LoadSkin(kSkinPath, L""); }), L"File not found");

  m.file_bytes[kSkinPath] = Bytes(kSkin);
  EXPECT_EQ(error_of([&] { skin.LoadSkin(kSkinPath, L"x"); }),
            L"The skin component takes no load options.");
  skin.LoadSkin(kSkinPath, L"");
  // A later file that is too large is refused from its first 64 KiB + 1 byte,
  // and the skin loaded before it is gone.
  m.file_bytes[kSkinPath] = Bytes(kSkin + std::string(kMaxSkinFileBytes, '\n'));
  EXPECT_EQ(error_of([&] { skin.LoadSkin(kSkinPath, L""); }),
            L"\"" + kSkinPath + L"\": the file is larger than 65536 bytes");
  EXPECT_EQ(error_of([&] { skin.ApplyToMainWindow(); }), not_loaded);
  EXPECT_FALSE(m.skin_look.has_value());

  m.file_bytes[kSkinPath] = Bytes(kSkin);
  skin.LoadSkin(kSkinPath, L"");
  skin.SetSkinEnabled(false);
  EXPECT_EQ(error_of([&] { skin.ApplyToMainWindow(); }), L"(done)");
  EXPECT_FALSE(m.skin_look.has_value());  // switched off: the window keeps its look
}

}  // namespace
}  // namespace tarnwell::testing
