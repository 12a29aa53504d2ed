// Owning wrappers for platform handles: each closes only a valid handle, on
// every path out, the failing ones included.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace tarnwell {

template <typename T, auto Close>
struct HandleCloser {
  using pointer = T;
  void operator()(T handle) const noexcept {
    if (handle) Close(handle);
  }
};

template <typename T, auto Close>
using unique_handle = std::unique_ptr<std::remove_pointer_t<T>, HandleCloser<T, Close>>;

inline void CloseKernelHandle(HANDLE h) noexcept {
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}
inline void CloseFind(HANDLE h) noexcept {
  if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
}
inline void CloseRegKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void DeleteGdiObject(HGDIOBJ object) noexcept { ::DeleteObject(object); }
inline void DestroyCursorHandle(HCURSOR cursor) noexcept { ::DestroyCursor(cursor); }
inline void DestroyIconHandle(HICON icon) noexcept { ::DestroyIcon(icon); }

using UniqueHandle = unique_handle<HANDLE, CloseKernelHandle>;
using UniqueFind = unique_handle<HANDLE, CloseFind>;
using UniqueKey = unique_handle<HKEY, CloseRegKey>;
using UniqueFont = unique_handle<HFONT, DeleteGdiObject>;
using UniqueBrush = unique_handle<HBRUSH, DeleteGdiObject>;
using UniqueCursor = unique_handle<HCURSOR, DestroyCursorHandle>;
using UniqueIcon = unique_handle<HICON, DestroyIconHandle>;

// COM interface pointers: released once.
template <typename I>
struct ComReleaser {
  void operator()(I* p) const noexcept {
    if (p) p->Release();
  }
};
template <typename I>
using ComPtr = std::unique_ptr<I, ComReleaser<I>>;

}  // namespace tarnwell
