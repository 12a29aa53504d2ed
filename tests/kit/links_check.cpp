// Links where the privileged commands walk: a junction and a symbolic link
// in the printer package's tree make /install refuse (1603) before any
// setup runs, and a junction or a directory symbolic link on the log path
// is not followed: nothing is written where it points.
// https://learn.microsoft.com/en-us/windows/win32/fileio/reparse-points
// https://learn.microsoft.com/en-us/windows/win32/api/winioctl/ni-winioctl-fsctl_set_reparse_point
// https://learn.microsoft.com/en-us/windows/win32/api/winbase/nf-winbase-createsymboliclinkw
#include "kit_context.h"

#include <winioctl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>


namespace kit {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kProgram[] = L"Tarnwell PDF Printer Software.exe";
constexpr wchar_t kPrinter[] = L"Quellmark PDF Setup";
constexpr DWORD kWaitMs = 120000;

// The mount-point layout of a reparse point's data (REPARSE_DATA_BUFFER in
// the driver kit's headers, which mingw's do not carry).
struct MountPointData {
  DWORD tag;
  WORD data_length;
  WORD reserved;
  WORD substitute_offset, substitute_length, print_offset, print_length;
  wchar_t names[1024];
};

// A junction at `link` (an empty folder made here) to the folder `target`.
std::string MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) return "folder: " + SystemError(GetLastError());
  HANDLE folder = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return "open: " + SystemError(GetLastError());
  const std::wstring substitute = L"\\??\\" + target;
  MountPointData data{};
  data.tag = IO_REPARSE_TAG_MOUNT_POINT;
  data.substitute_length = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  data.print_offset = data.substitute_length + sizeof(wchar_t);
  data.print_length = static_cast<WORD>(target.size() * sizeof(wchar_t));
  substitute.copy(data.names, substitute.size());
  target.copy(data.names + substitute.size() + 1, target.size());
  data.data_length = static_cast<WORD>(4 * sizeof(WORD) + data.print_offset + data.print_length +
                                       sizeof(wchar_t));
  DWORD returned = 0;
  const bool set = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, &data,
                                   8 + data.data_length, nullptr, 0, &returned, nullptr);
  const DWORD error = GetLastError();
  CloseHandle(folder);
  return set ? "" : "reparse point: " + SystemError(error);
}

// A folder of the kit's own below `parent`, removed with what is in it.
fs::path MadeFolder(Cleanup& cleanup, const fs::path& parent, const wchar_t* name) {
  const fs::path folder = parent / name;
  if (!CreateDirectoryW(folder.c_str(), nullptr)) {
    throw std::runtime_error("could not make " + Utf8(folder.wstring()) + ": " +
                             SystemError(GetLastError()));
  }
  cleanup.Add(Utf8(folder.wstring()), [folder] { return RemoveTree(folder); });
  return folder;
}

std::string Code(const std::optional<DWORD>& code) {
  return code ? std::to_string(*code) : "no exit within two minutes";
}

// Whether the log at `path` says `text`, in UTF-8 or UTF-16.
bool LogSays(const fs::path& path, const std::wstring& text) {
  std::ifstream file(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string wide(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return bytes.find(Utf8(text)) != std::string::npos || bytes.find(wide) != std::string::npos;
}

}  // namespace

Outcome LinksRefusedNotFollowed(const Context& context, Cleanup& cleanup) {
  if (context.under_wine) {
    return Skipped("Wine 8's CreateSymbolicLinkW answers success and makes nothing, and it "
                   "plants no junction");
  }
  if (PrinterInstalled()) return Skipped("the printer is installed on this PC already");
  // An application folder where only trusted accounts may change things,
  // so that the links are the only reason to refuse.
  const fs::path programs = Expanded(L"%ProgramFiles%");
  const fs::path windows_temp = Expanded(L"%SystemRoot%\\Temp");
  if (programs.empty() || windows_temp.empty()) return Failed("no Program Files or Windows\\Temp");
  const fs::path app = MadeFolder(cleanup, programs, L"Tarnwell test kit links");
  std::error_code copied;
  fs::copy(fs::path(context.folder) / L"program", app, fs::copy_options::recursive, copied);
  if (copied) return Failed("could not copy the program: " + copied.message());
  const fs::path target = MadeFolder(cleanup, windows_temp, L"tarnwell-kit-link-target");
  const fs::path package = app / kPrinter;
  std::vector<std::string> details;
  bool all_held = true;
  const auto expect = [&](bool held, const std::string& what) {
    details.push_back((held ? "as expected: " : "WRONG: ") + what);
    all_held = all_held && held;
  };

  // In the package's tree: /install refuses, names the link (trusted_path.cpp's
  // words), and no setup runs. Its log lies in a folder below the
  // application folder, which only trusted accounts may change.
  const fs::path install_log = MadeFolder(cleanup, app, L"kit logs") / L"install.log";
  const auto install_refused = [&](const std::string& what) {
    const auto code = support::RunProgramToEnd((app / kProgram).wstring(),
                                 L"/install /log \"" + install_log.wstring() + L"\"", app, kWaitMs);
    const bool named = LogSays(install_log, L"is a link, junction or mount point");
    expect(code == 1603u && named && !PrinterInstalled(),
           "/install with " + what + " in the package's tree answers " + Code(code) +
               (named ? ", its log names the link" : ", its log does not name the link") +
               (PrinterInstalled() ? ", and the printer was installed" : ", no printer"));
    DeleteFileW(install_log.c_str());
  };
  const std::wstring junction = (package / L"linked folder").wstring();
  std::string made = MakeJunction(junction, target.wstring());
  if (!made.empty()) return Failed("could not plant a junction: " + made, details);
  install_refused("a junction");
  RemoveDirectoryW(junction.c_str());
  const std::wstring symbolic = (package / L"linked.dll").wstring();
  if (!CreateSymbolicLinkW(symbolic.c_str(), (target / L"planted.dll").c_str(), 0)) {
    return Failed("could not plant a symbolic link: " + SystemError(GetLastError()), details);
  }
  install_refused("a symbolic link");
  DeleteFileW(symbolic.c_str());

  // On the log path: nothing is written where the link leads.
  const fs::path logs = MadeFolder(cleanup, Expanded(L"%ProgramData%"), L"Tarnwell test kit links");
  made = MakeJunction((logs / L"junction").wstring(), target.wstring());
  if (!made.empty()) return Failed("could not plant a junction: " + made, details);
  auto code = support::RunProgramToEnd((app / kProgram).wstring(),
                         L"/status /log \"" + (logs / L"junction" / L"kit.log").wstring() + L"\"",
                         app, kWaitMs);
  expect(!fs::exists(target / L"kit.log"),
         "/status /log through a junction answers " + Code(code) +
             (fs::exists(target / L"kit.log") ? " and wrote the log where the junction leads"
                                              : ", nothing written where it leads"));
  if (!CreateSymbolicLinkW((logs / L"symbolic").c_str(), target.c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    return Failed("could not plant a directory symbolic link: " + SystemError(GetLastError()),
                  details);
  }
  code = support::RunProgramToEnd((app / kProgram).wstring(),
                    L"/status /log \"" + (logs / L"symbolic" / L"kit.log").wstring() + L"\"", app,
                    kWaitMs);
  expect(!fs::exists(target / L"kit.log"),
         "/status /log through a directory symbolic link answers " + Code(code) +
             (fs::exists(target / L"kit.log") ? " and wrote the log where the link leads"
                                              : ", nothing written where it leads"));
  return all_held ? Passed(details) : Failed("a link was followed or not refused", details);
}

}  // namespace kit
