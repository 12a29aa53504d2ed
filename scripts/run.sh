#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the program from dist/ under
# Wine. With a display the program simply runs there. Without one it runs on
# a private Xvfb: the first thing it shows is saved as a screenshot, then the
# program is ended.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
source "$root/scripts/wine-env.sh"
tarnwell_ensure_prefix
exe="$root/dist/Tarnwell PDF Printer Software.exe"

if [ -n "${DISPLAY:-}" ]; then
  exec wine "$exe"
fi

tarnwell_ensure_display
trap tarnwell_stop_wine EXIT
tarnwell_start_wineserver
# A Wine virtual desktop draws the window frames and captions that a bare
# Xvfb (no window manager) would leave out.
wine explorer /desktop=Tarnwell,1024x768 "$exe" >/dev/null 2>&1 </dev/null &

# Wait (at most 60 s) for the desktop, then for the program to draw on it.
shown=""
for _ in $(seq 1 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Tarnwell - Wine desktop"'; then
    shown=yes
    break
  fi
  sleep 0.2
done
sleep 3  # let the program start and paint
shot="$root/build/screenshot.png"
import -window root -crop 1024x768+0+0 +repage "$shot"
if [ -z "$shown" ]; then
  echo "The program showed no window within 60 s; the screen is in $shot" >&2
  exit 1
fi
echo "The program started; what it showed first is in $shot"
