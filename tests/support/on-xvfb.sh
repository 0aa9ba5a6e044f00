#!/usr/bin/env bash
# on-xvfb.sh [--screen WIDTHxHEIGHT[@RATIO]]... COMMAND [ARG...]: runs COMMAND on an X server
# of its own (Xvfb) without a window manager, on Qt's xcb platform, as a front desk that runs
# the program alone does: once on each screen given, at its device pixel ratio (QT_SCALE_FACTOR,
# 1 when not given), or once on an 800 x 600 screen, the one the windows are designed for, when
# none is given. One server holds each size as an X screen of its own. It ends with the last
# run, also when a run fails or the script is stopped; the script fails when any run failed.
set -euo pipefail
runs=()
while [ "${1:-}" = --screen ]; do
  runs+=("$2")
  shift 2
done
[ ${#runs[@]} -gt 0 ] || runs=(800x600)

work="$(mktemp -d)"
server=""
finish() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT
trap 'exit 143' TERM INT

# Each size once, as X screen 0, 1, ...
sizes=()
screens=()
screen_of() {
  local i
  for i in "${!sizes[@]}"; do
    [ "${sizes[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}
for run in "${runs[@]}"; do
  size="${run%@*}"
  if [ "$(screen_of "$size")" -lt 0 ]; then
    screens+=(-screen "${#sizes[@]}" "${size}x24")
    sizes+=("$size")
  fi
done

# Xvfb picks a free display number itself and writes it to fd 3 once it takes clients.
Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp 3>"$work/display" 2>"$work/log" &
server=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "Xvfb did not start:" >&2
    cat "$work/log" >&2
    exit 1
  fi
  sleep 0.05
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb gave no display number within 10 seconds" >&2
  exit 1
fi
display=":$(head -n1 "$work/display")"
# A login manager gives each session a private runtime folder; so does this.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}"
export QT_QPA_PLATFORM=xcb
failed=0
for run in "${runs[@]}"; do
  size="${run%@*}"
  ratio=1
  [ "$run" = "$size" ] || ratio="${run#*@}"
  [ ${#runs[@]} -eq 1 ] || echo "=== on a $size screen at device pixel ratio $ratio"
  DISPLAY="$display.$(screen_of "$size")" QT_SCALE_FACTOR="$ratio" "$@" || failed=1
done
exit "$failed"
