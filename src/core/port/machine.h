// The one port through which the program asks anything of Windows.
//
// Handlers are plain C++ that decide; everything they need from the platform
// goes through this interface. The Win32 implementation is a call or two per
// operation; the unit tests use an in-memory one that records what was asked.
//
// Operations documented "throws" raise RunError with the description the user
// will read; the handlers' step runner turns it into an error report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/port/program_tree.h"
#include "core/port/run_error.h"
#include "core/texts/text_id.h"

namespace tarnwell {

// Controls of the main window, in the window's control order.
enum class Control { Form1, Text1, Frame1, Option1, Option2, PushButton13, PushButton1 };

// What kind of control a Control is, as the skin's recolouring walk sees it.
enum class ControlKind { Window, TextBox, Frame, OptionButton, PushButton };

// The window-wide pointer kind.
enum class PointerKind : int { Normal = 0, Hourglass = 11, Custom = 99 };

// File attribute bits as a directory search reports them.
namespace file_attr {
constexpr std::uint32_t kReadOnly = 0x1;
constexpr std::uint32_t kHidden = 0x2;
constexpr std::uint32_t kSystem = 0x4;
constexpr std::uint32_t kDirectory = 0x10;
}  // namespace file_attr

// Registry value types and status codes the registry routines deal with.
namespace reg {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kQword = 11;
constexpr long kSuccess = 0;
constexpr long kFileNotFound = 2;
constexpr long kMoreData = 234;
}  // namespace reg

enum class RegRoot { LocalMachine };

// One registry value as stored: its type and bytes, or why it could not be
// read (`status` is then the platform's error code and the rest is empty).
struct RegistryData {
  long status = reg::kSuccess;
  std::uint32_t type = reg::kNone;
  std::vector<std::uint8_t> bytes;
};

// Windows' own answer to whether Windows protected print mode is on, where
// Windows has the means to say (Windows 11 24H2 and later).
enum class ProtectedPrintAnswer { NotAvailable, Off, On };

// What a printer is made of besides its name: the driver it prints with and
// the port its jobs go to, by their names.
struct PrinterParts {
  std::wstring driver;
  std::wstring port;
  bool operator==(const PrinterParts&) const = default;
};

// A program that was started. Owns what the platform handed back for it and
// lets go of it when destroyed; the program itself runs on.
class StartedProcess {
 public:
  virtual ~StartedProcess() = default;
  // Whether the process has ended. A process that cannot be watched counts
  // as ended.
  virtual bool HasEnded() = 0;
  // Its exit code (259 while it runs), or nullopt when it cannot be read.
  virtual std::optional<std::uint32_t> ExitCode() = 0;

  // --- The processes it started (the whole-tree wait) ---
  // Whether any process it started still runs: in its job when it could be
  // put into one, otherwise among the processes known to descend from it.
  virtual bool OthersRunning() = 0;
  // Waits up to `milliseconds`, servicing window messages the moment they
  // arrive; ends early when this process ends or, once it has ended, when
  // one of the processes it started does.
  virtual void Pause(unsigned milliseconds) = 0;
  // Ends this process and every process it started that still runs (its
  // job's live processes, or its known descendants), for a wait that ran
  // out of time.
  virtual void EndAll() = 0;
  // Once the wait is over: lets go of what was held for the start and
  // removes the temporary folder made for it, if one was; why that folder
  // could not be removed, or nothing.
  virtual std::optional<std::wstring> Finish() { return std::nullopt; }
};

// Outcome of starting a program: the started process, or the platform's
// error number.
struct ProcessStart {
  std::unique_ptr<StartedProcess> process;
  std::uint32_t error = 0;
  // A privileged start's temporary folder (its TEMP and TMP), and whether
  // it was made for this start; empty for any other start.
  std::wstring temporary_folder;
  bool temporary_folder_made = false;
  bool started() const { return process != nullptr; }
};

namespace win_error {
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kCancelled = 1223;
constexpr std::uint32_t kElevationRequired = 740;
}  // namespace win_error

// What a message box offers and shows.
enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { None, Exclamation };
struct MessageKind {
  MessageButtons buttons = MessageButtons::Ok;
  MessageIcon icon = MessageIcon::None;
  bool operator==(const MessageKind&) const = default;
};
// A notice: OK, no icon.
inline constexpr MessageKind kNotice{MessageButtons::Ok, MessageIcon::None};
// A warning or error: OK with the exclamation icon.
inline constexpr MessageKind kWarning{MessageButtons::Ok, MessageIcon::Exclamation};
// A question: Yes and No, no icon.
inline constexpr MessageKind kQuestion{MessageButtons::YesNo, MessageIcon::None};

// The button that closed a message box.
enum class Answer { Ok, Yes, No, Other };

// A colour as a control's back colour takes it: 0x00BBGGRR, or 0x800000nn
// for the system colour with index nn.
using OleColour = std::uint32_t;

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Rgb&) const = default;
};

// The colours a skin file gives the main window.
struct SkinColours {
  Rgb window_face, window_text;   // the window's own surface and text
  Rgb frame_face, frame_text;     // the frame (group box)
  Rgb option_face, option_text;   // the option buttons
  Rgb button_face, button_text;   // the push buttons
  Rgb button_hover;               // a push button's face under the pointer
  Rgb button_disabled;            // a disabled push button's text
  bool operator==(const SkinColours&) const = default;
};

// What applying a skin recolours: the window always; the frame and the
// option buttons when `child_controls`; the push buttons when `push_buttons`.
struct SkinLook {
  SkinColours colours;
  bool child_controls = false;
  bool push_buttons = false;
  bool operator==(const SkinLook&) const = default;
};

// Held while it lives: no other instance of the program on the machine
// starts a setup or uninstaller. What the holder starts meanwhile keeps it
// held, even past the holder's own end, until the holder lets go of it.
class CommandLock {
 public:
  virtual ~CommandLock() = default;
};

class Machine {
 public:
  virtual ~Machine() = default;

  // --- Files and environment ---
  // The folder holding the program file, without a trailing separator.
  virtual std::wstring ApplicationFolder() = 0;
  // Asks for the path's last-change time; throws when the platform cannot tell.
  virtual void QueryFileTime(const std::wstring& path) = 0;
  // Directory search for one path: the attributes of the entry found, or
  // nullopt when nothing was found.
  virtual std::optional<std::uint32_t> FindEntry(const std::wstring& path) = 0;
  // Value of an environment variable; empty when it is not set.
  virtual std::wstring EnvironmentVariable(const std::wstring& name) = 0;
  // The product version in a program file's version resource ("7.1.0.0");
  // nothing when the file has none or cannot be read within a few seconds.
  // A program HoldProgramPath holds is read through the handle it holds.
  virtual std::optional<std::wstring> ProgramVersion(const std::wstring& path) = 0;

  // --- Windows' own folders ---
  // Where programs named without a folder are looked for, without a trailing
  // separator. Throw.
  virtual std::wstring SystemFolder() = 0;
  virtual std::wstring WindowsFolder() = 0;

  // --- Printers ---
  // Reads the installed printers' list afresh; returns how many. Throws.
  virtual std::size_t ReadPrinterList() = 0;
  // Device name of printer `index` of the list last read. Throws.
  virtual std::wstring PrinterName(std::size_t index) = 0;
  // Asks the scripting host's network object to set the default printer. Throws.
  virtual void SetDefaultPrinterByScriptHost(const std::wstring& printer) = 0;
  // Asks the print spooler itself to set the default printer. Throws.
  virtual void SetDefaultPrinterBySpooler(const std::wstring& printer) = 0;
  // This account's default printer; empty when it has none or it cannot be read.
  virtual std::wstring DefaultPrinterName() = 0;

  // --- A printer's parts, for the health check and the repair ---
  // The driver and port the named printer uses, as the spooler reports them. Throws.
  virtual PrinterParts ReadPrinterParts(const std::wstring& printer) = 0;
  // Whether a printer driver of this name is installed, for any of the
  // platforms the spooler serves. Throws.
  virtual bool PrinterDriverInstalled(const std::wstring& driver) = 0;
  // Whether a port of this name exists. Throws.
  virtual bool PrinterPortExists(const std::wstring& port) = 0;
  // Deletes the named printer through the spooler; a printer that is not
  // there is no failure. Throws.
  virtual void DeletePrinterQueue(const std::wstring& printer) = 0;

  // --- Registry (32-bit view) ---
  // Writes one text value (REG_SZ), making the key when it is missing; false
  // when it cannot be written (a process without administrator rights
  // cannot write under HKEY_LOCAL_MACHINE).
  virtual bool WriteRegistryText(RegRoot root, const std::wstring& key_path,
                                 const std::wstring& value_name, const std::wstring& text) = 0;
  // Reads one value: opens the key for querying only, reads the value's type
  // and bytes, closes the key. A value that changes size while it is read
  // fails with reg::kMoreData.
  virtual RegistryData QueryRegistryValue(RegRoot root, const std::wstring& key_path,
                                          const std::wstring& value_name) = 0;

  // --- Windows protected print mode (core/printer/protected_print.h) ---
  // Reads one value of a machine policy, HKEY_LOCAL_MACHINE in the registry
  // view Windows' policy engine writes (the 64-bit one on 64-bit Windows),
  // opened for querying only.
  virtual RegistryData QueryMachinePolicyValue(const std::wstring& key_path,
                                               const std::wstring& value_name) = 0;
  // Asks Windows whether the mode is on; NotAvailable where it cannot say.
  // Never throws.
  virtual ProtectedPrintAnswer AskProtectedPrintMode() = 0;

  // --- Processes ---
  // Starts `program`, a full path, with `command_line` (which names the
  // program again, as its first word) and the given show state; nothing is
  // looked for anywhere.
  virtual ProcessStart StartProcess(const std::wstring& program, const std::wstring& command_line,
                                    int show_state) = 0;
  // Starts a program through the shell's elevation prompt.
  virtual ProcessStart StartElevated(const std::wstring& program, const std::wstring& arguments,
                                     int show_state) = 0;
  // One pass over the window messages pending for this thread.
  virtual void ProcessPendingMessages() = 0;
  // Waits `milliseconds`, servicing window messages the moment they arrive.
  virtual void PauseServicingMessages(unsigned milliseconds) = 0;

  // --- One command at a time, machine-wide ---
  // Takes the lock, or nullptr when another instance holds it (or anything
  // it started still runs). Setups and uninstallers started while it is held
  // run in its job. Throws when the lock cannot be made at all.
  virtual std::unique_ptr<CommandLock> TakeCommandLock() = 0;

  // --- The account and the clock, for the unattended mode's log ---
  // The name of the account this process runs as ("DOMAIN\user").
  virtual std::wstring AccountName() = 0;
  // Whether this process runs as the LocalSystem account.
  virtual bool RunsAsLocalSystem() = 0;
  // Milliseconds of a steady clock, for durations.
  virtual std::uint64_t SteadyMilliseconds() = 0;

  // --- Before a setup or uninstaller runs with rights others lack ---
  // When this process runs as LocalSystem or elevated: why another account
  // could change `program`, its folder (with `tree`, anything in its tree)
  // or what the folders above lead to, or why another program keeps it from
  // being checked now (`in_use`); or nothing. What was found safe stays
  // held until the wait on the next StartProcess's program has ended, and
  // that start is a privileged one: the program gets a temporary folder
  // only the trusted accounts may use. ProgramVersion of `program` reads
  // it through what is held. The check ends within a few seconds, or
  // `time_limit_seconds` when shorter. A process without such rights checks
  // nothing.
  virtual std::optional<PathRefusal> HoldProgramPath(
      const std::wstring& program, ProgramTree tree,
      std::optional<unsigned> time_limit_seconds) = 0;

  // --- User interface ---
  // A text the user reads, in the user's display language where the program
  // has a translation, in English otherwise.
  virtual std::wstring Text(TextId id) = 0;
  // Modal message box; returns the button that closed it.
  virtual Answer ShowMessage(const std::wstring& text, const std::wstring& caption,
                             MessageKind kind) = 0;
  // Opens a file through the shell from the main window; the result is not examined.
  virtual void ShellOpen(const std::wstring& file, const std::wstring& parameters,
                         const std::wstring& directory, int show_command) = 0;
  virtual void SetEnabled(Control control, bool enabled) = 0;
  virtual bool IsSelected(Control control) = 0;
  virtual PointerKind GetPointerKind() = 0;
  virtual void SetPointerKind(PointerKind kind) = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  // Sets the window icon to the program's own four-image icon. Throws.
  virtual void SetApplicationIcon() = 0;
  // Loads a cursor file as the window's custom pointer image. Throws.
  virtual void LoadCustomPointer(const std::wstring& path) = 0;

  // --- Skin ---
  // Reads a file's bytes, but never more than `max_bytes + 1` of them: a
  // result longer than `max_bytes` tells the caller that the file is too
  // large without the whole of it being read. Throws when the file cannot be
  // opened or read.
  virtual std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path,
                                                  std::size_t max_bytes) = 0;
  // Sets the back colour of the window (Control::Form1) or of one control. Throws.
  virtual void SetBackColour(Control control, OleColour colour) = 0;
  // Gives the main window the skin's look. Throws.
  virtual void ApplySkinLook(const SkinLook& look) = 0;
};

}  // namespace tarnwell
