// Small routines the handlers share (module Main).
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

// True for anything whose last-change time the platform can report: an
// existing file or folder. Never raises.
bool FileExists(Machine& machine, const std::wstring& path);

// Cuts the product name at its last blank, at least once and until at most
// 40 characters remain. Throws RunError when a cut is needed and no blank is left.
std::wstring DeriveApplicationTitle(const std::wstring& product_name);

// Sets the application title from the product name.
void SetApplicationTitle(App& app);

// Message box with the application title as caption.
Answer MsgBox(App& app, const std::wstring& text, MessageKind kind = kNotice);
// The same with one of the program's texts, in the user's language.
Answer MsgBox(App& app, TextId text, MessageKind kind = kNotice);

// A directory search for an ordinary file: hidden, system and folders are not found.
bool FindOrdinaryFile(Machine& machine, const std::wstring& path);

// A directory search for a folder or file that is neither hidden nor system.
bool FindVisibleEntry(Machine& machine, const std::wstring& path);

}  // namespace tarnwell
