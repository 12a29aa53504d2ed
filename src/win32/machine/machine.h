// The machine as Windows provides it.
//
// The system side (files, environment, printers, registry, processes,
// messages) needs no window; the user-interface side works on the main window
// attached with AttachWindow.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/port/machine.h"
#include "win32/machine/job.h"
#include "win32/machine/main_window.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/trusted_path.h"
#include "win32_common/win32_error.h"

namespace tarnwell {

class Win32Machine : public Machine {
 public:
  Win32Machine() = default;
  Win32Machine(const Win32Machine&) = delete;
  Win32Machine& operator=(const Win32Machine&) = delete;
  ~Win32Machine() override;

  void AttachWindow(MainWindow* window) { window_ = window; }

  // System side: system.cpp and its neighbours.
  std::wstring ApplicationFolder() override;
  void QueryFileTime(const std::wstring& path) override;
  std::optional<std::uint32_t> FindEntry(const std::wstring& path) override;
  std::wstring EnvironmentVariable(const std::wstring& name) override;
  // Windows' own folders: folders.cpp.
  std::wstring SystemFolder() override;
  std::wstring WindowsFolder() override;

  std::size_t ReadPrinterList() override;
  std::wstring PrinterName(std::size_t index) override;
  void SetDefaultPrinterByScriptHost(const std::wstring& printer) override;
  void SetDefaultPrinterBySpooler(const std::wstring& printer) override;
  // A printer's parts, the default printer and file versions: printer_parts.cpp.
  std::wstring DefaultPrinterName() override;
  PrinterParts ReadPrinterParts(const std::wstring& printer) override;
  bool PrinterDriverInstalled(const std::wstring& driver) override;
  bool PrinterPortExists(const std::wstring& port) override;
  void DeletePrinterQueue(const std::wstring& printer) override;
  std::optional<std::wstring> ProgramVersion(const std::wstring& path) override;
  bool WriteRegistryText(RegRoot root, const std::wstring& key_path,
                         const std::wstring& value_name, const std::wstring& text) override;
  RegistryData QueryRegistryValue(RegRoot root, const std::wstring& key_path,
                                  const std::wstring& value_name) override;
  // The policy's view: registry.cpp; Windows' own answer: protected_print.cpp.
  RegistryData QueryMachinePolicyValue(const std::wstring& key_path,
                                       const std::wstring& value_name) override;
  ProtectedPrintAnswer AskProtectedPrintMode() override;
  ProcessStart StartProcess(const std::wstring& program, const std::wstring& command_line,
                            int show_state) override;
  ProcessStart StartElevated(const std::wstring& program, const std::wstring& arguments,
                             int show_state) override;
  void ProcessPendingMessages() override;
  void PauseServicingMessages(unsigned milliseconds) override;

  // One command at a time: command_lock.cpp.
  std::unique_ptr<CommandLock> TakeCommandLock() override;
  // How long a privileged command waits for a window's turn before it goes
  // on without it (kWindowTurnBoundMs; a test shortens it).
  void SetWindowTurnBound(DWORD milliseconds) { window_turn_bound_ms_ = milliseconds; }
  static constexpr DWORD kWindowTurnBoundMs = 60 * 1000;
  std::wstring AccountName() override;
  bool RunsAsLocalSystem() override;
  std::uint64_t SteadyMilliseconds() override;
  // The check before a privileged start: win32/unattended/held_program_path.cpp.
  std::optional<PathRefusal> HoldProgramPath(const std::wstring& program, ProgramTree tree,
                                             std::optional<unsigned> time_limit_seconds) override;

  // The program's texts in the user's language: texts.cpp.
  std::wstring Text(TextId id) override;

  // User-interface side: ui.cpp.
  Answer ShowMessage(const std::wstring& text, const std::wstring& caption,
                     MessageKind kind) override;
  void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                 const std::wstring& directory, int show_command) override;
  void SetEnabled(Control control, bool enabled) override;
  bool IsSelected(Control control) override;
  PointerKind GetPointerKind() override;
  void SetPointerKind(PointerKind kind) override;
  void SetCaption(const std::wstring& caption) override;
  void SetApplicationIcon() override;
  void LoadCustomPointer(const std::wstring& path) override;

  // Skin side: skin.cpp.
  std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path,
                                          std::size_t max_bytes) override;
  void SetBackColour(Control control, OleColour colour) override;
  void ApplySkinLook(const SkinLook& look) override;

 private:
  // The attached main window; throws when there is none or it is not made yet.
  MainWindow& Window();

  // Initialises COM on this (the UI) thread the first time an operation
  // needs it, so that start-up does not pay for it. Throws on failure.
  void EnsureCom();

  // The job a setup or uninstaller starts in: the command lock's while it
  // is held, otherwise one of its own.
  std::shared_ptr<ProcessJob> JobForStart();

  MainWindow* window_ = nullptr;
  std::weak_ptr<ProcessJob> command_job_;  // the held command lock's job
  DWORD window_turn_bound_ms_ = kWindowTurnBoundMs;
  std::vector<std::wstring> printers_;  // the list last read
  bool com_initialised_ = false;
  HeldPath held_program_;  // HoldProgramPath's handles, until the next start takes them
  // HoldProgramPath held a path as a process with rights others lack: the
  // next start is a privileged one (win32_common/temporary_folder.h).
  bool privileged_start_ = false;
};

// Opens a registry key for querying values only, in the 32-bit view;
// returns the platform's status.
LONG OpenKeyForQuerying(RegRoot root, const std::wstring& key_path, UniqueKey& key);

}  // namespace tarnwell
