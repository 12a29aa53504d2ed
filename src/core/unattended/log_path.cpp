#include "core/unattended/log_path.h"

#include <array>
#include <vector>

#include "core/printer/command_line.h"
#include "core/texts/text.h"

namespace tarnwell {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

std::vector<std::wstring> Components(const std::wstring& path, std::size_t from) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (std::size_t i = from; i < path.size(); ++i) {
    if (IsSeparator(path[i])) {
      parts.push_back(part);
      part.clear();
    } else {
      part += path[i];
    }
  }
  parts.push_back(part);
  return parts;
}

// CON, NUL, COM1, LPT1 and their kin name devices in every folder, with any
// extension and trailing blanks or dots: "C:\Logs\nul.log" is the null device.
bool IsDeviceName(const std::wstring& component) {
  std::wstring base = Upper(component.substr(0, component.find(L'.')));
  while (!base.empty() && (base.back() == L' ' || base.back() == L'.')) base.pop_back();
  static const std::array<const wchar_t*, 6> kPlain = {L"CON", L"PRN", L"AUX", L"NUL",
                                                       L"CONIN$", L"CONOUT$"};
  for (const wchar_t* name : kPlain) {
    if (base == name) return true;
  }
  if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) {
    return false;
  }
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
         digit == L'\u00B3';
}

// Where the folders and the file's name start, or npos when the path is
// neither "X:\" nor "\\server\share\" (both named, neither "." nor "?").
std::size_t RootLength(const std::wstring& path) {
  if (IsFullyQualified(path)) return 3;
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return std::wstring::npos;
  const std::vector<std::wstring> parts = Components(path, 2);
  if (parts.size() < 3 || parts[0].empty() || parts[1].empty() || parts[0] == L"." ||
      parts[0] == L"?") {
    return std::wstring::npos;
  }
  return 2 + parts[0].size() + 1 + parts[1].size() + 1;
}

}  // namespace

std::optional<std::wstring> LogPathRefusal(const std::wstring& path) {
  const std::wstring shown = Quoted(path);
  if (path.find(L'"') != std::wstring::npos) {
    return L"The log path " + shown +
           L" holds a quote: a quoted folder ending with a backslash swallows the rest of the "
           L"command line. In quotes, end a folder with two backslashes or none: "
           L"\"C:\\Logs\\\\\" or \"C:\\Logs\".";
  }
  for (const wchar_t c : path) {
    if (c < L' ' || c == L'<' || c == L'>' || c == L'|' || c == L'*' || c == L'?') {
      return L"The log path " + shown +
             L" holds a character no file name may hold (< > | * ? or a control character).";
    }
  }
  const std::size_t root = RootLength(path);
  if (root == std::wstring::npos) {
    return L"The log path " + shown +
           L" is not a full path: name the log file with its drive or its share, as in "
           L"C:\\Logs\\run.log or \\\\server\\share\\run.log.";
  }
  if (root != 3) {
    // "\\server\pipe\..." and "\\server\IPC$\..." reach a named pipe on
    // that server, whose owner could act as this process's account;
    // "mailslot" is no file either. Windows drops a name's trailing dots and
    // blanks, so "pipe." is the pipes' share too.
    std::wstring share = Upper(Components(path, 2)[1]);
    while (!share.empty() && (share.back() == L'.' || share.back() == L' ')) share.pop_back();
    if (share == L"PIPE" || share == L"IPC$" || share == L"MAILSLOT") {
      return L"The log path " + shown + L" names a pipe or mailslot, not a file.";
    }
  }
  if (path.find(L':', 2) != std::wstring::npos) {
    return L"The log path " + shown + L" holds a colon after its drive.";
  }
  for (const std::wstring& component : Components(path, root)) {
    if (component == L"." || component == L"..") {
      return L"The log path " + shown + L" goes through \".\" or \"..\": name its folders plainly.";
    }
    if (IsDeviceName(component)) {
      return L"The log path " + shown + L" names a device (" + Quoted(component) +
             L"), not a file.";
    }
  }
  return std::nullopt;
}

std::wstring LogFileOf(const std::wstring& path,
                       const std::function<bool(const std::wstring&)>& is_folder) {
  if (!path.empty() && IsSeparator(path.back())) return path + kLogFileName;
  if (is_folder(path)) return path + L"\\" + kLogFileName;
  return path;
}

}  // namespace tarnwell
