#include "win32_common/relative_open.h"

#include <winternl.h>

#include "core/port/run_error.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG,
                                              ULONG, ULONG, PVOID, ULONG);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(NTSTATUS);

constexpr ULONG kAsItself = 0x00200000;        // FILE_OPEN_REPARSE_POINT

ULONG Disposition(OpenMode mode) {
  switch (mode) {
    case OpenMode::Existing: return FILE_OPEN;
    case OpenMode::OpenOrCreate: return FILE_OPEN_IF;
    case OpenMode::CreateNew: return FILE_CREATE;
  }
  return FILE_OPEN;
}

}  // namespace

BoundedOpen OpenInFolder(const Deadline& deadline, HANDLE folder, const std::wstring& name,
                         OpenAs kind, OpenMode mode, DWORD access, DWORD share,
                         std::shared_ptr<void> security) {
  NtCreateFileFunction create = nullptr;
  RtlNtStatusToDosErrorFunction to_win32 = nullptr;
  BoundedOpen failed;
  try {
    create = SystemFunction<NtCreateFileFunction>(L"ntdll.dll", "NtCreateFile");
    to_win32 = SystemFunction<RtlNtStatusToDosErrorFunction>(L"ntdll.dll", "RtlNtStatusToDosError");
  } catch (const RunError&) {
    failed.error = ERROR_PROC_NOT_FOUND;
    return failed;
  }
  // The worker may outlive this call, and the caller's handle with it.
  HANDLE copy = nullptr;
  if (name.empty() || name.size() > 32767 ||
      !DuplicateHandle(GetCurrentProcess(), folder, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    failed.error = name.empty() || name.size() > 32767 ? ERROR_INVALID_NAME : GetLastError();
    return failed;
  }
  std::shared_ptr<void> root(copy, CloseHandle);
  // Not FILE_COMPLETE_IF_OPLOCKED: past an oplock break still in progress,
  // every later call on the handle would wait for it, unbounded. The open
  // itself waits on the worker, and is cancelled at the deadline.
  const ULONG options = kAsItself | FILE_SYNCHRONOUS_IO_NONALERT |
                        (kind == OpenAs::Folder ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
  return OpenBefore(deadline, [=] {
    UNICODE_STRING text;
    text.Buffer = const_cast<wchar_t*>(name.c_str());
    text.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    text.MaximumLength = text.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, root.get(), security.get());
    IO_STATUS_BLOCK status{};
    HANDLE opened = INVALID_HANDLE_VALUE;
    const NTSTATUS result = create(
        &opened, access | SYNCHRONIZE, &object, &status, nullptr,
        kind == OpenAs::File ? FILE_ATTRIBUTE_NORMAL : 0, share, Disposition(mode), options,
        nullptr, 0);
    if (!NT_SUCCESS(result)) {
      SetLastError(to_win32(result));
      return INVALID_HANDLE_VALUE;
    }
    SetLastError(mode == OpenMode::OpenOrCreate && status.Information != FILE_CREATED
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return opened;
  });
}

}  // namespace tarnwell
