#!/usr/bin/env bash
# The layering check must catch a wrong include: on a copy of the sources it
# passes as they are, and fails, naming the file, once one include pointing
# up is planted, for each kind of rule it keeps; it fails too when a tool it
# reads the sources with fails.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
copy="$(mktemp -d)"
trap 'rm -rf "$copy"' EXIT
failures=0

fresh_copy() {
  rm -rf "${copy:?}"/*
  mkdir -p "$copy/scripts"
  cp -r "$root/src" "$root/package" "$root/installer" "$copy/"
  cp "$root/scripts/check-layers.sh" "$copy/scripts/"
}

# plant FILE LINE WHAT: the check must fail and name FILE.
plant() {
  local file="$1" line="$2" what="$3" output
  fresh_copy
  sed -i "1a $line" "$copy/$file"
  if output="$("$copy/scripts/check-layers.sh" 2>&1)"; then
    echo "FAIL: $what was not caught"
    failures=$((failures + 1))
  elif ! grep -q "$file" <<<"$output"; then
    echo "FAIL: $what was caught without naming $file:"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok: $what caught"
  fi
}

fresh_copy
if ! "$copy/scripts/check-layers.sh" >/dev/null; then
  echo "FAIL: the unchanged sources do not pass"
  failures=$((failures + 1))
fi
plant src/core/printer/registry.cpp '#include "core/main_window/busy_state.h"' \
  "the printer including the main window's handlers"
plant src/core/printer/registry.cpp '#include <core/main_window/busy_state.h>' \
  "the same include in angle brackets"
plant src/core/app/step_runner.cpp '#include <windows.h>' "a Windows header in the core"
plant src/win32/machine/ui.cpp '#include "win32/window/form1_window.h"' \
  "the machine including the window"
plant src/win32_common/files.cpp '#include "win32/machine/job.h"' \
  "the shared Windows helpers including the program's machine"

# A tool that fails shows no include at all: the check must fail, not pass.
fresh_copy
mkdir "$copy/bin"
printf '#!/bin/sh\nexit 1\n' >"$copy/bin/find"
chmod +x "$copy/bin/find"
if PATH="$copy/bin:$PATH" "$copy/scripts/check-layers.sh" >/dev/null 2>&1; then
  echo "FAIL: a failing find was not caught"
  failures=$((failures + 1))
else
  echo "ok: a failing find caught"
fi

[ "$failures" -eq 0 ] && echo "layering check: every planted include caught"
[ "$failures" -eq 0 ]
