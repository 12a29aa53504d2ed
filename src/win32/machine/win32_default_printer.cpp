// Setting the default printer through the scripting host's network object.
#include "win32/machine/win32_machine.h"

#include <string>

#include "core/port/run_error.h"
#include "win32_common/scoped_handle.h"
#include "win32/machine/win32_wsh_network.h"

namespace tarnwell {
namespace {

using UniqueBstr = unique_handle<BSTR, ::SysFreeString>;

[[noreturn]] void ThrowFailure(HRESULT result) {
  throw RunError(DescribeWin32Error(static_cast<DWORD>(result)));
}

}  // namespace

void Win32Machine::EnsureCom() {
  if (com_initialised_) return;
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Already initialised in another mode on this thread: COM is usable as it is.
  if (result == RPC_E_CHANGED_MODE) return;
  if (FAILED(result)) ThrowFailure(result);
  com_initialised_ = true;
}

// The object lives for this one call.
void Win32Machine::SetDefaultPrinterByScriptHost(const std::wstring& printer) {
  EnsureCom();
  ComPtr<wsh::IWshNetwork2> network;
  HRESULT result = CoCreateInstance(wsh::kClsidWshNetwork, nullptr, CLSCTX_INPROC_SERVER,
                                    wsh::kIidIWshNetwork2, network.put_void());
  if (FAILED(result)) ThrowFailure(result);

  const UniqueBstr name(SysAllocStringLen(printer.data(), static_cast<UINT>(printer.size())));
  if (!name) ThrowFailure(E_OUTOFMEMORY);
  result = network->SetDefaultPrinter(name.get());
  if (FAILED(result)) ThrowFailure(result);
}

}  // namespace tarnwell
