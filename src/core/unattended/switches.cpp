#include "core/unattended/switches.h"

#include <algorithm>
#include <cstddef>

#include "core/printer/run_and_wait.h"
#include "core/texts/text.h"
#include "core/unattended/log_path.h"

namespace tarnwell {
namespace {

bool IsSwitch(const std::wstring& word) {
  return !word.empty() && (word[0] == L'/' || word[0] == L'-');
}

// The switch's name in lower case; only ASCII letters fold, so no locale
// can make an unknown word match.
std::wstring SwitchName(const std::wstring& word) {
  std::wstring name = word.substr(1);
  for (wchar_t& c : name) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return name;
}

std::optional<UnattendedAction> ActionNamed(const std::wstring& name) {
  if (name == L"install") return UnattendedAction::Install;
  if (name == L"uninstall") return UnattendedAction::Uninstall;
  if (name == L"status") return UnattendedAction::Status;
  if (name == L"?") return UnattendedAction::Help;
  return std::nullopt;
}

// Walks the words from the first switch on, keeping the first reason to
// refuse but reading on, so that a /log file given anywhere is still known.
class SwitchReader {
 public:
  explicit SwitchReader(const std::vector<std::wstring>& words) : words_(words) {}

  ParsedCommandLine Read(std::size_t first_switch) {
    for (std::size_t i = first_switch; i < words_.size(); ++i) i = ReadWord(i);
    CheckCombination();
    ParsedCommandLine result;
    if (!reason_) {
      result.mode = CommandLineMode::Unattended;
      result.request = request_;
      return result;
    }
    result.mode = CommandLineMode::Invalid;
    result.request.log_path = request_.log_path;
    result.reason = reason_;
    return result;
  }

 private:
  // Reads the word at `i`; returns the index of the last word it used.
  std::size_t ReadWord(std::size_t i) {
    const std::wstring& word = words_[i];
    if (!IsSwitch(word)) {
      Refuse(Quoted(word) + L" is neither a switch nor the log file's path.");
      return i;
    }
    const std::wstring name = SwitchName(word);
    if (name == L"log") return ReadLogFile(i);
    if (name == L"timeout") return ReadTimeout(i);
    if (name == L"default") {
      if (request_.set_default) Refuse(L"/default is given more than once.");
      request_.set_default = true;
      return i;
    }
    if (name == L"update") {
      if (request_.update) Refuse(L"/update is given more than once.");
      request_.update = true;
      return i;
    }
    const std::optional<UnattendedAction> action = ActionNamed(name);
    if (!action) {
      Refuse(L"Unknown switch " + Quoted(word) + L".");
      return i;
    }
    if (action_word_) {
      Refuse(L"Only one action may be given, not both " + Quoted(*action_word_) + L" and " +
             Quoted(word) + L".");
      return i;
    }
    action_word_ = word;
    request_.action = *action;
    return i;
  }

  std::size_t ReadLogFile(std::size_t i) {
    const bool has_file = i + 1 < words_.size() && !words_[i + 1].empty() &&
                          !IsSwitch(words_[i + 1]);
    if (!has_file) {
      Refuse(L"/log needs the log file's path after it.");
      return i;
    }
    if (const auto refusal = LogPathRefusal(words_[i + 1])) {
      Refuse(*refusal);
    } else if (request_.log_path) {
      Refuse(L"/log is given more than once.");
    } else {
      request_.log_path = words_[i + 1];
    }
    return i + 1;
  }

  std::size_t ReadTimeout(std::size_t i) {
    const std::optional<unsigned> seconds =
        i + 1 < words_.size() ? TimeoutSeconds(words_[i + 1]) : std::nullopt;
    if (!seconds) {
      Refuse(L"/timeout needs a number of seconds from 1 to " + std::to_wstring(kMaxTimeoutSeconds) +
             L" after it.");
      return i + 1 < words_.size() && !IsSwitch(words_[i + 1]) ? i + 1 : i;
    }
    if (request_.timeout_seconds) Refuse(L"/timeout is given more than once.");
    request_.timeout_seconds = seconds;
    return i + 1;
  }

  void CheckCombination() {
    if (!action_word_) {
      Refuse(L"No action is given: one of /install, /uninstall, /status or /? is needed.");
      return;
    }
    if (request_.set_default && request_.action != UnattendedAction::Install) {
      Refuse(L"/default goes only with /install.");
    }
    if (request_.update && request_.action != UnattendedAction::Install &&
        request_.action != UnattendedAction::Status) {
      Refuse(L"/update goes only with /install or /status.");
    }
    if (request_.timeout_seconds && request_.action != UnattendedAction::Install &&
        request_.action != UnattendedAction::Uninstall) {
      Refuse(L"/timeout goes only with /install or /uninstall.");
    }
    if (request_.action == UnattendedAction::Help && request_.log_path) {
      Refuse(L"/? goes with no other switch.");
    }
  }

  void Refuse(const std::wstring& reason) {
    if (!reason_) reason_ = reason;
  }

  const std::vector<std::wstring>& words_;
  UnattendedRequest request_;
  std::optional<std::wstring> action_word_;
  std::optional<std::wstring> reason_;
};

}  // namespace

ParsedCommandLine ParseCommandLineWords(const std::vector<std::wstring>& words) {
  const auto first_switch = std::find_if(words.begin(), words.end(), IsSwitch);
  if (first_switch == words.end()) return {};
  return SwitchReader(words).Read(static_cast<std::size_t>(first_switch - words.begin()));
}

std::optional<unsigned> TimeoutSeconds(const std::wstring& word) {
  if (word.empty() || word.size() > 7) return std::nullopt;
  unsigned value = 0;
  for (wchar_t c : word) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value == 0 || value > kMaxTimeoutSeconds) return std::nullopt;
  return value;
}

bool HasWordsAfterProgramName(std::wstring_view command_line) {
  // A line that starts with a blank names an empty program: all of it is words.
  if (!command_line.empty() && (command_line[0] == L' ' || command_line[0] == L'\t')) {
    return command_line.find_first_not_of(L" \t") != std::wstring_view::npos;
  }
  return !SplitCommandLine(std::wstring(command_line)).arguments.empty();
}

}  // namespace tarnwell
