#include "core/app/shared_routines.h"

#include "core/port/run_error.h"

namespace tarnwell {

namespace {
constexpr std::size_t kTitleLimit = 40;
}

bool FileExists(Machine& machine, const std::wstring& path) {
  try {
    machine.QueryFileTime(path);
    return true;
  } catch (...) {
    return false;
  }
}

std::wstring DeriveApplicationTitle(const std::wstring& product_name) {
  std::wstring title = product_name;
  do {
    const std::size_t blank = title.rfind(L' ');
    if (blank == std::wstring::npos) throw RunError(L"Invalid procedure call or argument");
    title.resize(blank);
  } while (title.size() > kTitleLimit);
  return title;
}

void SetApplicationTitle(App& app) { app.title = DeriveApplicationTitle(kProductName); }

Answer MsgBox(App& app, const std::wstring& text, MessageKind kind) {
  return app.machine.ShowMessage(text, app.title, kind);
}

Answer MsgBox(App& app, TextId text, MessageKind kind) {
  return MsgBox(app, app.machine.Text(text), kind);
}

bool FindOrdinaryFile(Machine& machine, const std::wstring& path) {
  const auto found = machine.FindEntry(path);
  constexpr std::uint32_t kNotOrdinary =
      file_attr::kHidden | file_attr::kSystem | file_attr::kDirectory;
  return found && (*found & kNotOrdinary) == 0;
}

bool FindVisibleEntry(Machine& machine, const std::wstring& path) {
  const auto found = machine.FindEntry(path);
  return found && (*found & (file_attr::kHidden | file_attr::kSystem)) == 0;
}

}  // namespace tarnwell
