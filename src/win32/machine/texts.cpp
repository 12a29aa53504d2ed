// The program's texts from its string tables: Windows picks the table of the
// user's display language, a language's neutral table for its regional
// variants, and English where the program has no translation.
#include <windows.h>

#include "win32/machine/machine.h"

namespace tarnwell {

std::wstring Win32Machine::Text(TextId id) {
  // With no buffer, LoadStringW answers a pointer into the loaded resource
  // and the text's length: no copy, no limit on the length.
  const wchar_t* text = nullptr;
  const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                 reinterpret_cast<wchar_t*>(&text), 0);
  if (length <= 0 || text == nullptr) return std::wstring(EnglishText(id));
  return std::wstring(text, static_cast<std::size_t>(length));
}

}  // namespace tarnwell
