#!/usr/bin/env bash
# on-xvfb.sh COMMAND [ARG...]: runs COMMAND on an X server of its own (Xvfb, 800 x 600, the
# screen the windows are laid out for, or the size XVFB_SCREEN names, as in 3840x2160x24)
# without a window manager, on Qt's xcb platform, as a front desk that runs the program
# alone does. The server ends with the command, also when the command fails or the script
# is stopped.
set -euo pipefail
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

# Xvfb picks a free display number itself and writes it to fd 3 once it takes clients.
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-800x600x24}" -nolisten tcp 3>"$work/display" 2>"$work/log" &
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
export DISPLAY=":$(head -n1 "$work/display")"
# A login manager gives each session a private runtime folder; so does this.
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work}"
export QT_QPA_PLATFORM=xcb
"$@"
