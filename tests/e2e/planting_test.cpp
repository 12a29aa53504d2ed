// DLLs and a Control.exe planted beside the program, its setup.exe and the
// installed uninstall.exe, with Wine told to prefer a DLL found beside a
// program as Windows does (CMakeLists.txt sets Wine's load order for this
// suite): a start, an install that opens the printers
// window and an uninstall must load or run none of them.
#include <algorithm>
#include <filesystem>

#include "scenario.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const wchar_t* const kPlantedDlls[] = {L"winspool.drv", L"compstui.dll", L"spoolss.dll",
                                       L"localspl.dll", L"comctl32.dll", L"dwmapi.dll"};

class Planting : public Scenario {
 protected:
  void SetUp() override {
    Scenario::SetUp();
    markers_ = fs::path(app_->path()).parent_path() / L"planting markers";
    fs::remove_all(markers_);
    fs::create_directories(markers_);
    // Children inherit it: the program, and the setup and uninstaller it starts.
    SetEnvironmentVariableW(L"TARNWELL_MARKER_DIR", markers_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"TARNWELL_MARKER_DIR", nullptr);
    Scenario::TearDown();
    fs::remove_all(markers_);
  }

  static fs::path PlantedFile(const wchar_t* name) {
    return fs::path(L"Z:" + fs::path(E2E_PLANTED_DIR).make_preferred().wstring()) / name;
  }
  static void Plant(const fs::path& folder, const wchar_t* name) {
    fs::copy_file(PlantedFile(name), folder / name, fs::copy_options::overwrite_existing);
  }
  static void PlantDlls(const fs::path& folder) {
    for (const wchar_t* dll : kPlantedDlls) Plant(folder, dll);
  }
  // The markers left by planted files that were loaded or run.
  std::vector<std::wstring> Markers() const {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(markers_)) {
      names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path markers_;
};

// Wine takes a spooler DLL from beside a program that imports it, as Windows
// does: without that, the scenario below would prove nothing.
TEST_F(Planting, APlantedDllIsLoadedByAProgramThatImportsIt) {
  const fs::path folder = fs::path(app_->path()) / L"unprotected";
  fs::create_directories(folder);
  Plant(folder, L"winspool.drv");
  Plant(folder, L"Control.exe");
  std::wstring command_line = L"\"" + (folder / L"Control.exe").wstring() + L"\"";
  STARTUPINFOW startup{sizeof startup};
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.c_str(), &startup, &info));
  CloseHandle(info.hThread);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, kWaitMs), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  EXPECT_EQ(Markers(), (std::vector<std::wstring>{L"control.exe.loaded", L"winspool.drv.loaded"}));
}

TEST_F(Planting, NothingBesideTheProgramsIsLoadedOrRun) {
  PlantDlls(app_->path());
  PlantDlls(app_->Package());
  Plant(app_->path(), L"Control.exe");

  ASSERT_NE(StartPastInstructions(), nullptr);
  ASSERT_TRUE(IsChecked(program_->Control(kOption1)));
  program_->ClickWithMouse(program_->Control(kPushButton13));
  const auto question = program_->WaitForBox();
  ASSERT_TRUE(question.has_value());
  ASSERT_EQ(question->caption, L"View Printers");
  ASSERT_TRUE(Press(*question, IDYES));
  // Time for a planted Control.exe to leave its marker, had it been started.
  EXPECT_FALSE(WaitUntil([&] { return !Markers().empty(); }, 3000));

  PlantDlls(InstalledPackageFolder());
  program_->ClickWithMouse(program_->Control(kPushButton1));
  ExpectNotice(L"Done.");
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_EQ(Markers(), std::vector<std::wstring>{});
}

}  // namespace
}  // namespace e2e
