// Setting the default printer through the scripting host's network object.
#include "machine/win32_machine.h"

#include <string>

#include "app/run_error.h"
#include "machine/unique_handle.h"
#include "machine/win32_wsh_network.h"

namespace tarnwell {
namespace {

using UniqueBstr = unique_handle<BSTR, ::SysFreeString>;

[[noreturn]] void ThrowFailure(HRESULT result) {
  throw RunError(DescribeWin32Error(static_cast<DWORD>(result)));
}

}  // namespace

// The object lives for this one call; the caller's thread has set up COM.
void Win32Machine::SetDefaultPrinterByScriptHost(const std::wstring& printer) {
  wsh::IWshNetwork2* raw = nullptr;
  HRESULT result = CoCreateInstance(wsh::kClsidWshNetwork, nullptr, CLSCTX_INPROC_SERVER,
                                    wsh::kIidIWshNetwork2, reinterpret_cast<void**>(&raw));
  if (FAILED(result)) ThrowFailure(result);
  const ComPtr<wsh::IWshNetwork2> network(raw);

  const UniqueBstr name(SysAllocStringLen(printer.data(), static_cast<UINT>(printer.size())));
  if (!name) ThrowFailure(E_OUTOFMEMORY);
  result = network->SetDefaultPrinter(name.get());
  if (FAILED(result)) ThrowFailure(result);
}

}  // namespace tarnwell
