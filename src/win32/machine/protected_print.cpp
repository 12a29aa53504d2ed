// Windows' own answer to whether Windows protected print mode is on:
// Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo's static
// property IsProtectedPrintEnabled (Windows 11 24H2, 10.0.26100, and later;
// https://learn.microsoft.com/en-us/uwp/api/windows.graphics.printing.protectedprint.windowsprotectedprintinfo.isprotectedprintenabled),
// asked through its activation factory.
//
// combase.dll, which activates Windows Runtime classes, is not among the
// DLLs the program imports: it is loaded from the system folder on first
// use, and where it or the class is missing (Windows 7, Windows 10, Windows
// 11 before 24H2, Wine) the answer is "not available". The query runs on a
// thread of its own, initialised for the multithreaded apartment and
// uninitialised again, so the calling thread's COM state (the window's
// single-threaded apartment, set up later) is not touched; the class is
// agile and serves both threading models.
#include "win32/machine/machine.h"

#include <roapi.h>
#include <winstring.h>

#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

constexpr wchar_t kClassName[] = L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";

// IWindowsProtectedPrintInfoStatics. Its interface id, as Microsoft's own
// projections of the Windows metadata give it (the Windows crate's
// windows::Graphics::Printing::ProtectedPrint::IWindowsProtectedPrintInfoStatics,
// https://microsoft.github.io/windows-docs-rs/doc/windows/Graphics/Printing/ProtectedPrint/struct.IWindowsProtectedPrintInfoStatics.html;
// the C++/WinRT header Windows.Graphics.Printing.ProtectedPrint.0.h):
// {A7D212F3-4168-5485-98AB-D89D04603B40}.
constexpr GUID kStaticsId = {0xa7d212f3, 0x4168, 0x5485, {0x98, 0xab, 0xd8, 0x9d, 0x04, 0x60, 0x3b, 0x40}};

// The interface's table: IUnknown's three, IInspectable's three, then the
// property's getter, which hands back a Windows Runtime Boolean (one byte).
struct ProtectedPrintStatics;
struct ProtectedPrintStaticsTable {
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(ProtectedPrintStatics*, REFIID, void**);
  ULONG(STDMETHODCALLTYPE* AddRef)(ProtectedPrintStatics*);
  ULONG(STDMETHODCALLTYPE* Release)(ProtectedPrintStatics*);
  void* GetIids;
  void* GetRuntimeClassName;
  void* GetTrustLevel;
  HRESULT(STDMETHODCALLTYPE* get_IsProtectedPrintEnabled)(ProtectedPrintStatics*, unsigned char*);
};
struct ProtectedPrintStatics {
  const ProtectedPrintStaticsTable* table;
};

// Shared by the asking thread and the worker; the last of the two to let
// go of it frees it, so a worker that outlives the wait writes into memory
// that is still there.
struct Query {
  LONG holders = 2;
  ProtectedPrintAnswer answer = ProtectedPrintAnswer::NotAvailable;
};

void LetGo(Query* query) {
  if (InterlockedDecrement(&query->holders) == 0) delete query;
}

ProtectedPrintAnswer AskOnThisThread() {
  try {
    static const auto ro_initialize =
        SystemFunction<decltype(&RoInitialize)>(L"combase.dll", "RoInitialize");
    static const auto ro_uninitialize =
        SystemFunction<decltype(&RoUninitialize)>(L"combase.dll", "RoUninitialize");
    static const auto get_factory = SystemFunction<decltype(&RoGetActivationFactory)>(
        L"combase.dll", "RoGetActivationFactory");
    static const auto string_reference = SystemFunction<decltype(&WindowsCreateStringReference)>(
        L"combase.dll", "WindowsCreateStringReference");
    if (FAILED(ro_initialize(RO_INIT_MULTITHREADED))) return ProtectedPrintAnswer::NotAvailable;
    ProtectedPrintAnswer answer = ProtectedPrintAnswer::NotAvailable;
    HSTRING_HEADER header{};
    HSTRING name = nullptr;
    ProtectedPrintStatics* statics = nullptr;
    if (SUCCEEDED(string_reference(kClassName, static_cast<UINT32>(wcslen(kClassName)), &header,
                                   &name)) &&
        SUCCEEDED(get_factory(name, kStaticsId, reinterpret_cast<void**>(&statics))) && statics) {
      unsigned char enabled = 0;
      if (SUCCEEDED(statics->table->get_IsProtectedPrintEnabled(statics, &enabled))) {
        answer = enabled ? ProtectedPrintAnswer::On : ProtectedPrintAnswer::Off;
      }
      statics->table->Release(statics);
    }
    ro_uninitialize();
    return answer;
  } catch (const RunError&) {
    return ProtectedPrintAnswer::NotAvailable;  // no combase.dll, or not these functions
  }
}

DWORD WINAPI AskThread(void* parameter) {
  auto* query = static_cast<Query*>(parameter);
  query->answer = AskOnThisThread();
  LetGo(query);
  return 0;
}

// Activating an in-box class takes milliseconds; a Windows that takes
// longer than this is taken as one that cannot say.
constexpr DWORD kAskMilliseconds = 5000;

}  // namespace

ProtectedPrintAnswer Win32Machine::AskProtectedPrintMode() {
  auto* query = new Query;
  const UniqueHandle thread(CreateThread(nullptr, 0, AskThread, query, 0, nullptr));
  if (!thread) {
    delete query;
    return ProtectedPrintAnswer::NotAvailable;
  }
  const bool ended = WaitForSingleObject(thread.get(), kAskMilliseconds) == WAIT_OBJECT_0;
  const ProtectedPrintAnswer answer = ended ? query->answer : ProtectedPrintAnswer::NotAvailable;
  LetGo(query);
  return answer;
}

}  // namespace tarnwell
