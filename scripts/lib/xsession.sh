# shellcheck shell=bash
# Drives the program on a virtual X server, as a user at the keyboard and mouse would.
# Sourced by scripts/screenshots and by the package test. Needs xvfb and xdotool.

xsession_pid=""

# xsession_start WORKFOLDER [SCREEN]: starts Xvfb on a free display and exports DISPLAY.
xsession_start() {
  local work=$1 screen=${2:-800x600x24}
  Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xsession_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; return 1; }
  DISPLAY=":$(cat "$work/display")"
  export DISPLAY
}

xsession_stop() {
  [ -z "$xsession_pid" ] && return 0
  kill "$xsession_pid" 2>/dev/null || true
  wait "$xsession_pid" 2>/dev/null || true
  xsession_pid=""
}

# window_wait TITLE [SECONDS]: waits for a shown window whose title matches the extended
# regular expression TITLE as a whole, and prints its id (the last one found when several match).
window_wait() {
  timeout "${2:-20}" xdotool search --sync --onlyvisible --name "^($1)\$" | tail -n 1
}

# window_title ID: prints the window's title.
window_title() {
  xdotool getwindowname "$1"
}

# window_keys ID KEY...: gives the window the keyboard focus and presses the keys.
window_keys() {
  local id=$1
  shift
  xdotool windowfocus --sync "$id"
  xdotool key --delay 80 "$@"
}

# window_type ID TEXT: gives the window the keyboard focus and types the text.
window_type() {
  xdotool windowfocus --sync "$1"
  xdotool type --delay 80 "$2"
}

# window_click ID X Y [COUNT]: clicks at a point of the window, in pixels from its top-left corner.
window_click() {
  xdotool mousemove --window "$1" "$2" "$3"
  xdotool click --repeat "${4:-1}" --delay 120 1
}

# window_closed ID: waits until the window is no longer shown.
window_closed() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name '.' | grep -qx "$1" || return 0
    sleep 0.1
  done
  return 1
}
