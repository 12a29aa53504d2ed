// The kit's one command: run-checks.exe [--report FILE] [--planted-faults]
// (--system-step install|status|uninstall is what its scheduled task runs as
// SYSTEM: local_system_check.cpp; --second-account ACTION TARGET EVENT what
// the second account's check starts as that account: second_account_check.cpp.)
// Runs every check of the kit, writes each outcome to the console and to the
// report (run-checks-report.txt in the kit's folder unless --report names
// another), ending with "N passed, N failed, N skipped"; exits 1 when a
// check failed, 2 when it could not run at all. --planted-faults runs only
// checks that fail, throw and leave things behind on purpose, to show the
// runner's own handling of them.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "kit_context.h"

namespace kit {
namespace {

namespace fs = std::filesystem;

std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return fs::path(path).parent_path().wstring();
}

bool Elevated() {
  HANDLE token = nullptr;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool read = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                    GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size);
  if (token) CloseHandle(token);
  return read && elevation.TokenIsElevated;
}

std::vector<std::string> Heading(const Context& context) {
  char started[32];
  const std::time_t now = std::time(nullptr);
  std::strftime(started, sizeof started, "%Y-%m-%d %H:%M:%S UTC", std::gmtime(&now));
  wchar_t account[256];
  DWORD size = 256;
  if (!GetUserNameW(account, &size)) account[0] = L'\0';
  return {"Tarnwell PDF Printer Software: the Windows test kit",
          std::string("started ") + started + " on Windows build " +
              std::to_string(WindowsBuild()) + (context.under_wine ? " (Wine)" : "") +
              " as " + Utf8(account) + (Elevated() ? ", elevated" : ", not elevated"),
          "kit folder: " + Utf8(context.folder), ""};
}

// The tiers ctest runs: their programs are built with this build machine's
// folders written in them.
Check Tiers(const Context& context) {
  return {"the adapter, end-to-end and package tiers", [context](Cleanup&) {
            return Skipped(context.under_wine
                               ? "the test command runs them under Wine through ctest just "
                                 "before the kit; running them again would double its time"
                               : "not built yet: their programs name the build machine's "
                                 "folders, so the kit does not carry them");
          }};
}

// The folder planted check `index` makes in the temporary folder, named
// after this run so that leftovers of another cannot stand in for it.
std::wstring PlantedFolder(int index) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  return std::wstring(temp, length) + L"tarnwell-kit-planted-" +
         std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(index);
}

// Makes it, with its removal.
void MakePlantedFolder(Cleanup& cleanup, int index) {
  const std::wstring folder = PlantedFolder(index);
  if (!CreateDirectoryW(folder.c_str(), nullptr)) {
    throw std::runtime_error("could not make " + Utf8(folder) + ": " + SystemError(GetLastError()));
  }
  cleanup.Add(Utf8(folder), [folder]() -> std::string {
    return RemoveDirectoryW(folder.c_str()) ? "" : SystemError(GetLastError());
  });
}

std::vector<Check> PlantedFaults() {
  return {
      {"planted: a check that makes a folder and passes",
       [](Cleanup& cleanup) {
         MakePlantedFolder(cleanup, 1);
         return Passed();
       }},
      {"planted: a check that fails",
       [](Cleanup& cleanup) {
         MakePlantedFolder(cleanup, 2);
         return Failed("as planted");
       }},
      {"planted: a check that throws",
       [](Cleanup& cleanup) -> Outcome {
         MakePlantedFolder(cleanup, 3);
         throw std::runtime_error("as planted");
       }},
      {"planted: what the checks before made is gone",
       [](Cleanup&) {
         std::vector<std::string> left;
         for (int index = 1; index <= 3; ++index) {
           if (GetFileAttributesW(PlantedFolder(index).c_str()) != INVALID_FILE_ATTRIBUTES) {
             left.push_back(Utf8(PlantedFolder(index)));
           }
         }
         return left.empty() ? Passed() : Failed("still there", left);
       }},
      {"planted: a check that leaves something it cannot undo",
       [](Cleanup& cleanup) {
         cleanup.Add("a planted leftover", [] { return std::string("as planted"); });
         return Passed();
       }},
  };
}

int Run(int argc, wchar_t** argv) {
  Context context{OwnFolder(), {}, RunsUnderWine()};
  fs::path report_path = fs::path(context.folder) / L"run-checks-report.txt";
  bool planted = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--report" && i + 1 < argc) {
      report_path = argv[++i];
    } else if (argument == L"--planted-faults") {
      planted = true;
    } else if (argument == L"--system-step" && i + 1 < argc &&
               (std::wstring(argv[i + 1]) == L"install" || std::wstring(argv[i + 1]) == L"status" ||
                std::wstring(argv[i + 1]) == L"uninstall")) {
      return SystemStep(context, argv[i + 1]);
    } else if (argument == L"--second-account" && i + 3 < argc) {
      return SecondAccountStep(argv[i + 1], argv[i + 2], argv[i + 3]);
    } else {
      std::fprintf(stderr, "usage: run-checks.exe [--report FILE] [--planted-faults]\n");
      return 2;
    }
  }
  if (!context.under_wine && !Elevated()) {
    std::fprintf(stderr, "run-checks.exe: run it as an administrator (elevated).\n");
    return 2;
  }
  context.report = report_path.wstring();
  std::ofstream report(report_path, std::ios::binary);
  if (!report) {
    std::fprintf(stderr, "run-checks.exe: cannot write %s\n", Utf8(report_path.wstring()).c_str());
    return 2;
  }
  const auto write = [&report](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    report << line << "\r\n" << std::flush;
  };
  for (const std::string& line : Heading(context)) write(line);
  std::vector<Check> checks;
  if (planted) {
    checks = PlantedFaults();
  } else {
    checks.push_back(Tiers(context));
    for (Check& check : WindowsOnlyChecks(context)) checks.push_back(std::move(check));
  }
  const Totals totals = RunChecks(checks, write);
  std::fprintf(stderr, "report: %s\n", Utf8(report_path.wstring()).c_str());
  return totals.failed ? 1 : 0;
}

}  // namespace
}  // namespace kit

int wmain(int argc, wchar_t** argv) {
  // Only the system folder serves DLLs, whatever lies beside the kit.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return kit::Run(argc, argv);
}
