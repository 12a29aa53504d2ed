// The unattended mode's Windows side: the command line split by the
// platform's rules, and the log file written by two runs at once.
#include <windows.h>
#include <shellapi.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/unattended/switches.h"
#include "test_support.h"
#include "win32/unattended/command_line_words.h"
#include "win32/unattended/log_file.h"
#include "win32_common/files.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

using wine_test::ScratchFolder;

TEST(UnattendedCommandLineOnWine, QuotedPathsWithBlanksAndNonAsciiSurvive) {
  const std::wstring program = L"C:\\Program Files\\Tarnwell\\Tarnwell PDF Printer Software.exe";
  const std::wstring log = L"C:\\Logs\\\u00DCbersicht \u03A9\\run log.txt";
  const auto words =
      SplitCommandLineWords(L"\"" + program + L"\" /install -DEFAULT /log \"" + log + L"\"");
  ASSERT_TRUE(words.has_value());
  EXPECT_EQ(*words, (std::vector<std::wstring>{L"/install", L"-DEFAULT", L"/log", log}));
  const ParsedCommandLine parsed = ParseCommandLineWords(*words);
  EXPECT_EQ(parsed.mode, CommandLineMode::Unattended);
  EXPECT_EQ(parsed.request, (UnattendedRequest{UnattendedAction::Install, true, log, std::nullopt}));

  // An unquoted program path falls apart at its blanks: still the window.
  const auto pieces = SplitCommandLineWords(program);
  ASSERT_TRUE(pieces.has_value());
  EXPECT_EQ(pieces->size(), 4u);
  EXPECT_EQ(ParseCommandLineWords(*pieces).mode, CommandLineMode::Window);
}

// The cheap check must agree with the platform's own splitting on whether
// there is any word after the program's name.
TEST(UnattendedCommandLineOnWine, TheArgumentCheckSkipsTheProgramNameAsThePlatformDoes) {
  const std::wstring lines[] = {
      L"p.exe",
      L"p.exe \t ",
      L"p.exe /install",
      L"p.exe\t-status",
      L"\"C:\\Program Files\\p.exe\"",
      L"\"C:\\Program Files\\p.exe\"  \t",
      L"\"C:\\Program Files\\p.exe\" /?",
      L"\"C:\\Program Files\\p.exe\"/?",
      L"\"C:\\Program Files\\p.exe /install",
      L"C:\\Program Files\\p.exe",
      L"\"\"",
      L"\"\" /install",
      L" p.exe",
  };
  for (const std::wstring& line : lines) {
    int count = 0;
    const UniqueLocal<LPWSTR*> words(CommandLineToArgvW(line.c_str(), &count));
    ASSERT_TRUE(words);
    EXPECT_EQ(HasWordsAfterProgramName(line), count > 1) << ::testing::PrintToString(line);
  }
}

constexpr int kLinesPerWriter = 500;
constexpr DWORD kWaitMs = 60000;
// "ü€😀", as every writer ends its lines.
const std::string kLineEnd = "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80";

// A started writer, ended at the latest when the test is.
class Writer {
 public:
  Writer(const std::wstring& log, const std::wstring& tag, const std::wstring& prefix) {
    const std::wstring program = wine_test::TestProgramFolder() + L"\\wine_log_writer.exe";
    std::wstring command = L"\"" + program + L"\" \"" + log + L"\" " + tag + L" " +
                           std::to_wstring(kLinesPerWriter) + L" " + prefix;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
      return;
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
  }
  ~Writer() {
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.get(), 1);
    }
  }
  HANDLE get() const { return process_.get(); }
  DWORD ExitCode() const {
    DWORD code = 0;
    return GetExitCodeProcess(process_.get(), &code) ? code : 0xFFFFFFFF;
  }

 private:
  UniqueHandle process_;
};

UniqueHandle NamedEvent(const std::wstring& name) {
  return UniqueHandle(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
}

std::vector<std::string> LinesOf(const std::vector<std::uint8_t>& bytes) {
  const std::string text(bytes.begin(), bytes.end());
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start != text.size()) lines.push_back(text.substr(start));  // an unended last line
  return lines;
}

// "YYYY-MM-DD hh:mm:ss.mmm " with digits where the shape has 'd'.
bool StartsWithTimeStamp(const std::string& line) {
  const std::string shape = "dddd-dd-dd dd:dd:dd.ddd ";
  if (line.size() < shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const bool fits = shape[i] == 'd' ? std::isdigit(static_cast<unsigned char>(line[i])) != 0
                                      : line[i] == shape[i];
    if (!fits) return false;
  }
  return true;
}

TEST(UnattendedLogOnWine, TwoRunsLoggingAtOnceLoseAndTearNoLine) {
  ScratchFolder scratch(L"tarnwell log");
  const std::wstring folder = scratch.path() + L"\\Protokoll \u00DC\u03A9";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring log = folder + L"\\two runs.log";

  // Both writers open the log, then wait for one signal to write at once.
  const std::wstring prefix = L"TarnwellLogTest-" + wine_test::UniqueSuffix();
  const UniqueHandle go = NamedEvent(prefix + L"-go");
  const UniqueHandle ready_a = NamedEvent(prefix + L"-ready-A");
  const UniqueHandle ready_b = NamedEvent(prefix + L"-ready-B");
  ASSERT_TRUE(go && ready_a && ready_b);
  const Writer a(log, L"A", prefix);
  const Writer b(log, L"B", prefix);
  ASSERT_TRUE(a.get() && b.get());
  const HANDLE ready[] = {ready_a.get(), ready_b.get()};
  ASSERT_EQ(WaitForMultipleObjects(2, ready, TRUE, kWaitMs), WAIT_OBJECT_0);
  ASSERT_TRUE(SetEvent(go.get()));
  const HANDLE writers[] = {a.get(), b.get()};
  ASSERT_EQ(WaitForMultipleObjects(2, writers, TRUE, kWaitMs), WAIT_OBJECT_0);
  ASSERT_EQ(a.ExitCode(), 0u);
  ASSERT_EQ(b.ExitCode(), 0u);

  const std::vector<std::string> lines = LinesOf(ReadFileCapped(log, 1 << 20));
  // Each writer's lines, whole and in its own order.
  std::map<char, int> next = {{'A', 1}, {'B', 1}};
  int turns = 0;
  char previous = 0;
  for (const std::string& line : lines) {
    ASSERT_TRUE(StartsWithTimeStamp(line)) << line;
    const std::string text = line.substr(24);
    const char tag = text.size() > 7 ? text[7] : 0;
    ASSERT_TRUE(next.count(tag)) << line;
    ASSERT_EQ(text, "writer " + std::string(1, tag) + " line " + std::to_string(next[tag]++) +
                        " " + kLineEnd);
    turns += previous != 0 && tag != previous ? 1 : 0;
    previous = tag;
  }
  EXPECT_EQ(lines.size(), 2u * kLinesPerWriter);
  EXPECT_EQ(next['A'], kLinesPerWriter + 1);
  EXPECT_EQ(next['B'], kLinesPerWriter + 1);
  // Without turns the writers never met, and the check above would prove nothing.
  EXPECT_GT(turns, 0);
}

// Runs the program with `switches`, and `output` as its standard output when
// given; its exit code and how long it took, or 0xFFFFFFFF when it did not
// end within 30 s.
std::pair<DWORD, long long> RunProgram(const std::wstring& switches, HANDLE output = nullptr) {
  const std::wstring folder = wine_test::PackageFolder();
  const std::wstring program =
      folder.substr(0, folder.find_last_of(L'\\')) + L"\\Tarnwell PDF Printer Software.exe";
  std::wstring command = L"\"" + program + L"\" " + switches;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (output) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
  }
  PROCESS_INFORMATION info{};
  const auto began = wine_test::Clock::now();
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, output != nullptr, 0,
                      nullptr, nullptr, &startup, &info)) {
    return {0xFFFFFFFF, 0};
  }
  CloseHandle(info.hThread);
  const UniqueHandle process(info.hProcess);
  DWORD code = 0xFFFFFFFF;
  if (WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.get(), &code);
  } else {
    TerminateProcess(process.get(), 1);
  }
  return {code, wine_test::MillisecondsSince(began)};
}

// Anyone who can open the log can lock it: the command goes on without it.
TEST(UnattendedLogOnWine, ALogHeldLockedByAnotherProcessDelaysACommandTwoSecondsAtMost) {
  ScratchFolder scratch(L"tarnwell held log");
  const std::wstring log = scratch.path() + L"\\held.log";
  const auto [free_code, free_ms] = RunProgram(L"/status /log \"" + log + L"\"");
  ASSERT_TRUE(free_code == 0 || free_code == 1) << free_code;
  const std::size_t size = ReadFileCapped(log, 1 << 20).size();
  ASSERT_GT(size, 0u);

  UniqueFile holder(CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  OVERLAPPED range{};
  ASSERT_TRUE(LockFileEx(holder.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &range));
  const auto [held_code, held_ms] = RunProgram(L"/status /log \"" + log + L"\"");
  EXPECT_EQ(held_code, free_code);
  EXPECT_LT(held_ms, 3000);
  LARGE_INTEGER held_size{};
  ASSERT_TRUE(GetFileSizeEx(holder.get(), &held_size));
  EXPECT_EQ(static_cast<std::size_t>(held_size.QuadPart), size);

  // Lines it could not place are counted, for the closing line, and the
  // next one once the lock is gone is written.
  {
    LogFile file(log);
    ASSERT_TRUE(file.is_open());
    const auto began = wine_test::Clock::now();
    for (int i = 0; i < 12; ++i) file.WriteLine(L"dropped");
    EXPECT_LT(wine_test::MillisecondsSince(began), 2500);
    EXPECT_EQ(file.dropped(), 12u);
    UnlockFileEx(holder.get(), 0, MAXDWORD, MAXDWORD, &range);
    file.WriteLine(L"placed");
    EXPECT_EQ(file.dropped(), 12u);
  }
  const std::vector<std::string> lines = LinesOf(ReadFileCapped(log, 1 << 20));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().substr(24), "placed");
}

std::string Text(const std::wstring& path) {
  const std::vector<std::uint8_t> bytes = ReadFileCapped(path, 1 << 20);
  return {bytes.begin(), bytes.end()};
}

void WriteText(const std::wstring& path, const std::string& text) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()),
                                &written, nullptr));
}

std::wstring OnlyMatch(const std::wstring& pattern) {
  WIN32_FIND_DATAW found{};
  const UniqueFind search(FindFirstFileW(pattern.c_str(), &found));
  if (!search) return L"(none)";
  const std::wstring name = found.cFileName;
  return FindNextFileW(search.get(), &found) ? L"(more than one)" : name;
}

// Run elevated (as every run under Wine is), the log is never written
// through a second name, a name taken by a file is left alone for a fresh
// folder the output and the log name (an earlier one anyone may change is
// passed over), and a share whose root others may
// change gets no log and no folder.
TEST(UnattendedLogOnWine, AsAdministratorTheLogsFolderIsReplacedOrRefusedNeverFollowed) {
  ScratchFolder scratch(L"tarnwell log folder");
  const std::wstring root = scratch.path();
  ASSERT_TRUE(CreateDirectoryW((root + L"\\linked").c_str(), nullptr));
  WriteText(root + L"\\target.txt", "planted\r\n");
  ASSERT_TRUE(CreateHardLinkW((root + L"\\linked\\x.log").c_str(),
                              (root + L"\\target.txt").c_str(), nullptr));
  EXPECT_EQ(RunProgram(L"/status /log \"" + root + L"\\linked\\x.log\"").first, 1622u);
  EXPECT_EQ(Text(root + L"\\target.txt"), "planted\r\n");
  EXPECT_EQ(Text(root + L"\\linked\\x.log"), "planted\r\n");

  // Everyone may change what gets this list.
  UniqueLocal<PSECURITY_DESCRIPTOR> everyone;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, everyone.put(), nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(everyone.get(), &present, &dacl, &defaulted);
  const auto open_to_everyone = [&](const std::wstring& path) {
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl, nullptr);
  };

  WriteText(root + L"\\taken", "planted\r\n");
  // A fresh folder's name, taken by a folder anyone may change: passed over.
  const std::wstring planted = root + L"\\taken-0000000000000000";
  ASSERT_TRUE(CreateDirectoryW(planted.c_str(), nullptr));
  ASSERT_EQ(open_to_everyone(planted), static_cast<DWORD>(ERROR_SUCCESS));
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  UniqueFile output(CreateFileW((root + L"\\output.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                &inherited, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(output);
  const DWORD free_code = RunProgram(L"/status /log \"" + root + L"\\free\\x.log\"").first;
  ASSERT_TRUE(free_code == 0 || free_code == 1) << free_code;
  EXPECT_EQ(RunProgram(L"/status /log \"" + root + L"\\taken\\x.log\"", output.get()).first,
            free_code);
  output.reset();
  EXPECT_EQ(Text(root + L"\\taken"), "planted\r\n");
  EXPECT_TRUE(RemoveDirectoryW(planted.c_str())) << "the log went into the planted folder";
  const std::wstring fresh = OnlyMatch(root + L"\\taken-*");
  ASSERT_EQ(fresh.size(), 22u) << ::testing::PrintToString(fresh);
  const std::string named = "The new log folder \"" + std::string(root.begin(), root.end()) +
                            "\\" + std::string(fresh.begin(), fresh.end()) + "\" is used instead.";
  EXPECT_NE(Text(root + L"\\output.txt").find(named), std::string::npos) << named;
  // What /status finds is printed too.
  EXPECT_NE(Text(root + L"\\output.txt").find("Windows protected print mode is off."),
            std::string::npos);
  EXPECT_NE(Text(root + L"\\" + fresh + L"\\x.log").find(named), std::string::npos);

  // Another process holds a folder of the path open with delete access and
  // no delete sharing, so it cannot be held: the name counts as taken, and
  // the command goes on, logging in a fresh folder beside it.
  {
    const std::wstring held = root + L"\\held";
    ASSERT_TRUE(CreateDirectoryW(held.c_str(), nullptr));
    wine_test::HoldingChild holder(L"hold \"" + held + L"\"");
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(RunProgram(L"/status /log \"" + held + L"\\x.log\"").first, free_code);
    const std::wstring beside = OnlyMatch(root + L"\\held-*");
    ASSERT_EQ(beside.size(), 21u) << ::testing::PrintToString(beside);
    EXPECT_NE(Text(root + L"\\" + beside + L"\\x.log").find("is used instead."),
              std::string::npos);
    EXPECT_FALSE(wine_test::Exists(held + L"\\x.log"));
  }

  // Wine finds "\\server\share\" in its prefix's dosdevices\unc folder.
  const std::wstring prefix = EnvironmentValue(L"WINEPREFIX");
  ASSERT_EQ(prefix.substr(0, 1), L"/");
  std::wstring unc = L"Z:" + prefix + L"/dosdevices/unc";
  for (wchar_t& c : unc) c = c == L'/' ? L'\\' : c;
  const std::wstring server = L"tarnwell-" + wine_test::UniqueSuffix();
  CreateDirectoryW(unc.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW((unc + L"\\" + server).c_str(), nullptr));
  const std::wstring share = unc + L"\\" + server + L"\\open";
  ASSERT_TRUE(CreateDirectoryW(share.c_str(), nullptr));
  ASSERT_EQ(open_to_everyone(share), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(RunProgram(L"/status /log \"\\\\" + server + L"\\open\\Logs\\x.log\"").first,
            1622u);
  EXPECT_FALSE(wine_test::Exists(share + L"\\Logs"));
  RemoveDirectoryW(share.c_str());
  RemoveDirectoryW((unc + L"\\" + server).c_str());
}

}  // namespace
}  // namespace tarnwell
