// The texts the user reads, named: each name is also the text's id in the
// program's string tables, one table per language.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace tarnwell {

enum class TextId : unsigned {
#define TARNWELL_TEXT(name, id, english) name = id,
#include "core/texts/texts.def"
#undef TARNWELL_TEXT
};

// The English text, as the program is written; the language every other
// one falls back to.
std::wstring_view EnglishText(TextId id);

// `text` with every {name} replaced by its value; names not given stay.
std::wstring FillIn(std::wstring_view text,
                    std::initializer_list<std::pair<std::wstring_view, std::wstring_view>> values);

}  // namespace tarnwell
