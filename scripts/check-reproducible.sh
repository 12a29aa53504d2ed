#!/usr/bin/env bash
# Builds the release again from a copy of the source tree in another folder,
# later, and compares the programs (dist/), the package (release/) and its
# custom-action DLL with this tree's byte for byte: unsigned builds of one commit must be the same.
# Names every file that differs or is missing on either side. Run after
# scripts/build.sh, unsigned (no TARNWELL_SIGN_* variables).
#   scripts/check-reproducible.sh
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
copy="$(mktemp -d "${TMPDIR:-/tmp}/tarnwell-rebuild.XXXXXX")"
trap 'rm -rf "$copy"' EXIT

# The files git knows or would take, without the build's own folders.
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
   xargs -0 -r sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
   tar --null -T - -cf -) | tar -xf - -C "$copy" || { echo "could not copy the source tree"; exit 1; }

# The copy has no git history: it gets the moment this tree's build took
# from its commit (cmake/source_date_epoch.cmake).
SOURCE_DATE_EPOCH="$(cat "$root/build/win32/source-date-epoch.txt" 2>/dev/null)" ||
  { echo "FAILED: no build in $root/build/win32 to compare with (run scripts/build.sh)"; exit 1; }
export SOURCE_DATE_EPOCH

log="$copy.log"
if ! { cmake -S "$copy" -B "$copy/build/win32" -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/i686-mingw.cmake" \
         -DCMAKE_BUILD_TYPE=Release -DTARNWELL_SIGN_PKCS12= -DTARNWELL_SIGN_PASSWORD_FILE= &&
       cmake --build "$copy/build/win32" --target tarnwell_msi -j"$(nproc)"; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "FAILED: the second build did not finish (log: $log)"
  exit 1
fi
rm -f "$log"

differ=0
for folder in dist release; do
  while IFS= read -r file; do
    if [ ! -f "$root/$folder/$file" ] || [ ! -f "$copy/$folder/$file" ]; then
      echo "FAILED: $folder/$file is in one build only"
      differ=$((differ + 1))
    elif ! cmp -s "$root/$folder/$file" "$copy/$folder/$file"; then
      echo "FAILED: $folder/$file differs between the two builds"
      differ=$((differ + 1))
    fi
  done < <( (cd "$root/$folder" && find . -type f; cd "$copy/$folder" && find . -type f) |
            sed 's|^\./||' | sort -u)
done
# The package's custom actions are built outside dist/.
actions=build/win32/installer/printer_actions.dll
if ! cmp -s "$root/$actions" "$copy/$actions"; then
  echo "FAILED: $actions differs between the two builds"
  differ=$((differ + 1))
fi
count="$(cd "$copy" && find dist release "$actions" -type f | wc -l)"
if [ "$differ" -eq 0 ]; then
  echo "reproducible: the $count files of dist/, release/ and the custom actions are the same in both builds"
fi
[ "$differ" -eq 0 ]
