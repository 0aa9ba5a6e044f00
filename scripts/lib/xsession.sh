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
# A search walks the window tree, and xdotool gives up on a window destroyed during the walk,
# as windows closing beside the one awaited are: so it searches again until the time is up.
window_wait() {
  local deadline=$((SECONDS + ${2:-20})) found
  while [ "$SECONDS" -lt "$deadline" ]; do
    found=$(xdotool search --onlyvisible --name "^($1)\$" 2>/dev/null | tail -n 1) || true
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.1
  done
  return 1
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

# window_closed ID: waits (up to 30 seconds) until the window is no longer shown.
# A walk that met a destroyed window proves nothing and is made again.
window_closed() {
  local shown
  for _ in $(seq 300); do
    if shown=$(xdotool search --onlyvisible --name '.' 2>&1); then
      grep -qx "$1" <<<"$shown" || return 0
    elif ! grep -q 'X Error' <<<"$shown"; then
      return 0 # no window shown at all
    fi
    sleep 0.1
  done
  return 1
}
