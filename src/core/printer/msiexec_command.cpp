#include "core/printer/msiexec_command.h"

#include <cstddef>
#include <vector>

namespace tarnwell {
namespace {

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring Lowered(std::wstring text) {
  for (wchar_t& c : text) c = Lower(c);
  return text;
}

bool IsHex(wchar_t c) {
  return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as Windows Installer writes a
// product code.
bool IsProductCode(const std::wstring& text) {
  if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
  for (std::size_t i = 1; i < 37; ++i) {
    const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
    if (dash ? text[i] != L'-' : !IsHex(text[i])) return false;
  }
  return true;
}

std::vector<std::wstring> Words(const std::wstring& text) {
  std::vector<std::wstring> words;
  std::size_t at = 0;
  while ((at = text.find_first_not_of(L" \t", at)) != std::wstring::npos) {
    const std::size_t end = text.find_first_of(L" \t", at);
    words.push_back(text.substr(at, end - at));
    at = end;
  }
  return words;
}

// A switch as MsiExec reads it: '/' or '-', then its name, lower case;
// empty for a word that is no switch.
std::wstring SwitchName(const std::wstring& word) {
  if (word.size() < 2 || (word[0] != L'/' && word[0] != L'-')) return {};
  return Lowered(word.substr(1));
}

// /q, /qn, /qb, /qr, /qf, each with up to two of '+', '-', '!' after it
// ("/qb-!"), or /quiet, /passive: MsiExec's UI levels.
bool IsUiLevel(const std::wstring& name) {
  if (name == L"quiet" || name == L"passive") return true;
  if (name.empty() || name[0] != L'q') return false;
  std::size_t at = 1;
  if (at < name.size() && std::wstring(L"nbrf").find(name[at]) != std::wstring::npos) ++at;
  if (name.size() - at > 2) return false;
  for (; at < name.size(); ++at) {
    if (std::wstring(L"+-!").find(name[at]) == std::wstring::npos) return false;
  }
  return true;
}

}  // namespace

std::optional<std::wstring> MsiExecRemovalArguments(const std::wstring& arguments) {
  const std::vector<std::wstring> words = Words(arguments);
  std::wstring code;
  std::wstring ui_level;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::wstring name = SwitchName(words[i]);
    if (!name.empty() && (name[0] == L'x' || name[0] == L'i') && code.empty()) {
      // "/X{code}" or "/X {code}".
      std::wstring rest = words[i].substr(2);
      if (rest.empty() && i + 1 < words.size()) rest = words[++i];
      if (!IsProductCode(rest)) return std::nullopt;
      code = rest;
    } else if (IsUiLevel(name)) {
      if (!ui_level.empty()) return std::nullopt;
      ui_level = name;
    } else if (name != L"norestart") {
      return std::nullopt;
    }
  }
  if (code.empty()) return std::nullopt;
  // Every level but no UI at all may show a dialog that waits for an
  // answer ("/qn+", "/qb", "/passive"'s restart prompt), and in session 0
  // nobody can give it: the removal would hang until the time limit.
  // "/quiet" is "/qn" by another name.
  return L"/X" + code + (ui_level == L"quiet" ? L" /quiet" : L" /qn") + L" /norestart";
}

bool IsSystemMsiExec(const std::wstring& program, const std::wstring& system_folder) {
  if (system_folder.empty()) return false;
  std::wstring expected = system_folder;
  if (expected.back() != L'\\') expected += L'\\';
  return Lowered(program) == Lowered(expected + L"msiexec.exe");
}

}  // namespace tarnwell
