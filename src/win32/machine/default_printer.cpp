// Setting the default printer through the scripting host's network object.
#include "win32/machine/machine.h"

#include <string>

#include "core/port/run_error.h"
#include "win32/machine/wsh_network.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

// COM and its strings are needed only here, so their DLLs are loaded on
// first use rather than at every start.
constexpr wchar_t kOle[] = L"ole32.dll";
constexpr wchar_t kOleAutomation[] = L"oleaut32.dll";

// Only called for a string that was allocated, so oleaut32 is loaded by then.
void FreeBstr(BSTR text) noexcept {
  static const auto free_string =
      SystemFunction<decltype(&SysFreeString)>(kOleAutomation, "SysFreeString");
  free_string(text);
}

using UniqueBstr = unique_handle<BSTR, FreeBstr>;

[[noreturn]] void ThrowFailure(HRESULT result) { ThrowWin32Error(static_cast<DWORD>(result)); }

}  // namespace

void Win32Machine::EnsureCom() {
  if (com_initialised_) return;
  static const auto initialise =
      SystemFunction<decltype(&CoInitializeEx)>(kOle, "CoInitializeEx");
  const HRESULT result = initialise(nullptr, COINIT_APARTMENTTHREADED);
  // Already initialised in another mode on this thread: COM is usable as it is.
  if (result == RPC_E_CHANGED_MODE) return;
  if (FAILED(result)) ThrowFailure(result);
  com_initialised_ = true;
}

// The object lives for this one call.
void Win32Machine::SetDefaultPrinterByScriptHost(const std::wstring& printer) {
  EnsureCom();
  ComPtr<wsh::IWshNetwork2> network;
  static const auto create_instance =
      SystemFunction<decltype(&CoCreateInstance)>(kOle, "CoCreateInstance");
  static const auto allocate_string =
      SystemFunction<decltype(&SysAllocStringLen)>(kOleAutomation, "SysAllocStringLen");
  HRESULT result = create_instance(wsh::kClsidWshNetwork, nullptr, CLSCTX_INPROC_SERVER,
                                    wsh::kIidIWshNetwork2, network.put_void());
  if (FAILED(result)) ThrowFailure(result);

  const UniqueBstr name(allocate_string(printer.data(), static_cast<UINT>(printer.size())));
  if (!name) ThrowFailure(E_OUTOFMEMORY);
  result = network->SetDefaultPrinter(name.get());
  if (FAILED(result)) ThrowFailure(result);
}

}  // namespace tarnwell
