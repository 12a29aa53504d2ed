#include "core/unattended/usage.h"

#include "core/app/app.h"
#include "core/printer/package.h"

namespace tarnwell {

std::wstring UnattendedUsageText(Machine& machine) {
  const std::wstring program = std::wstring(L"\"") + kProductName + L".exe\"";
  return FillIn(machine.Text(TextId::Usage), {{L"program", program},
                                              {L"package", package::kName},
                                              {L"product", kProductName}});
}

}  // namespace tarnwell
