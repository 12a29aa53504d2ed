#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the benchmarks under Wine on a
# private Xvfb with one wineserver for the run. Prints one table of figures
# and writes it to bench/results/latest.csv. Takes about five minutes.
#
# Arguments go to the driver, e.g. `scripts/bench.sh --wait-runs 3` for a
# shorter run. TARNWELL_BENCH_BUILD_DIR=<dir> builds and runs from that build
# folder (with its own dist folder) instead of build/win32 and dist/.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" || exit 1

build_dir="${TARNWELL_BENCH_BUILD_DIR:-}"
if [ -z "$build_dir" ]; then
  "$root/scripts/build.sh" >/dev/null || exit 1
  build_dir="$root/build/win32"
  dist="$root/dist"
else
  dist="$build_dir/dist"
  log="$build_dir/bench-build.log"
  mkdir -p "$build_dir"
  if ! { cmake -S "$root" -B "$build_dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-mingw.cmake" \
           -DCMAKE_BUILD_TYPE=Release -DTARNWELL_DIST_DIR="$dist" &&
         cmake --build "$build_dir" -j"$(nproc)" --target bench_driver; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "Build failed; the whole log is $log" >&2
    exit 1
  fi
fi
driver="$build_dir/bench/bench_driver.exe"
apps="$root/build/bench-apps"
results="$root/bench/results"
mkdir -p "$apps" "$results"

# Wine sees the Unix root as drive Z:.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# On a virtual machine whose idle cores halt, waking one costs tens of
# microseconds, and every wineserver round trip can pay it twice: the figures
# then depend on whether other work happens to keep the cores awake. Busy
# loops at the lowest scheduling class keep them awake without taking time
# from anything else. TARNWELL_BENCH_NO_SPIN=1 leaves them out.
spinners=()
start_spinners() {
  [ -n "${TARNWELL_BENCH_NO_SPIN:-}" ] && return
  command -v chrt >/dev/null || return
  local _
  for _ in $(seq "$(nproc)"); do
    chrt --idle 0 sh -c 'while :; do :; done' &
    spinners+=($!)
  done
}

source "$root/scripts/wine-env.sh"
tarnwell_ensure_prefix
tarnwell_ensure_display || exit 1
cleanup() {
  tarnwell_stop_wine
  [ ${#spinners[@]} -gt 0 ] && kill "${spinners[@]}" 2>/dev/null
  rm -rf "$apps"
}
trap cleanup EXIT
tarnwell_start_wineserver
start_spinners

echo "== Benchmarks (progress below, the table at the end)"
# A bounded run: a hung Wine must not hold the caller for ever.
timeout 1200 wine "$driver" --dist "$(windows_path "$dist")" --apps "$(windows_path "$apps")" \
  --csv "$(windows_path "$results/latest.csv")" "$@" </dev/null
rc=$?
[ "$rc" -eq 0 ] && echo "Written: $results/latest.csv"
exit "$rc"
