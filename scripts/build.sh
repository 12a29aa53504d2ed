#!/usr/bin/env bash
# Builds the program into dist/ (the application folder), the Windows
# Installer package into release/, the Windows test programs and the Windows
# test kit (build/windows-kit/, zipped into release/), and, with
# --native, the native unit tests. --release makes a release build, which
# stops while the support address is still the example one; only it writes
# the shippable package name (release/Tarnwell PDF Printer Software
# <x.y.z>.msi): a development build's is "... <x.y.z> development build.msi".
#   TARNWELL_SUPPORT_EMAIL=help@example.org scripts/build.sh   sets the support address
#   TARNWELL_HELP_URL=https://... TARNWELL_ABOUT_URL=https://... scripts/build.sh
#                         the help and about links of Programs and Features
#   TARNWELL_SIGN_PKCS12=cert.p12 TARNWELL_SIGN_PASSWORD_FILE=pass.txt \
#   [TARNWELL_SIGN_TIMESTAMP_URL=http://...] scripts/build.sh  signs the release files
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"

configure_args=()
for setting in TARNWELL_SUPPORT_EMAIL TARNWELL_HELP_URL TARNWELL_ABOUT_URL; do
  if [ -n "${!setting:-}" ]; then configure_args+=("-D$setting=${!setting}"); fi
done
# Signing follows the environment of each run: without the variables the
# release files are built unsigned, whatever an earlier run used.
for setting in TARNWELL_SIGN_PKCS12 TARNWELL_SIGN_PASSWORD_FILE TARNWELL_SIGN_TIMESTAMP_URL; do
  configure_args+=("-D$setting=${!setting:-}")
done
native=0
release=OFF
for argument in "$@"; do
  case "$argument" in
    --native) native=1 ;;
    --release) release=ON ;;
    *) echo "usage: scripts/build.sh [--native] [--release]" >&2; exit 2 ;;
  esac
done
# Like signing, each run says whether it is a release build.
configure_args+=("-DTARNWELL_RELEASE_BUILD=$release")

build() {  # build DIR LOG-NAME CMAKE-ARGS...
  local dir="$1" name="$2"
  shift 2
  local log="$root/build/$name.log"
  mkdir -p "$root/build"
  if ! { cmake -S "$root" -B "$dir" "$@" "${configure_args[@]}" &&
         cmake --build "$dir" -j"$jobs"; } >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "Build failed ($name); the whole log is $log" >&2
    exit 1
  fi
}

build "$root/build/win32" build-win32 \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-mingw.cmake" -DCMAKE_BUILD_TYPE=Release
if [ "$native" = 1 ]; then
  build "$root/build/native" build-native -DCMAKE_BUILD_TYPE=Debug
fi
echo "Built: $root/dist/Tarnwell PDF Printer Software.exe"
for msi in "$root"/release/*.msi; do
  if [ -f "$msi" ]; then echo "Built: $msi"; fi
done
if [ -f "$root/release/deploy.cmd" ]; then echo "Built: $root/release/deploy.cmd"; fi
for kit in "$root"/release/*"Windows test kit.zip"; do
  if [ -f "$kit" ]; then echo "Built: $kit (the Windows test kit, laid out in $root/build/windows-kit)"; fi
done
product_code="$root/build/win32/installer/release-msi/product-code.txt"
if [ -f "$product_code" ]; then echo "ProductCode: $(cat "$product_code")"; fi
# Whether the release files are signed, as configuring decided it.
grep -m 1 -o 'Code signing: .*' "$root/build/build-win32.log" || true
grep -m 1 -o 'Development build: .*' "$root/build/build-win32.log" || true
