// What every handler works with: the machine and the application object's title.
#pragma once

#include <string>

#include "core/port/machine.h"

namespace tarnwell {

inline constexpr wchar_t kProductName[] = L"Tarnwell PDF Printer Software";

class SkinComponent;

struct App {
  explicit App(Machine& m) : machine(m) {}
  Machine& machine;
  // Caption of every message box that names none; empty until start-up sets it.
  std::wstring title;
  // The main window's skinning component, SkinFramework1; when none is set,
  // ApplySkin uses a SkinFramework over the machine.
  SkinComponent* skin = nullptr;
};

}  // namespace tarnwell
