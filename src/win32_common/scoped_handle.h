// Owning wrappers for platform handles, one small class per kind. The invalid
// value is part of each type, so a wrapper closes only a handle that is
// really open, on every path out, the failing ones included.
#pragma once

#include <windows.h>

#include <utility>

namespace tarnwell {

// Owns one handle of the kind Traits describes: Traits::type, Traits::Invalid()
// (the "no handle" value) and Traits::Close(handle).
template <typename Traits>
class unique_any {
 public:
  using T = typename Traits::type;

  unique_any() noexcept = default;
  explicit unique_any(T handle) noexcept : handle_(handle) {}
  unique_any(unique_any&& other) noexcept : handle_(other.release()) {}
  unique_any& operator=(unique_any&& other) noexcept {
    reset(other.release());
    return *this;
  }
  unique_any(const unique_any&) = delete;
  unique_any& operator=(const unique_any&) = delete;
  ~unique_any() { reset(); }

  T get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }
  T release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
  void reset(T handle = Traits::Invalid()) noexcept {
    const T old = std::exchange(handle_, handle);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For out-parameters: closes what is held and hands out the slot.
  T* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  T handle_ = Traits::Invalid();
};

// Traits for handles whose "no handle" value is null.
template <typename H, auto CloseFunction>
struct NullHandleTraits {
  using type = H;
  static constexpr H Invalid() noexcept { return H{}; }
  static void Close(H handle) noexcept { CloseFunction(handle); }
};

// Traits for handles whose "no handle" value is INVALID_HANDLE_VALUE.
template <auto CloseFunction>
struct InvalidValueHandleTraits {
  using type = HANDLE;
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) noexcept { CloseFunction(handle); }
};

template <typename H, auto CloseFunction>
using unique_handle = unique_any<NullHandleTraits<H, CloseFunction>>;

namespace scoped_detail {
inline void CloseKernel(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseFindHandle(HANDLE h) noexcept { ::FindClose(h); }
inline void CloseKey(HKEY key) noexcept { ::RegCloseKey(key); }
inline void DeleteGdi(HGDIOBJ object) noexcept { ::DeleteObject(object); }
inline void DestroyCursorHandle(HCURSOR cursor) noexcept { ::DestroyCursor(cursor); }
inline void DestroyIconHandle(HICON icon) noexcept { ::DestroyIcon(icon); }
inline void ReleaseLibrary(HMODULE module) noexcept { ::FreeLibrary(module); }
inline void FreeLocal(HLOCAL memory) noexcept { ::LocalFree(memory); }
}  // namespace scoped_detail

// Kernel objects (processes, threads, jobs, mutexes) are null when missing...
using UniqueHandle = unique_handle<HANDLE, scoped_detail::CloseKernel>;
// ...files and directory searches are INVALID_HANDLE_VALUE.
using UniqueFile = unique_any<InvalidValueHandleTraits<scoped_detail::CloseKernel>>;
using UniqueFind = unique_any<InvalidValueHandleTraits<scoped_detail::CloseFindHandle>>;
using UniqueKey = unique_handle<HKEY, scoped_detail::CloseKey>;
using UniqueFont = unique_handle<HFONT, scoped_detail::DeleteGdi>;
using UniqueBrush = unique_handle<HBRUSH, scoped_detail::DeleteGdi>;
using UniqueCursor = unique_handle<HCURSOR, scoped_detail::DestroyCursorHandle>;
using UniqueIcon = unique_handle<HICON, scoped_detail::DestroyIconHandle>;
using UniqueModule = unique_handle<HMODULE, scoped_detail::ReleaseLibrary>;
// Memory the system allocated for the caller to free with LocalFree (message
// texts, security descriptors, SID strings, split command lines), as the
// pointer type the call hands out.
template <typename T = HLOCAL>
using UniqueLocal = unique_handle<T, scoped_detail::FreeLocal>;

// A mutex this thread has taken: released, then closed, when it goes. An
// empty one (the mutex was not taken) releases nothing.
class OwnedMutex {
 public:
  OwnedMutex() noexcept = default;
  // `mutex` must be owned by this thread (a wait on it has succeeded).
  explicit OwnedMutex(UniqueHandle mutex) noexcept : mutex_(std::move(mutex)) {}
  OwnedMutex(OwnedMutex&&) noexcept = default;
  OwnedMutex& operator=(OwnedMutex&& other) noexcept {
    Release();
    mutex_ = std::move(other.mutex_);
    return *this;
  }
  ~OwnedMutex() { Release(); }
  explicit operator bool() const noexcept { return static_cast<bool>(mutex_); }

 private:
  void Release() noexcept {
    if (mutex_) ::ReleaseMutex(mutex_.get());
    mutex_.reset();
  }
  UniqueHandle mutex_;
};

// A window's device context, released when the scope ends.
class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND window) noexcept : window_(window), dc_(::GetDC(window)) {}
  ~ScopedGetDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &ps_)) {}
  ~ScopedPaint() { ::EndPaint(window_, &ps_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// An object selected into a device context, the old one put back at the end.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A COM interface pointer, released once.
template <typename I>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    reset(std::exchange(other.p_, nullptr));
    return *this;
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() { reset(); }

  I* get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset(I* p = nullptr) noexcept {
    if (p_) p_->Release();
    p_ = p;
  }
  // For out-parameters of QueryInterface and CoCreateInstance.
  void** put_void() noexcept {
    reset();
    return reinterpret_cast<void**>(&p_);
  }

 private:
  I* p_ = nullptr;
};

}  // namespace tarnwell
