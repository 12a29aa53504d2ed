// Fixtures the Wine tests share: scratch folders, a test printer, a test
// registry key, timing, and where the helper programs are.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

#include "win32_common/scoped_handle.h"

namespace tarnwell::wine_test {

using Clock = std::chrono::steady_clock;

inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The folder holding wine_tests.exe and the helper programs.
std::wstring TestProgramFolder();
// "<folder>\wine_child.exe", the program the process tests start.
std::wstring ChildProgram();
// The stand-in package folder of the build, as this process sees it.
std::wstring PackageFolder();

std::wstring UniqueSuffix();
bool Exists(const std::wstring& path);
void WriteEmptyFile(const std::wstring& path);

// A copy of the child program that takes something and holds it until the
// object ends it ("mutex <name>", "hold <path>": wine_child.cpp): a second
// process, as another account's would be. held() once it holds.
class HoldingChild {
 public:
  explicit HoldingChild(const std::wstring& what);
  HoldingChild(const HoldingChild&) = delete;
  HoldingChild& operator=(const HoldingChild&) = delete;
  ~HoldingChild();
  bool held() const { return held_; }

 private:
  UniqueHandle process_;
  bool held_ = false;
};

// A fresh folder under the temporary folder, removed with all it holds.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::wstring& stem);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// A printer on Wine's PostScript driver, deleted again with the object.
class TestPrinter {
 public:
  TestPrinter();
  TestPrinter(const TestPrinter&) = delete;
  TestPrinter& operator=(const TestPrinter&) = delete;
  ~TestPrinter();
  const std::wstring& name() const { return name_; }
  bool added() const { return added_; }

 private:
  std::wstring name_;
  bool added_ = false;
};

// The default printer as it was, put back afterwards.
class DefaultPrinterKeeper {
 public:
  DefaultPrinterKeeper();
  DefaultPrinterKeeper(const DefaultPrinterKeeper&) = delete;
  DefaultPrinterKeeper& operator=(const DefaultPrinterKeeper&) = delete;
  ~DefaultPrinterKeeper();

 private:
  std::wstring previous_;
};

std::wstring CurrentDefaultPrinter();

// A key under HKLM\...\Uninstall in the 32-bit view, deleted with the object.
class TestRegistryKey {
 public:
  TestRegistryKey();
  TestRegistryKey(const TestRegistryKey&) = delete;
  TestRegistryKey& operator=(const TestRegistryKey&) = delete;
  ~TestRegistryKey();
  // The path below HKEY_LOCAL_MACHINE.
  const std::wstring& path() const { return path_; }
  // Stores `bytes` bytes of `data` under `name` with the given type.
  void Set(const std::wstring& name, DWORD type, const void* data, DWORD bytes);

 private:
  std::wstring path_;
  UniqueKey key_;
};

}  // namespace tarnwell::wine_test
