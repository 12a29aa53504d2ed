// Fuzzes the skin file parser: any bytes must give colours or a RunError,
// never a crash, a hang, another exception or a read past the data (the
// sanitizers watch for that).
//
// Built plainly, main() runs a seeded random-mutation round over the seed
// files named on its command line and over random bytes, bounded by time and
// by an iteration count:
//   skin_file_fuzz [--seconds S] [--iterations N] [--seed K] seed-file...
// Built with -DTARNWELL_LIBFUZZER and clang's -fsanitize=fuzzer, the same
// entry point serves libFuzzer instead.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/look/skin_file.h"
#include "core/port/run_error.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace {

const std::wstring kFileName = L"C:\\fuzz\\x\\o.cjs";

// Accepted: empty text; rejected: the description's kind of problem.
std::wstring ParseOnce(const std::uint8_t* data, std::size_t size) {
  try {
    tarnwell::ParseSkin({data, size}, kFileName);
    return {};
  } catch (const tarnwell::RunError& e) {
    const std::wstring& text = e.description();
    const std::wstring prefix = L"\"" + kFileName + L"\"";
    if (text.compare(0, prefix.size(), prefix) != 0) {
      std::fprintf(stderr, "description does not start with the file name: %ls\n", text.c_str());
      std::abort();
    }
    // "...": line 3, byte 2: invalid UTF-8 (overlong encoding) -> "invalid UTF-8"
    const std::size_t colon = text.find(L": ", prefix.size());
    std::wstring kind = text.substr(colon + 2);
    kind = kind.substr(0, std::min(kind.find_first_of(L"\"("), kind.find(L" 0x")));
    return kind.substr(0, kind.find_last_not_of(L' ') + 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ParseOnce(data, size);
  return 0;
}

#ifndef TARNWELL_LIBFUZZER

namespace {

// The input under test, kept where a crash handler can write it out.
std::vector<std::uint8_t> g_current;

void DumpCurrentInput() {
  const char* name = "skin_file_fuzz_crash.bin";
  if (std::FILE* f = std::fopen(name, "wb")) {
    std::fwrite(g_current.data(), 1, g_current.size(), f);
    std::fclose(f);
    std::fprintf(stderr, "input that failed (%zu bytes) written to %s\n", g_current.size(), name);
  }
}

const char* const kTokens[] = {
    "\n", "\r\n", "\r", "=", " = ", "#", "\t", "\xEF\xBB\xBF", "#FFFFFF", "#12345", "#GGGGGG",
    "window.face", "button.disabled", "buton.face", "\0", "\xC0\xAF", "\xE0\x80\xAF",
    "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82", "\xF0\x9F\x8E", "\xC3\xA9",
    "\xF0\x9F\x8E\xA8", "\x80", "\xFF", "\x7F",
};

class Mutator {
 public:
  explicit Mutator(std::uint64_t seed) : rng_(seed) {}

  std::size_t Below(std::size_t n) {
    return n == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }
  std::uint8_t Byte() { return static_cast<std::uint8_t>(Below(256)); }

  std::vector<std::uint8_t> RandomBytes(std::size_t max) {
    std::vector<std::uint8_t> out(Below(max + 1));
    for (auto& b : out) b = Byte();
    return out;
  }

  void Mutate(std::vector<std::uint8_t>& v, const std::vector<std::vector<std::uint8_t>>& corpus) {
    const std::size_t rounds = 1 + Below(8);
    for (std::size_t r = 0; r < rounds; ++r) {
      const std::size_t at = Below(v.size() + 1);
      // Growing to a limit is rare: large inputs make every later try slow.
      switch (Below(64) == 0 ? 8 : Below(8)) {
        case 0:
          if (at < v.size()) v[at] ^= static_cast<std::uint8_t>(1u << Below(8));
          break;
        case 1:
          if (at < v.size()) v[at] = Byte();
          break;
        case 2:
          v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), Byte());
          break;
        case 3: {
          const std::size_t n = std::min(v.size() - std::min(at, v.size()), 1 + Below(16));
          v.erase(v.begin() + static_cast<std::ptrdiff_t>(at),
                  v.begin() + static_cast<std::ptrdiff_t>(at + n));
          break;
        }
        case 4: {
          const char* token = kTokens[Below(std::size(kTokens))];
          const std::size_t n = token[0] == '\0' ? 1 : std::strlen(token);
          v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), token, token + n);
          break;
        }
        case 5:
        case 6: {  // a slice of this input or of another one, copied in
          const auto& from = Below(2) == 0 ? v : corpus[Below(corpus.size())];
          if (from.empty()) break;
          const std::size_t start = Below(from.size());
          const std::size_t n = std::min(from.size() - start, 1 + Below(128));
          const auto first = from.begin() + static_cast<std::ptrdiff_t>(start);
          const std::vector<std::uint8_t> slice(first, first + static_cast<std::ptrdiff_t>(n));
          v.insert(v.begin() + static_cast<std::ptrdiff_t>(at), slice.begin(), slice.end());
          break;
        }
        case 7:
          v.resize(at);
          break;
        case 8:  // grow to the edge of the size or line limit
          if (Below(2) == 0) {
            v.resize(tarnwell::kMaxSkinFileBytes - 1 + Below(3), '\n');
          } else {
            v.insert(v.begin() + static_cast<std::ptrdiff_t>(at),
                     tarnwell::kMaxSkinLineBytes - 1 + Below(3), '#');
          }
          break;
      }
    }
  }

 private:
  std::mt19937_64 rng_;
};

std::vector<std::uint8_t> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read seed file %s\n", path);
    std::exit(2);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = 10;
  unsigned long long iterations = 1000000;
  std::uint64_t seed = 1;
  std::vector<std::vector<std::uint8_t>> corpus;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--iterations" && i + 1 < argc) {
      iterations = std::strtoull(argv[++i], nullptr, 10);
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = std::strtoull(argv[++i], nullptr, 10);
    } else {
      corpus.push_back(ReadFile(argv[i]));
      // The seeds are the sample skins: they must be good skins themselves.
      const std::wstring problem = ParseOnce(corpus.back().data(), corpus.back().size());
      if (!problem.empty()) {
        std::fprintf(stderr, "seed %s is rejected: %ls\n", argv[i], problem.c_str());
        return 1;
      }
    }
  }
  if (corpus.empty()) {
    std::fprintf(stderr, "usage: %s [--seconds S] [--iterations N] [--seed K] seed-file...\n",
                 argv[0]);
    return 2;
  }

#if defined(__SANITIZE_ADDRESS__)
  __sanitizer_set_death_callback(DumpCurrentInput);
#endif
  std::set_terminate([] {
    std::fprintf(stderr, "ParseSkin threw something other than RunError\n");
    DumpCurrentInput();
    std::abort();
  });

  Mutator mutator(seed);
  std::map<std::wstring, unsigned long long> outcomes;
  const std::size_t seeds = corpus.size();
  const auto start = std::chrono::steady_clock::now();
  unsigned long long done = 0;
  double elapsed = 0;
  for (; done < iterations; ++done) {
    if (done % 256 == 0) {
      elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      if (elapsed >= seconds) break;
    }
    if (mutator.Below(10) == 0) {
      g_current = mutator.RandomBytes(2048);
    } else {
      g_current = corpus[mutator.Below(corpus.size())];
      mutator.Mutate(g_current, corpus);
    }
    // An exact-size copy, so that the sanitizer sees any read past the end.
    const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[g_current.size()]);
    if (!g_current.empty()) std::memcpy(exact.get(), g_current.data(), g_current.size());
    const std::wstring kind = ParseOnce(exact.get(), g_current.size());
    ++outcomes[kind.empty() ? L"(accepted)" : kind];
    // Keep some accepted variants: they make good starting points.
    if (kind.empty() && corpus.size() < seeds + 256 && g_current.size() < 4096) {
      corpus.push_back(g_current);
    }
  }
  elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("skin_file_fuzz: seed %llu, %llu inputs in %.1f s\n",
              static_cast<unsigned long long>(seed), done, elapsed);
  for (const auto& [kind, count] : outcomes) std::printf("  %8llu  %ls\n", count, kind.c_str());
  return 0;
}

#endif  // TARNWELL_LIBFUZZER
