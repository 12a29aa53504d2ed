#include "core/texts/text_id.h"

namespace tarnwell {

std::wstring_view EnglishText(TextId id) {
  switch (id) {
#define TARNWELL_TEXT(name, id, english) \
  case TextId::name:                     \
    return english;
#include "core/texts/texts.def"
#undef TARNWELL_TEXT
  }
  return {};
}

std::wstring FillIn(std::wstring_view text,
                    std::initializer_list<std::pair<std::wstring_view, std::wstring_view>> values) {
  std::wstring out;
  out.reserve(text.size() + 64);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find(L'{', at);
    const std::size_t close = open == std::wstring_view::npos ? open : text.find(L'}', open);
    if (close == std::wstring_view::npos) break;
    out.append(text.substr(at, open - at));
    const std::wstring_view name = text.substr(open + 1, close - open - 1);
    const auto* value = values.begin();
    while (value != values.end() && value->first != name) ++value;
    out.append(value != values.end() ? value->second : text.substr(open, close + 1 - open));
    at = close + 1;
  }
  out.append(text.substr(std::min(at, text.size())));
  return out;
}

}  // namespace tarnwell
