// Who this process runs as, and which accounts it may trust with what it
// makes: LocalSystem, the Administrators group and its own account. Any other
// account on the machine may be hostile.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "win32_common/scoped_handle.h"

namespace tarnwell {

// The running account's SID as "S-1-5-...", or empty when it cannot be read.
std::wstring CurrentAccountSid();

// Whether the process runs as LocalSystem, or with the Administrators group
// enabled in its token (elevated).
bool RunsElevatedOrAsLocalSystem();

// Whether `owner` is LocalSystem, the Administrators group, the running
// account or the owner it gives what it makes: an object owned by anyone
// else was made, or taken, by another account.
bool IsTrustedOwner(PSID owner);

// The owner of a kernel object or file (`type` SE_KERNEL_OBJECT or
// SE_FILE_OBJECT); false when it cannot be read or is not trusted.
bool HasTrustedOwner(HANDLE object, int type);

using SecurityDescriptor = UniqueLocal<PSECURITY_DESCRIPTOR>;

// What a folder made with rights other accounts lack is given at creation
// (a log's folder, a privileged start's temporary folder): only LocalSystem
// and the Administrators group, for the folder and everything made in it,
// nothing inherited from the folder above, where others may make things.
inline constexpr wchar_t kTrustedOnlyFolderAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// A descriptor from its text form: "D:P" followed by full access (`full`,
// e.g. "GA") for LocalSystem, Administrators and the running account, then
// `others` appended as it is. Throws RunError.
SecurityDescriptor TrustedAccountsDescriptor(const std::wstring& full, const std::wstring& others);

// The same descriptor owned jointly, for a bounded open whose worker may
// outlive its caller.
inline std::shared_ptr<void> Shared(SecurityDescriptor descriptor) {
  return std::shared_ptr<void>(descriptor.release(), [](void* memory) { LocalFree(memory); });
}

}  // namespace tarnwell
