// Small text helpers for the messages users read.
#pragma once

#include <string>

namespace tarnwell {

// The text between double quotes, as messages name files, keys and values.
inline std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

}  // namespace tarnwell
