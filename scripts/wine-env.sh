# Sourced by the scripts that run Windows programs: the project's own Wine
# prefix (never the user's ~/.wine), quiet Wine, and a display.
TARNWELL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${TARNWELL_WINEPREFIX:-$TARNWELL_ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No browser or .NET engine downloads, no desktop menu entries; a test may
# add its own load orders in TARNWELL_EXTRA_DLL_OVERRIDES.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${TARNWELL_EXTRA_DLL_OVERRIDES:+;$TARNWELL_EXTRA_DLL_OVERRIDES}"

# Makes the prefix on first use.
tarnwell_ensure_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    echo "Making the Wine prefix $WINEPREFIX (once; about a minute)"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
}

# Starts Xvfb when there is no display; sets DISPLAY and TARNWELL_XVFB_PID.
tarnwell_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  TARNWELL_XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
  export TARNWELL_XVFB_PID
}

# Keeps one wineserver for the whole run, its output away from our pipes.
tarnwell_start_wineserver() {
  wineserver -p >/dev/null 2>&1 </dev/null
  wine wineboot >/dev/null 2>&1 </dev/null || true
}

tarnwell_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${TARNWELL_XVFB_PID:-}" ]; then
    kill "$TARNWELL_XVFB_PID" 2>/dev/null || true
    unset TARNWELL_XVFB_PID
  fi
}
