#!/usr/bin/env bash
# Makes the window pictures of the documentation from the built program:
# docs/window-plain.png without a skin, docs/window-<name>.png with each
# sample skin in skins/. The program runs in a Wine virtual desktop (which
# draws the window frame and caption) on a private Xvfb; each picture is
# cropped to the window.
#   scripts/screenshots.sh            uses dist/ (scripts/build.sh makes it)
#   TARNWELL_DIST_DIR=DIR scripts/screenshots.sh   uses another build
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dist="${TARNWELL_DIST_DIR:-$root/dist}"
program="Tarnwell PDF Printer Software.exe"
desktop="TarnwellShots"
if [ ! -f "$dist/$program" ]; then
  echo "No program in $dist: run scripts/build.sh first" >&2
  exit 1
fi

source "$root/scripts/wine-env.sh"
unset DISPLAY  # the pictures come from a screen of our own
tarnwell_ensure_prefix
tarnwell_ensure_display
# Ending Wine at the end would end whatever else runs in this prefix.
if ! tarnwell_start_wineserver; then
  kill "$TARNWELL_XVFB_PID"
  echo "Wine could not start in $WINEPREFIX (in use by another run?); set TARNWELL_WINEPREFIX" >&2
  exit 1
fi
work="$(mktemp -d)"
trap 'tarnwell_stop_wine; rm -rf "$work"' EXIT

app="$work/app"
mkdir -p "$app"
cp "$dist/$program" "$dist/HAND-M.CUR" "$app/"

screen() { import -window root -crop 800x300+0+0 +repage "$work/screen.png"; }
# Width, height, left and top of what stands on the plain desktop.
shown_area() { convert "$work/screen.png" -trim -format "%w %h %X %Y" info: 2>/dev/null; }
program_runs() { pgrep -f "$app/" >/dev/null; }

# Waits (at most 20 s) until the desktop shows a window `width` pixels wide
# or wider; 0 when it does.
wait_for_window() {
  for _ in $(seq 1 100); do
    screen
    read -r w _ <<<"$(shown_area)"
    [ "$w" -ge "$1" ] && [ "$w" -lt 800 ] && return 0
    sleep 0.2
  done
  return 1
}

shoot() {  # shoot NAME [SKIN-FILE]
  rm -rf "$app/x"
  if [ -n "${2:-}" ]; then
    mkdir -p "$app/x"
    cp "$2" "$app/x/o.cjs"
  fi
  wine explorer /desktop="$desktop",800x300 "$app/$program" >/dev/null 2>&1 </dev/null &
  # A prefix without the printer shows its instructions first: click the
  # box to bring it forward, then answer it.
  wait_for_window 200 || { echo "Nothing shown for $1" >&2; return 1; }
  read -r w h x y <<<"$(shown_area)"
  if [ "$w" -lt 500 ]; then
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    sleep 0.3
    xdotool key Return
    wait_for_window 500 || { echo "No main window for $1" >&2; return 1; }
  fi
  xdotool mousemove 0 0  # no hover look in the picture
  sleep 1
  screen
  convert "$work/screen.png" -trim +repage "$root/docs/window-$1.png"
  echo "docs/window-$1.png: $(identify -format '%wx%h' "$root/docs/window-$1.png")"
  # Close it as a person would: click its caption, then Alt+F4.
  read -r w h x y <<<"$(shown_area)"
  xdotool mousemove $((x + w / 2)) $((y + 8)) click 1 key alt+F4
  for _ in $(seq 1 50); do program_runs || break; sleep 0.2; done
}

mkdir -p "$root/docs"
shoot plain
for skin in "$root"/skins/*.cjs; do
  shoot "$(basename "$skin" .cjs)" "$skin"
done
