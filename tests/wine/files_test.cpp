// Files and environment over the Win32 machine.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/app/shared_routines.h"
#include "core/port/run_error.h"
#include "core/texts/text.h"
#include "win32_common/bounded_open.h"
#include "win32_common/trusted_path.h"
#include "test_support.h"

namespace tarnwell {
namespace {

class FilesOnWine : public ::testing::Test {
 protected:
  void SetUp() override {
    wine_test::WriteEmptyFile(file_);
    wine_test::WriteEmptyFile(hidden_);
    ASSERT_TRUE(SetFileAttributesW(hidden_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }

  Win32Machine machine_;
  wine_test::ScratchFolder scratch_{L"tarnwell files"};
  std::wstring file_ = scratch_.path() + L"\\plain.txt";
  std::wstring hidden_ = scratch_.path() + L"\\hidden.txt";
  std::wstring folder_ = scratch_.path() + L"\\sub folder";
  std::wstring missing_ = scratch_.path() + L"\\missing.txt";
};

TEST_F(FilesOnWine, FindEntryReportsWhatTheDirectorySearchFinds) {
  ASSERT_TRUE(machine_.FindEntry(file_).has_value());
  EXPECT_EQ(*machine_.FindEntry(file_) & (file_attr::kDirectory | file_attr::kHidden), 0u);
  ASSERT_TRUE(machine_.FindEntry(hidden_).has_value());
  EXPECT_NE(*machine_.FindEntry(hidden_) & file_attr::kHidden, 0u);
  ASSERT_TRUE(machine_.FindEntry(folder_).has_value());
  EXPECT_NE(*machine_.FindEntry(folder_) & file_attr::kDirectory, 0u);
  EXPECT_FALSE(machine_.FindEntry(missing_).has_value());
  EXPECT_FALSE(machine_.FindEntry(L"").has_value());
}

TEST_F(FilesOnWine, FindEntryLetsNoWildcardThrough) {
  EXPECT_FALSE(machine_.FindEntry(scratch_.path() + L"\\*.txt").has_value());
  EXPECT_FALSE(machine_.FindEntry(scratch_.path() + L"\\plai?.txt").has_value());
  EXPECT_FALSE(machine_.FindEntry(scratch_.path() + L"\\plain<").has_value());
}

TEST_F(FilesOnWine, QueryFileTimeAnswersForFilesAndFoldersAndThrowsOtherwise) {
  EXPECT_NO_THROW(machine_.QueryFileTime(file_));
  EXPECT_NO_THROW(machine_.QueryFileTime(hidden_));
  EXPECT_NO_THROW(machine_.QueryFileTime(folder_));
  const auto error_of = [this](const std::wstring& path) -> std::uint32_t {
    try {
      machine_.QueryFileTime(path);
    } catch (const RunError& error) {
      return error.system_error();
    }
    return 0;
  };
  EXPECT_EQ(error_of(missing_), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(error_of(scratch_.path() + L"\\missing\\a.txt"),
            static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(error_of(L""), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(FileExists(machine_, missing_));
  EXPECT_TRUE(FileExists(machine_, folder_));
}

// The check before a program runs with our rights, as far as Wine shows
// access lists: files and folders this account made pass (Wine shows it as
// their owner, and SYSTEM, it and Everyone reading). The refusal of what
// Everyone may change is shown through the package (tests/msi); owners,
// other accounts, links and held handles are not shown by Wine: the rule
// is the native table in tests/unit/folder_access_test.cpp.
TEST_F(FilesOnWine, ProgramPathCheckPassesWhatOnlyThisAccountMayChange) {
  HeldPath held;
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(file_, true, Deadline::In(5000), held).value_or(L"(safe)"),
            L"(safe)");
  // Refused with the open's reason, in Wine's words. A folder named as the
  // program is not opened as a file (only backup semantics open a folder).
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(missing_, false, Deadline::In(5000), held).value_or(L""),
            L"\"" + missing_ + L"\" could not be opened: File not found.");
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(folder_, false, Deadline::In(5000), held).value_or(L""),
            L"\"" + folder_ + L"\" could not be opened: Access denied.");
}

// An open that does not come back (here a read of a pipe nobody writes to;
// on Windows a planted file's oplock) is cancelled at the deadline, and one
// that ignores the cancel is given up a second later.
TEST(BoundedOpenOnWine, AnOpenThatHangsEndsInTime) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  const UniqueHandle reader(read_end), writer(write_end);
  const auto stalled = [&reader] {
    char byte = 0;
    DWORD got = 0;
    ReadFile(reader.get(), &byte, 1, &got, nullptr);
    return INVALID_HANDLE_VALUE;
  };
  const auto deaf = [] {
    Sleep(4000);
    return INVALID_HANDLE_VALUE;
  };
  for (const std::function<HANDLE()>& open : {std::function<HANDLE()>(stalled),
                                              std::function<HANDLE()>(deaf)}) {
    const ULONGLONG began = GetTickCount64();
    const BoundedOpen result = OpenBefore(Deadline::In(300), open);
    const ULONGLONG took = GetTickCount64() - began;
    EXPECT_TRUE(result.timed_out);
    EXPECT_FALSE(result.file);
    EXPECT_GE(took, 250u);
    EXPECT_LT(took, 2500u);
  }
  const BoundedOpen prompt = CreateFileBefore(
      Deadline::In(5000), L"C:\\windows\\tarnwell-missing.txt", GENERIC_READ, 0, OPEN_EXISTING, 0);
  EXPECT_FALSE(prompt.timed_out);
  EXPECT_EQ(prompt.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ApplicationFolderOnWine, NamesTheFolderOfTheRunningProgram) {
  Win32Machine machine;
  const std::wstring folder = machine.ApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), L'\\');
  EXPECT_TRUE(FindOrdinaryFile(machine, folder + L"\\wine_tests.exe"));
}

TEST(EnvironmentOnWine, ReadsVariablesOfAnyLength) {
  Win32Machine machine;
  const std::wstring programs = machine.EnvironmentVariable(L"ProgramFiles");
  ASSERT_FALSE(programs.empty());
  EXPECT_TRUE(FindVisibleEntry(machine, programs));

  const std::wstring long_value(5000, L'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"TARNWELL_WINE_TEST", long_value.c_str()));
  EXPECT_EQ(machine.EnvironmentVariable(L"TARNWELL_WINE_TEST"), long_value);
  SetEnvironmentVariableW(L"TARNWELL_WINE_TEST", nullptr);
  EXPECT_EQ(machine.EnvironmentVariable(L"TARNWELL_WINE_TEST"), L"");
}

}  // namespace
}  // namespace tarnwell
