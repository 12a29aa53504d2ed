// The unattended command line: one table of the lines the program accepts,
// the ones it leaves to the window, and the ones it refuses.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/unattended/log_path.h"
#include "core/unattended/switches.h"

namespace tarnwell::testing {
namespace {

using Action = UnattendedAction;
using Mode = CommandLineMode;

struct Case {
  std::vector<std::wstring> words;
  Mode mode;
  UnattendedRequest request;  // Unattended: all of it; Invalid: the log path only
  std::wstring reason_holds;  // Invalid: a text the reason must name
};

Case Window(std::vector<std::wstring> words) { return {std::move(words), Mode::Window, {}, L""}; }

Case Accepted(std::vector<std::wstring> words, Action action, bool set_default = false,
              std::optional<std::wstring> log = std::nullopt) {
  return {std::move(words), Mode::Unattended, {action, set_default, std::move(log), std::nullopt}, L""};
}

Case Refused(std::vector<std::wstring> words, std::wstring reason_holds,
             std::optional<std::wstring> log = std::nullopt) {
  return {std::move(words), Mode::Invalid, {Action::Help, false, std::move(log), std::nullopt},
          std::move(reason_holds)};
}

TEST(UnattendedSwitches, AcceptedLeftToTheWindowAndRefused) {
  const std::wstring log = L"C:\\Logs\\Tarnwell \u00DCbersicht\\run.log";
  const Case cases[] = {
      // No switch: the window, whatever the words.
      Window({}),
      Window({L"C:\\Users\\ana\\report.pdf"}),
      Window({L"Files\\Tarnwell", L"PDF", L"Printer", L"Software.exe"}),

      // The four command lines, in any case and with "-" as well as "/".
      Accepted({L"/install"}, Action::Install),
      Accepted({L"/INSTALL", L"-Default"}, Action::Install, true),
      Accepted({L"-default", L"/Log", log, L"/install"}, Action::Install, true, log),
      Accepted({L"/uninstall", L"-LOG", log}, Action::Uninstall, false, log),
      Accepted({L"-Status"}, Action::Status),
      Accepted({L"/status", L"/log", L"\\\\srv\\logs\\s.log"}, Action::Status, false,
               L"\\\\srv\\logs\\s.log"),
      Accepted({L"/status", L"/log", L"C:/Logs/"}, Action::Status, false, L"C:/Logs/"),
      Accepted({L"/status", L"/log", L"c:\\console.com10.log"}, Action::Status, false,
               L"c:\\console.com10.log"),
      Accepted({L"/?"}, Action::Help),
      Accepted({L"-?"}, Action::Help),
      {{L"/uninstall", L"-TIMEOUT", L"1800"}, Mode::Unattended,
       {Action::Uninstall, false, std::nullopt, 1800u}, L""},
      {{L"/install", L"/Update", L"/default"}, Mode::Unattended,
       {Action::Install, true, std::nullopt, std::nullopt, true}, L""},
      {{L"-update", L"/status"}, Mode::Unattended,
       {Action::Status, false, std::nullopt, std::nullopt, true}, L""},
      Refused({L"/uninstall", L"/update"}, L"/update goes only with /install or /status"),
      Refused({L"/install", L"/update", L"/update"}, L"/update is given more than once"),
      // Words before the first switch are ignored.
      Accepted({L"Files\\Tarnwell", L"PDF", L"/install"}, Action::Install),

      // Refused; the /log file is still known wherever it stands.
      Refused({L"/instal"}, L"\"/instal\""),
      Refused({L"/"}, L"\"/\""),
      Refused({L"/install", L"/bogus", L"/log", log}, L"\"/bogus\"", log),
      Refused({L"/install", L"now"}, L"\"now\""),
      Refused({L"/install", L"/uninstall"}, L"\"/uninstall\""),
      Refused({L"/status", L"/STATUS"}, L"one action"),
      Refused({L"/uninstall", L"/default", L"/log", log}, L"/default", log),
      Refused({L"/status", L"/default"}, L"/default"),
      Refused({L"/install", L"/default", L"/default"}, L"/default"),
      Refused({L"/default"}, L"No action"),
      Refused({L"/log", log}, L"No action", log),
      Refused({L"/install", L"/log"}, L"/log"),
      Refused({L"/install", L"/log", L""}, L"/log"),
      Refused({L"/install", L"/log", L"/default"}, L"/log"),
      Refused({L"/install", L"/log", L"C:\\a.log", L"/log", L"C:\\b.log"}, L"/log", L"C:\\a.log"),
      // Log paths: only a full path of a disk file, else nothing is done or
      // written. A quoted folder's "\\\"" is a quote to the platform.
      Refused({L"/install", L"/log", L"C:\\Logs\" /default"}, L"\"C:\\Logs\\\\\" or \"C:\\Logs\""),
      Refused({L"/status", L"/log", L"status.log"}, L"not a full path"),
      Refused({L"/status", L"/log", L"C:run.log"}, L"not a full path"),
      Refused({L"/status", L"/log", L"\\Logs\\run.log"}, L"not a full path"),
      Refused({L"/status", L"/log", L"COM1"}, L"not a full path"),
      Refused({L"/status", L"/log", L"\\\\.\\pipe\\x"}, L"not a full path"),
      Refused({L"/status", L"/log", L"\\\\srv"}, L"not a full path"),
      Refused({L"/status", L"/log", L"\\\\localhost\\PIPE\\x"}, L"pipe"),
      Refused({L"/status", L"/log", L"\\\\srv/pipe/x.log"}, L"pipe"),
      Refused({L"/status", L"/log", L"\\\\srv\\ipc$\\x.log"}, L"pipe"),
      Refused({L"/status", L"/log", L"\\\\SRV\\IPC$ .\\pipe\\x"}, L"pipe"),
      Refused({L"/status", L"/log", L"\\\\srv\\pipe.\\x"}, L"pipe"),
      Refused({L"/status", L"/log", L"\\\\srv\\MailSlot\\x"}, L"mailslot"),
      Refused({L"/status", L"/log", L"\\\\?\\UNC\\srv\\IPC$\\x"}, L"character"),
      Refused({L"/status", L"/log", L"\\\\.\\mailslot\\x"}, L"not a full path"),
      Refused({L"/status", L"/log", L"\\\\?\\GLOBALROOT\\x"}, L"character"),
      Refused({L"/status", L"/log", L"C:\\Logs\\*.log"}, L"character"),
      Refused({L"/status", L"/log", L"C:\\a|b"}, L"character"),
      Refused({L"/status", L"/log", L"C:\\a\tb"}, L"character"),
      Refused({L"/status", L"/log", L"C:\\Logs\\NUL"}, L"device"),
      Refused({L"/status", L"/log", L"C:\\Logs\\lpt1 .log"}, L"device"),
      Refused({L"/status", L"/log", L"C:\\Logs\\Com\u00B9.txt"}, L"device"),
      Refused({L"/status", L"/log", L"C:\\con\\run.log"}, L"device"),
      Refused({L"/status", L"/log", L"C:\\run.log:x"}, L"colon"),
      Refused({L"/status", L"/log", L"C:\\Logs\\..\\run.log"}, L"\"..\""),
      Refused({L"/?", L"/log", log}, L"/?", log),
      Refused({L"/status", L"/timeout", L"60"}, L"/timeout goes only"),
      Refused({L"/install", L"/timeout", L"0"}, L"/timeout needs"),
      Refused({L"/install", L"/timeout", L"+60"}, L"/timeout needs"),
      Refused({L"/install", L"/timeout", L"604801"}, L"/timeout needs"),
      Refused({L"/install", L"/timeout", L"/default"}, L"/timeout needs"),
  };
  for (const Case& c : cases) {
    std::wstring line;
    for (const std::wstring& word : c.words) line += L"[" + word + L"] ";
    SCOPED_TRACE(::testing::Message() << "words: " << ::testing::PrintToString(line));

    const ParsedCommandLine parsed = ParseCommandLineWords(c.words);
    EXPECT_EQ(parsed.mode, c.mode);
    if (c.mode == Mode::Invalid) {
      EXPECT_EQ(parsed.request.log_path, c.request.log_path);
      ASSERT_TRUE(parsed.reason.has_value());
      EXPECT_NE(parsed.reason->find(c.reason_holds), std::wstring::npos) << *parsed.reason;
    } else {
      EXPECT_EQ(parsed.request, c.request);
      EXPECT_EQ(parsed.reason, std::nullopt);
    }
  }
}

// A folder, named with a trailing separator or found on disk, gets the file.
TEST(UnattendedSwitches, LogFolderGetsTheProgramsLogFile) {
  const auto folders = [](const std::wstring& path) { return path == L"C:\\Logs"; };
  EXPECT_EQ(LogFileOf(L"C:\\Logs", folders), L"C:\\Logs\\Tarnwell PDF Printer Software.log");
  EXPECT_EQ(LogFileOf(L"D:\\x\\", folders), L"D:\\x\\Tarnwell PDF Printer Software.log");
  EXPECT_EQ(LogFileOf(L"C:\\Logs\\run.log", folders), L"C:\\Logs\\run.log");
}

}  // namespace
}  // namespace tarnwell::testing
