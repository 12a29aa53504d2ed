// Runs the benchmarks under Wine (or Windows) and prints one table of
// figures, also written as CSV. Every figure that depends on the machine's
// speed is set against a floor measured in the same run, in alternating
// runs, so a busy machine moves both alike.
//
//   bench_driver.exe --dist <dist folder> --apps <folder for application
//                    folders> --csv <results file> [--pairs N] [--warm-up N]
//                    [--printer-rounds N] [--printer-block N] [--wait-runs N]
//                    [--setup-delay-ms N] [--only file|start-up|printers|wait]
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <fstream>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "bench_system.h"
#include "driver.h"
#include "measure.h"
#include "pe_imports.h"
#include "results.h"

namespace bench {
namespace {

constexpr wchar_t kMainClass[] = L"TarnwellForm1";
constexpr wchar_t kBareClass[] = L"TarnwellBenchBare";
constexpr wchar_t kListClass[] = L"TarnwellBenchPrinterList";
constexpr wchar_t kBoxClass[] = L"#32770";
constexpr wchar_t kQuestionCaption[] = L"View Printers";
constexpr int kInstallButton = 113;
constexpr DWORD kWindowTimeoutMs = 20000;
constexpr double kMiB = 1024.0 * 1024.0;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kCadenceMs = 100;
// Time to let a program settle once its window shows, before its memory is read.
constexpr double kSettleMs = 300;

struct Options {
  std::wstring dist, apps, csv, only;
  int pairs = 30;
  int warm_up = 2;
  int printer_rounds = 4;
  int printer_block = 5;
  int wait_runs = 15;
  int setup_delay_ms = 10000;
};

void Progress(const char* format, ...) {
  static const double start = NowMs();
  std::fprintf(stderr, "[%6.1f s] ", (NowMs() - start) / 1000);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fprintf(stderr, "\n");
  std::fflush(stderr);
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 128 ? static_cast<char>(c) : '?';
  return narrow;
}

bool Runs(const Options& options, const wchar_t* section) {
  return options.only.empty() || options.only == section;
}

std::vector<double> Ratios(const std::vector<double>& numerators,
                           const std::vector<double>& denominators) {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < numerators.size() && i < denominators.size(); ++i) {
    ratios.push_back(numerators[i] / denominators[i]);
  }
  return ratios;
}

std::vector<double> Scaled(std::vector<double> values, double factor) {
  for (double& value : values) value *= factor;
  return values;
}

// ---- The program file -------------------------------------------------------

void MeasureProgramFile(const Options& options, Results& results) {
  const auto file = ReadProgramFile(options.dist + L"\\" + kProgramFile);
  Row size{"program file size", "MiB"};
  Row imports{"program file imports"};
  size.target = "<= 1.5 MiB";
  imports.target = "only DLLs that ship with Windows";
  if (file) {
    size.value = Summarize({file->size / kMiB});
    size.met = file->size <= 1.5 * kMiB;
    size.note = std::to_string(file->size) + " bytes";
    std::string foreign;
    for (const std::string& dll : file->imports) {
      imports.note += (imports.note.empty() ? "" : " ") + dll;
      if (!ShipsWithWindows(dll)) foreign += " " + dll;
    }
    imports.text = std::to_string(file->imports.size()) + " DLLs";
    imports.met = foreign.empty();
    if (!foreign.empty()) imports.note += "; not shipped with Windows:" + foreign;
  } else {
    imports.text = "not measured";
  }
  results.Add(size);
  results.Add(imports);
}

// ---- Start-up -----------------------------------------------------------------

struct StartSample {
  double to_visible_ms = kNaN;
  double peak_working_set = kNaN;
};

// Starts a program, times it until its window of `window_class` is visible,
// and closes it; with `read_memory`, lets it settle first and reads its peak
// working set.
StartSample MeasureStart(const std::wstring& program, const std::wstring& folder,
                         const wchar_t* window_class, bool read_memory = false) {
  StartSample sample;
  Launched launched(program, folder);
  if (!launched.ok()) return sample;
  const HWND window = launched.WaitForVisible(window_class, kWindowTimeoutMs);
  if (!window) return sample;
  sample.to_visible_ms = NowMs() - launched.started_ms();
  if (read_memory) {
    Pause(kSettleMs);
    sample.peak_working_set = PeakWorkingSetBytes(launched.process());
  }
  // A message box of the start-up would mean the printer was not found: the
  // window would then not have been the first thing shown.
  if (launched.VisibleWindow(kBoxClass)) sample.to_visible_ms = kNaN;
  launched.CloseAndWait(window);
  return sample;
}

// One start each of the program and its two floors, the order turning with
// `turn` so that none always comes first.
struct StartTriple {
  StartSample program, bare, list;
};
StartTriple MeasureStartTriple(const AppFolder& app, int turn, bool read_memory) {
  const std::wstring bare = OwnFolder() + L"\\bare_window.exe";
  const std::wstring list = OwnFolder() + L"\\printer_list_window.exe";
  StartTriple t;
  for (int k = 0; k < 3; ++k) {
    switch ((turn + k) % 3) {
      case 0: t.program = MeasureStart(app.Program(), app.path(), kMainClass, read_memory); break;
      case 1: t.bare = MeasureStart(bare, OwnFolder(), kBareClass, read_memory); break;
      default: t.list = MeasureStart(list, OwnFolder(), kListClass, read_memory); break;
    }
  }
  return t;
}

void MeasureStartUp(const Options& options, const AppFolder& app, Results& results) {
  std::vector<double> program_ms, bare_ms, list_ms, program_mem, bare_mem;
  for (int i = -options.warm_up; i < options.pairs; ++i) {
    const StartTriple t = MeasureStartTriple(app, i + options.warm_up, true);
    if (i < 0) continue;
    program_ms.push_back(t.program.to_visible_ms);
    bare_ms.push_back(t.bare.to_visible_ms);
    list_ms.push_back(t.list.to_visible_ms);
    program_mem.push_back(t.program.peak_working_set / kMiB);
    bare_mem.push_back(t.bare.peak_working_set / kMiB);
    Progress("start-up %d: program %.0f ms %.1f MiB, bare window %.0f ms %.1f MiB, "
             "same-work window %.0f ms", i + 1, t.program.to_visible_ms,
             t.program.peak_working_set / kMiB, t.bare.to_visible_ms,
             t.bare.peak_working_set / kMiB, t.list.to_visible_ms);
  }

  Row start{"start-up to visible window", "ms", Summarize(program_ms)};
  start.SetFloor("same-work window", Summarize(list_ms), "x",
      Summarize(Ratios(program_ms, list_ms)));
  start.target = "<= 1.10 x floor";
  if (start.ratio.count) start.met = start.ratio.median <= 1.10;
  results.Add(start);

  Row against_bare{"start-up to visible window, against the bare window", "ms",
                   Summarize(program_ms)};
  against_bare.SetFloor("bare window", Summarize(bare_ms), "x",
      Summarize(Ratios(program_ms, bare_ms)));
  results.Add(against_bare);

  Row memory{"peak working set, idle after start-up", "MiB", Summarize(program_mem)};
  memory.SetFloor("bare window", Summarize(bare_mem), "x",
      Summarize(Ratios(program_mem, bare_mem)));
  memory.target = "<= 1.5 x floor";
  if (memory.ratio.count) memory.met = memory.ratio.median <= 1.5;
  results.Add(memory);
}

// ---- Start-up with many printers -----------------------------------------------

// Median distance of the samples from their median.
double MedianDeviation(const std::vector<double>& samples) {
  const double median = Summarize(samples).median;
  std::vector<double> distances;
  for (double sample : samples) distances.push_back(std::fabs(sample - median));
  return Summarize(distances).median;
}

void MeasurePrinterScaling(const Options& options, const AppFolder& app, Results& results) {
  const std::vector<int> counts = {0, 50, 500};
  // Changing 450 printers takes seconds, so the counts go in blocks, in
  // rounds. Each program start is paired with a start of the bare window,
  // whose start does not depend on printers, to take out the machine's
  // changing load between blocks; then each run is set against the median
  // 0-printer run of its own round.
  std::map<int, std::vector<double>> times, ratios, same_work, same_work_ms;
  for (int round = 0; round < options.printer_rounds; ++round) {
    std::map<int, std::vector<double>> relative;
    for (int count : counts) {
      const double changing = NowMs();
      if (!SetBenchPrinterCount(count)) {
        Progress("printers: could not make %d bench printers", count);
        continue;
      }
      const double changed = NowMs();
      std::vector<double> block;
      // The first pair after a change of printers is a warm-up.
      for (int run = -1; run < options.printer_block; ++run) {
        const StartTriple t = MeasureStartTriple(app, run + 1, false);
        if (run < 0) continue;
        block.push_back(t.program.to_visible_ms);
        times[count].push_back(t.program.to_visible_ms);
        relative[count].push_back(t.program.to_visible_ms / t.bare.to_visible_ms);
        same_work[count].push_back(t.program.to_visible_ms / t.list.to_visible_ms);
        same_work_ms[count].push_back(t.list.to_visible_ms);
      }
      Progress("printers: round %d, %d printers (in place after %.1f s): median %.0f ms, "
               "%.2f x the bare window, %.2f x the same-work window", round + 1, count, (changed - changing) / 1000,
               Summarize(block).median, Summarize(relative[count]).median,
               Summarize(same_work[count]).median);
    }
    const double base = Summarize(relative[0]).median;
    for (int count : counts) {
      for (double r : relative[count]) ratios[count].push_back(r / base);
    }
  }
  SetBenchPrinterCount(0);

  for (int count : {50, 500}) {
    Row row{"start-up, " + std::to_string(count) + " more printers", "ms", Summarize(times[count])};
    row.SetFloor("no more printers", Summarize(times[0]), "x",
        Summarize(ratios[count]));
    results.Add(row);
  }
  // The same-work window then reads the same 500 printers: the platform's
  // cost for them is on both sides.
  Row with_floor{"start-up, 500 more printers, against the same-work window", "ms",
                 Summarize(times[500])};
  with_floor.SetFloor("same-work window, 500 more", Summarize(same_work_ms[500]), "x",
                      Summarize(same_work[500]));
  with_floor.target = "<= 1.10 x floor";
  if (with_floor.ratio.count) with_floor.met = with_floor.ratio.median <= 1.10;
  results.Add(with_floor);

  // Linear growth: 500 printers add ten times what 50 add, so the exponent
  // p in cost ~ printers^p is 1 (2 would be quadratic). The 50-printer cost
  // must stand out of the noise (twice the standard error of the 0-printer
  // median) for p to mean anything.
  const double base_ms = Summarize(times[0]).median;
  const double added50 = Summarize(ratios[50]).median - 1;
  const double added500 = Summarize(ratios[500]).median - 1;
  const double noise = 2 * 1.86 * MedianDeviation(ratios[0]) /
                       std::sqrt(static_cast<double>(std::max<std::size_t>(ratios[0].size(), 1)));
  Row growth{"start-up cost per added printer", "ms"};
  growth.text = "50: " + Format(added50 * base_ms / 50) + " ms, 500: " +
                Format(added500 * base_ms / 500) + " ms";
  growth.target = "grows linearly (p <= 1.3)";
  if (added50 > noise && added500 > 0) {
    const double p = std::log10(added500 / added50);
    growth.text += ", p = " + Format(p);
    growth.met = p <= 1.3;
  } else {
    growth.note = "the cost of 50 printers (" + Format(added50 * 100) +
                  " %) is within the noise (" + Format(noise * 100) + " %): p not determined";
  }
  results.Add(growth);
}

// ---- During and after a long setup ------------------------------------------------

struct WaitSample {
  double cpu_ms = kNaN;
  double quiet_ms = kNaN;
  std::vector<double> idle_rtt, busy_rtt;
  double end_to_enabled_ms = kNaN;
  double end_to_question_ms = kNaN;
};

double ReadEndTimeMs(const std::wstring& file) {
  std::ifstream in(file.c_str());
  long long counter = 0;
  return in >> counter ? CounterToMs(counter) : kNaN;
}

void CloseBox(HWND box, int button) {
  e2e::Box target;
  target.hwnd = box;
  e2e::Press(target, button);
}

std::vector<double> SampleRoundTrips(HWND window, double until_ms) {
  std::vector<double> samples;
  while (NowMs() < until_ms) {
    samples.push_back(RoundTripMs(window));
    // Spaced irregularly, so the samples fall on every phase of the 100 ms cycle.
    Pause(40 + std::rand() % 50);
  }
  return samples;
}

WaitSample MeasureOneWait(const Options& options, const AppFolder& app,
                          const std::wstring& end_file) {
  WaitSample sample;
  ResetPackage();
  DeleteFileW(end_file.c_str());
  Launched launched(app.Program(), app.path());
  if (!launched.ok()) return sample;
  // The printer is missing, so the start-up shows its instructions first.
  const HWND instructions = launched.WaitForVisible(kBoxClass, kWindowTimeoutMs);
  if (!instructions) return sample;
  CloseBox(instructions, IDOK);
  const HWND main = launched.WaitForVisible(kMainClass, kWindowTimeoutMs);
  const HWND button = main ? GetDlgItem(main, kInstallButton) : nullptr;
  if (!button) return sample;
  Pause(kSettleMs);
  sample.idle_rtt = SampleRoundTrips(main, NowMs() + 1500);

  PostMessageW(main, WM_COMMAND, MAKEWPARAM(kInstallButton, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
  const double click = NowMs();
  while (IsWindowEnabled(button) && NowMs() < click + 5000) Sleep(1);
  const double busy = NowMs();
  if (IsWindowEnabled(button)) return sample;

  // The first half of the wait is left alone for the processor time; the
  // second half is probed with messages.
  const double delay = options.setup_delay_ms;
  const ProcessClock clock(app.Program(), launched.process());
  Pause(busy + 300 - NowMs());
  const double cpu_start = clock.CpuMs();
  const double quiet_start = NowMs();
  Pause(busy + delay / 2 + 300 - NowMs());
  const double cpu_end = clock.CpuMs();
  sample.quiet_ms = NowMs() - quiet_start;
  sample.cpu_ms = cpu_end - cpu_start;
  sample.busy_rtt = SampleRoundTrips(main, busy + delay - 200);

  // The setup ends; the controls come back; the question shows.
  double enabled = kNaN;
  HWND box = nullptr;
  const double give_up = NowMs() + kWindowTimeoutMs;
  while (!box && NowMs() < give_up) {
    if (std::isnan(enabled) && IsWindowEnabled(button)) enabled = NowMs();
    if ((box = launched.VisibleWindow(kBoxClass)) != nullptr) break;
    Sleep(1);
  }
  const double shown = NowMs();
  if (!box) return sample;
  const double ended = ReadEndTimeMs(end_file);
  if (e2e::WindowText(box) == kQuestionCaption) {
    sample.end_to_question_ms = shown - ended;
    sample.end_to_enabled_ms = enabled - ended;
  } else {
    Progress("wait: unexpected message \"%s\"", Narrow(e2e::WindowText(box)).c_str());
  }
  CloseBox(box, IDNO);
  launched.CloseAndWait(main);
  return sample;
}

void MeasureWaits(const Options& options, const AppFolder& app, Results& results) {
  const std::wstring end_file = app.path() + L"\\setup-ended.txt";
  SetEnvironmentVariableW(L"SLOW_SETUP_DELAY_MS", std::to_wstring(options.setup_delay_ms).c_str());
  SetEnvironmentVariableW(L"SLOW_SETUP_END_FILE", end_file.c_str());

  std::vector<double> cpu_ms, cpu_percent, quiet_ms, idle_all, busy_all, rtt_ratios, to_enabled,
      to_question;
  for (int run = 0; run < options.wait_runs; ++run) {
    const WaitSample s = MeasureOneWait(options, app, end_file);
    cpu_ms.push_back(s.cpu_ms);
    cpu_percent.push_back(s.cpu_ms / s.quiet_ms * 100);
    quiet_ms.push_back(s.quiet_ms);
    idle_all.insert(idle_all.end(), s.idle_rtt.begin(), s.idle_rtt.end());
    busy_all.insert(busy_all.end(), s.busy_rtt.begin(), s.busy_rtt.end());
    const Summary idle = Summarize(s.idle_rtt);
    const Summary busy = Summarize(s.busy_rtt);
    rtt_ratios.push_back(busy.median / idle.median);
    to_enabled.push_back(s.end_to_enabled_ms);
    to_question.push_back(s.end_to_question_ms);
    Progress("wait run %d: cpu %.1f ms in %.0f ms; round trip idle %.2f ms, waiting %.2f ms "
             "(max %.1f ms, %d samples); setup end to controls %.0f ms, to question %.0f ms",
             run + 1, s.cpu_ms, s.quiet_ms, idle.median, busy.median, busy.max, busy.count,
             s.end_to_enabled_ms, s.end_to_question_ms);
  }
  ResetPackage();

  Row cpu{"processor time while waiting", "ms", Summarize(cpu_ms)};
  cpu.SetFloor("quiet wait", Summarize(quiet_ms), "%",
      Summarize(cpu_percent));
  cpu.target = "<= 0.1 % of the wait";
  if (cpu.ratio.count) cpu.met = cpu.ratio.median <= 0.1;
  cpu.note = "measured over the quiet first half of each " +
             std::to_string(options.setup_delay_ms / 1000) + " s wait; median " +
             Format(cpu.ratio.median * 100) + " ms per 10 s";
  results.Add(cpu);

  Row answer{"answering during the wait", "ms", Summarize(busy_all)};
  answer.SetFloor("idle", Summarize(idle_all), "x",
      Summarize(rtt_ratios));
  answer.target = "median <= 2 x idle, max <= 30 ms";
  if (answer.ratio.count) answer.met = answer.ratio.median <= 2 && answer.value.max <= 30;
  answer.note = std::to_string(answer.value.count) + " round trips while waiting, " +
                std::to_string(answer.floor.count) + " idle (longest " + Format(answer.floor.max) +
                " ms); ratio per run of the medians";
  results.Add(answer);

  Row question{"end of setup to question", "ms", Summarize(to_question)};
  question.SetFloor("cadence", Summarize({kCadenceMs}), "x",
      Summarize(Scaled(to_question, 1 / kCadenceMs)));
  question.target = "median <= 100 ms, every run <= 150 ms";
  if (question.value.count) {
    question.met = question.value.median <= 100 && question.value.max <= 150 &&
                   question.value.count == options.wait_runs;
  }
  results.Add(question);

  Row enabled{"end of setup to controls enabled", "ms", Summarize(to_enabled)};
  enabled.note = "part of the above: noticing the end, then setting the default printer";
  results.Add(enabled);
}

// ---- The run ---------------------------------------------------------------------

bool ParseOptions(int argc, wchar_t** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring name = argv[i];
    const wchar_t* value = argv[i + 1];
    if (name == L"--dist") options->dist = value;
    else if (name == L"--apps") options->apps = value;
    else if (name == L"--csv") options->csv = value;
    else if (name == L"--only") options->only = value;
    else if (name == L"--pairs") options->pairs = _wtoi(value);
    else if (name == L"--warm-up") options->warm_up = _wtoi(value);
    else if (name == L"--printer-rounds") options->printer_rounds = _wtoi(value);
    else if (name == L"--printer-block") options->printer_block = _wtoi(value);
    else if (name == L"--wait-runs") options->wait_runs = _wtoi(value);
    else if (name == L"--setup-delay-ms") options->setup_delay_ms = _wtoi(value);
    else return false;
  }
  return !options->dist.empty() && !options->apps.empty();
}

int Run(const Options& options) {
  Results results;
  const RunSettings settings(options.apps);
  ResetPackage();
  RemoveBenchPrinters();

  if (Runs(options, L"file")) MeasureProgramFile(options, results);
  if (Runs(options, L"start-up") || Runs(options, L"printers")) {
    const AppFolder app(options.apps, L"start up", options.dist);
    if (!app.ok() || !app.InstallPackageDirectly()) {
      Progress("could not lay out the start-up application folder with the printer installed");
    } else {
      if (Runs(options, L"start-up")) MeasureStartUp(options, app, results);
      if (Runs(options, L"printers")) MeasurePrinterScaling(options, app, results);
    }
    ResetPackage();
  }
  if (Runs(options, L"wait")) {
    const AppFolder app(options.apps, L"long setup", options.dist);
    if (!app.ok() || !app.UseSetupStandIn(OwnFolder() + L"\\slow_setup.exe")) {
      Progress("could not lay out the application folder with the slow setup");
    } else {
      MeasureWaits(options, app, results);
    }
  }
  ResetPackage();
  RemoveBenchPrinters();

  results.PrintTable();
  if (!options.csv.empty() && !results.WriteCsv(options.csv)) {
    Progress("could not write %s", Narrow(options.csv).c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace bench

int wmain(int argc, wchar_t** argv) {
  bench::Options options;
  if (!bench::ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: bench_driver --dist FOLDER --apps FOLDER [--csv FILE] "
                         "[--pairs N] [--warm-up N] [--printer-rounds N] [--printer-block N] "
                         "[--wait-runs N] [--setup-delay-ms N] [--only SECTION]\n");
    return 2;
  }
  return bench::Run(options);
}
