// Files and environment over the Win32 machine.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

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
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(file_, ProgramTree::kKeptAsIs, Deadline::In(5000), held)
                .value_or(PathRefusal{L"(safe)"}).why,
            L"(safe)");
  // Refused with the open's reason, in Wine's words. A folder named as the
  // program is not opened as a file (only backup semantics open a folder).
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(missing_, ProgramTree::kProgramOnly, Deadline::In(5000), held)
                .value_or(PathRefusal{}).why,
            L"\"" + missing_ + L"\" could not be opened: File not found.");
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(folder_, ProgramTree::kProgramOnly, Deadline::In(5000), held)
                .value_or(PathRefusal{}).why,
            L"\"" + folder_ + L"\" could not be opened: Access denied.");
  EXPECT_EQ(HoldIfOnlyTrustedMayChange(L"\\\\server\\share\\setup.exe", ProgramTree::kKeptAsIs,
                                       Deadline::In(5000), held)
                .value_or(PathRefusal{}).why,
            L"\"\\\\server\\share\\setup.exe\" is on a network share, whose permissions cannot be "
            L"checked from here: copy the folder to a local disk, or use the package");
}

// Wine keeps no access list it is given, but turns one into Unix modes: a
// list granting Everyone full access gives the file "Everyone may modify".
bool LetEveryoneChange(const std::wstring& path) {
  UniqueLocal<PSECURITY_DESCRIPTOR> everyone;
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  return ConvertStringSecurityDescriptorToSecurityDescriptorW(
             L"D:P(A;;FA;;;WD)(A;;FA;;;BA)", SDDL_REVISION_1, everyone.put(), nullptr) &&
         GetSecurityDescriptorDacl(everyone.get(), &present, &list, &defaulted) &&
         SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
}

// What the check holds cannot be written, deleted or renamed until it is
// let go (Wine applies sharing as Windows does); a writer that came first
// fails the check; and anything in the program's folder tree that another
// account may change refuses the start.
TEST_F(FilesOnWine, TheCheckedTreeIsHeldAndAllOfItChecked) {
  const std::wstring package = scratch_.path() + L"\\package";
  const std::wstring setup = package + L"\\setup.exe";
  const std::wstring page = package + L"\\data\\page.dll";
  ASSERT_TRUE(CreateDirectoryW(package.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW((package + L"\\data").c_str(), nullptr));
  wine_test::WriteEmptyFile(setup);
  wine_test::WriteEmptyFile(page);
  const auto check = [&setup] {
    HeldPath held;
    const auto refused =
        HoldIfOnlyTrustedMayChange(setup, ProgramTree::kKeptAsIs, Deadline::In(5000), held);
    return refused ? refused->why + (refused->in_use ? L" [in use]" : L"") : L"(safe)";
  };
  HeldPath held;
  ASSERT_FALSE(HoldIfOnlyTrustedMayChange(setup, ProgramTree::kKeptAsIs, Deadline::In(5000), held));
  constexpr DWORD kAnySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  for (const std::wstring& part : {setup, page}) {
    EXPECT_FALSE(UniqueFile(CreateFileW(part.c_str(), GENERIC_WRITE, kAnySharing, nullptr,
                                        OPEN_EXISTING, 0, nullptr)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << part;
    EXPECT_FALSE(DeleteFileW(part.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << part;
    EXPECT_FALSE(MoveFileW(part.c_str(), (part + L".old").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << part;
  }
  EXPECT_FALSE(MoveFileW(package.c_str(), (package + L" old").c_str()));
  held.Release();
  {
    const UniqueFile writer(
        CreateFileW(page.c_str(), GENERIC_WRITE, kAnySharing, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    // Busy, not unsafe: the command answers "try again later", in Wine's words.
    EXPECT_EQ(check(), Quoted(page) + L" is in use by another program (Windows: Sharing "
                                      L"violation.) [in use]");
  }
  EXPECT_EQ(check(), L"(safe)");
  for (const std::wstring& planted : {package + L"\\planted.dll", page}) {
    wine_test::WriteEmptyFile(planted);
    ASSERT_TRUE(LetEveryoneChange(planted));
    EXPECT_EQ(check(), Quoted(planted) + L" is not safe: Everyone may write to it");
    DeleteFileW(planted.c_str());
  }
}

// A started program runs in the system folder, and finds on its PATH only
// the folders that pass the rule.
TEST_F(FilesOnWine, AStartedProgramRunsInTheSystemFolderWithOnlySafeFoldersOnItsPath) {
  const std::wstring open = scratch_.path() + L"\\open to all";
  const std::wstring child = scratch_.path() + L"\\child.exe";
  ASSERT_TRUE(CreateDirectoryW(open.c_str(), nullptr));
  ASSERT_TRUE(LetEveryoneChange(open));
  ASSERT_TRUE(CopyFileW(wine_test::ChildProgram().c_str(), child.c_str(), FALSE));
  std::vector<wchar_t> path(32768);
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), 32768));
  ASSERT_TRUE(SetEnvironmentVariableW(
      L"PATH", (open + L";C:\\windows\\system32;;relative\\bin;C:\\windows\\").c_str()));
  ProcessStart start = machine_.StartProcess(child, Quoted(child) + L" where", SW_HIDE);
  SetEnvironmentVariableW(L"PATH", std::wstring(path.begin(), path.end()).c_str());
  ASSERT_TRUE(start.started());
  for (int i = 0; i < 100 && !start.process->HasEnded(); ++i) Sleep(100);
  ASSERT_EQ(start.process->ExitCode().value_or(0), 42u);
  std::ifstream in(std::filesystem::path(child + L".where"), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2),
            L"C:\\windows\\system32|C:\\windows\\system32;C:\\windows\\");
}

// A privileged start (one whose program HoldProgramPath checked, as the
// unattended mode does) gets TEMP and TMP of its own: Wine has no
// GetTempPath2W, so a folder made for it in the Windows folder's Temp,
// there while it runs and gone once the wait is over, with the read-only
// file the program left in it. A start without the
// check (the window's) keeps this process's TEMP.
TEST_F(FilesOnWine, APrivilegedStartGetsATemporaryFolderOfItsOwnRemovedAfterIt) {
  const std::wstring child = scratch_.path() + L"\\child.exe";
  ASSERT_TRUE(CopyFileW(wine_test::ChildProgram().c_str(), child.c_str(), FALSE));
  const auto report = [&child] {
    std::ifstream in(std::filesystem::path(child + L".temp"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  };
  const auto run = [&](bool privileged) {
    DeleteFileW((child + L".temp").c_str());
    if (privileged) {
      EXPECT_FALSE(machine_.HoldProgramPath(child, ProgramTree::kProgramOnly, std::nullopt));
    }
    ProcessStart start = machine_.StartProcess(child, Quoted(child) + L" temp", SW_HIDE);
    EXPECT_TRUE(start.started());
    for (int i = 0; start.process && i < 100 && !start.process->HasEnded(); ++i) Sleep(100);
    return start;
  };

  ProcessStart start = run(true);
  ASSERT_TRUE(start.process);
  EXPECT_EQ(start.process->ExitCode().value_or(0), 42u);
  const std::wstring folder = start.temporary_folder;
  EXPECT_TRUE(start.temporary_folder_made);
  ASSERT_EQ(folder.size(), 41u) << folder;
  EXPECT_EQ(folder.substr(0, 25), L"C:\\windows\\Temp\\Tarnwell-");
  EXPECT_EQ(report(), folder + L"|" + folder + L"|" + folder + L"\\");
  EXPECT_NE(GetFileAttributesW((folder + L"\\unpacked.dll").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(start.process->Finish(), std::nullopt);
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);

  wchar_t own[MAX_PATH] = L"";
  ASSERT_NE(GetEnvironmentVariableW(L"TEMP", own, MAX_PATH), 0u);
  ProcessStart plain = run(false);
  EXPECT_EQ(plain.temporary_folder, L"");
  EXPECT_EQ(report().substr(0, report().find(L'|')), own);
  const std::wstring unpacked = std::wstring(own) + L"\\unpacked.dll";
  SetFileAttributesW(unpacked.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(DeleteFileW(unpacked.c_str()));
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
