#!/usr/bin/env bash
# Makes the window pictures of the documentation from the built program:
# docs/window-plain.png without a skin, docs/window-<name>.png with each
# sample skin in skins/, docs/window-dark-scheme.png under a dark system
# colour scheme and docs/window-192dpi.png at 192 dpi; with `languages`, only
# docs/window-languages.png and docs/instructions-languages.png, the window
# and the start-up instructions in every language. The program runs in a
# Wine virtual desktop (which draws the window frame and caption) on a
# private Xvfb; each picture is cropped to the window. The prefix's colours
# and resolution are put back afterwards.
#   scripts/screenshots.sh            uses dist/ (scripts/build.sh makes it)
#   scripts/screenshots.sh languages  the pictures of the languages only
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
# The colour scheme and resolution shots change values of the prefix; each
# is put back (or removed) afterwards, whatever happens.
saved="$work/saved-values"
: >"$saved"
# set_value KEY NAME TYPE DATA: notes the value as it was, then sets it.
set_value() {
  local old
  old="$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name { $1 = ""; print substr($0, 2) }')"
  printf '%s\t%s\t%s\n' "$1" "$2" "$old" >>"$saved"
  wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1
}
restore_prefix() {
  local key name old type data
  tac "$saved" | while IFS=$'\t' read -r key name old; do
    if [ -z "$old" ]; then
      wine reg delete "$key" /v "$name" /f >/dev/null 2>&1
    else
      read -r type data <<<"$old"
      [ "$type" = REG_DWORD ] && data="$((data))"  # queries show 0x hex
      wine reg add "$key" /v "$name" /t "$type" /d "$data" /f >/dev/null 2>&1
    fi
  done
  : >"$saved"
}
trap 'restore_prefix; tarnwell_stop_wine; rm -rf "$work"' EXIT

app="$work/app"
mkdir -p "$app"
cp "$dist/$program" "$dist/HAND-M.CUR" "$app/"

desktop_size=800x300
label_font=/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf
main_width=500  # the main window is at least this wide, the printer instructions narrower
screen() { import -window root -crop "$desktop_size+0+0" +repage "$work/screen.png"; }
# Width, height, left and top of what stands on the plain desktop.
shown_area() { convert "$work/screen.png" -trim -format "%w %h %X %Y" info: 2>/dev/null; }
program_runs() { pgrep -f "$app/" >/dev/null; }

# Waits (at most 20 s) until the desktop shows a window `width` pixels wide
# or wider; 0 when it does.
wait_for_window() {
  for _ in $(seq 1 100); do
    screen
    read -r w _ <<<"$(shown_area)"
    [ "$w" -ge "$1" ] && [ "$w" -lt "${desktop_size%x*}" ] && return 0
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
  # The display language is the locale Wine starts with.
  LC_ALL="${shot_locale:-${LC_ALL:-}}" \
    wine explorer /desktop="$desktop,$desktop_size" "$app/$program" >/dev/null 2>&1 </dev/null &
  # A prefix without the printer shows its instructions first: click the
  # box to bring it forward, then answer it.
  wait_for_window 200 || { echo "Nothing shown for $1" >&2; return 1; }
  read -r w h x y <<<"$(shown_area)"
  if [ "$w" -lt "$main_width" ]; then
    sleep 1  # until the box has drawn its text
    screen
    convert "$work/screen.png" -trim +repage "$work/box-$1.png"
    xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
    sleep 0.3
    xdotool key Return
    wait_for_window "$main_width" || { echo "No main window for $1" >&2; return 1; }
  fi
  xdotool mousemove 0 0  # no hover look in the picture
  sleep 1
  screen
  convert "$work/screen.png" -trim +repage "${shot_to:-$root/docs}/window-$1.png"
  [ -n "${shot_to:-}" ] || echo "docs/window-$1.png: $(identify -format '%wx%h' "$root/docs/window-$1.png")"
  # Close it as a person would: click its caption, then Alt+F4.
  read -r w h x y <<<"$(shown_area)"
  xdotool mousemove $((x + w / 2)) $((y + 8)) click 1 key alt+F4
  for _ in $(seq 1 50); do program_runs || break; sleep 0.2; done
}

mkdir -p "$root/docs"
if [ "${1:-}" = languages ]; then
  # English first, then each translation under a locale of its language.
  desktop_size=1000x420
  shot_to="$work"
  windows=()
  boxes=()
  for run in en_US:English de_DE:Deutsch fr_FR:Français es_ES:Español it_IT:Italiano \
      nl_NL:Nederlands pt_BR:"Português (Brasil)" pl_PL:Polski cs_CZ:Čeština \
      ru_RU:Русский uk_UA:Українська; do
    shot_locale="${run%%:*}.UTF-8"
    name="${run%%:*}"
    shoot "$name"
    [ -f "$work/box-$name.png" ] || { echo "No instructions shown for $name" >&2; exit 1; }
    windows+=(-label "${run#*:}" "$work/window-$name.png")
    boxes+=(-label "${run#*:}" "$work/box-$name.png")
  done
  montage -font "$label_font" -pointsize 15 "${windows[@]}" -tile 2x -geometry +10+8 \
    -background white "$root/docs/window-languages.png"
  montage -font "$label_font" -pointsize 15 "${boxes[@]}" -tile 2x -geometry +10+8 \
    -background white "$root/docs/instructions-languages.png"
  for picture in window-languages instructions-languages; do
    echo "docs/$picture.png: $(identify -format '%wx%h' "$root/docs/$picture.png")"
  done
  exit 0
fi
shoot plain
for skin in "$root"/skins/*.cjs; do
  shoot "$(basename "$skin" .cjs)" "$skin"
done

# A dark scheme with light texts, as high-contrast schemes have; programs
# read it when they start.
dark_colours=(Window "0 0 0" WindowText "255 255 255" ButtonFace "0 0 0"
  ButtonText "255 255 255" ButtonShadow "128 128 128" GrayText "0 255 0"
  Hilight "26 235 255" HilightText "0 0 0")
for ((i = 0; i < ${#dark_colours[@]}; i += 2)); do
  set_value 'HKCU\Control Panel\Colors' "${dark_colours[i]}" REG_SZ "${dark_colours[i + 1]}"
done
shoot dark-scheme
restore_prefix

set_value 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 192
desktop_size=1200x420
main_width=1000
shoot 192dpi
restore_prefix
